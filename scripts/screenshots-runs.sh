#!/usr/bin/env bash
# Pictures of runs from the window under a virtual X server: the Demos page and the run
# console of an example run. Writes PNG files into OUTPUT_FOLDER (default build/screenshots).
#   scripts/screenshots-runs.sh [OUTPUT_FOLDER]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/release"
out="$(realpath -m "${1:-$root/build/screenshots}")"
mkdir -p "$out"
nice cmake --build "$build" --target quadrel_runshots vade >/dev/null

# A program folder of its own, and settings that never touch the real ones.
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
prog="$tmp/Quadrel"
mkdir -p "$prog/demos" "$tmp/config" "$tmp/data"
cp "$root/solver/run-VADE" "$build/solver/vade" "$prog/"
cp "$root"/demos/*.ode "$prog/demos/"

cd "$prog"
XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x960x24" "$build/ui/quadrel_runshots" "$prog" "$out"
