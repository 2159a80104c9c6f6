#!/usr/bin/env bash
# Screenshots of the viewers under a virtual display: Lumaplots showing the plot file the
# solver batch leaves for an initial value demo and for a boundary value demo, and notePad2
# showing the boundary demo's report.
#   scripts/screenshots-viewers.sh [OUTDIR]        (default build/screenshots)
# Needs the assembled dist/ (scripts/build.sh release) and xvfb, xwd (x11-apps) and netpbm.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build/screenshots}"
dist="$root/dist"

if [ ! -x "$dist/Lumaplots" ] || [ ! -x "$dist/Quadrel/run-VADE" ]; then
  echo "dist/ is not assembled: run scripts/build.sh release first" >&2
  exit 2
fi
for tool in xvfb-run xwd xwdtopnm pnmtopng; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$tool is missing (xvfb, x11-apps, netpbm)" >&2; exit 2; }
done
mkdir -p "$out"
out="$(cd "$out" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# solve DEMO: solves the demo in a folder of its own, as a run from the window does, and
# prints that folder; the solver leaves ~Quadrel.out and ~4plots.plt there.
solve() {
  local demo="$1" run="$work/${1%.ode}"
  mkdir -p "$run"
  cp "$dist/Quadrel/demos/$demo" "$run/"
  (cd "$run" && "$dist/Quadrel/run-VADE" "$demo" "$run" exit >"$run/console.txt" 2>&1) || {
    echo "the solver failed on $demo:" >&2
    cat "$run/console.txt" >&2
    return 1
  }
  echo "$run"
}

# shoot FOLDER VIEWER FILE PNG: opens FILE in the viewer in FOLDER and grabs its window once
# it is drawn (its title names the file and the viewer).
shoot() {
  XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" xvfb-run -a -s "-screen 0 1280x800x24" \
    bash -c '
      cd "$1"
      "$2/$3" "$4" &
      viewer=$!
      title="$4 - $3"
      for _ in $(seq 50); do
        xwd -silent -name "$title" >/dev/null 2>&1 && break
        sleep 0.2
      done
      sleep 1
      xwd -silent -name "$title" | xwdtopnm 2>/dev/null | pnmtopng >"$5"
      kill "$viewer"
      wait "$viewer" 2>/dev/null || true
    ' shoot "$1" "$dist" "$2" "$3" "$4"
  echo "$4"
}

ivp="$(solve ExIVP.1.ode)"
bvp="$(solve ExBVP.1.ode)"
shoot "$ivp" Lumaplots "~4plots.plt" "$out/lumaplots-ivp.png"
shoot "$bvp" Lumaplots "~4plots.plt" "$out/lumaplots-bvp.png"
shoot "$bvp" notePad2 "~Quadrel.out" "$out/notepad2-bvp.png"
