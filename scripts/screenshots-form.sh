#!/usr/bin/env bash
# Screenshots of every page of the main form under a virtual X display: at its design size,
# at 150 % and at 60 % of it, and at the design size with Qt's scale factor 2 (device pixel
# ratio 2). The PNG files go to the folder given (default screenshots/ at the repository root),
# one subfolder per size.
#   scripts/screenshots-form.sh [folder]        (needs a release build: scripts/build.sh)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-$root/screenshots}")"
test_bin="$root/build/release/ui/tests/tst_ui_layout"
[ -x "$test_bin" ] || { echo "build first: scripts/build.sh release" >&2; exit 1; }
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

shoot() {  # name, percent of the design size, scale factor
  mkdir -p "$out/$1"
  env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$tmp/config" \
      XDG_DATA_HOME="$tmp/data" HOME="$tmp/home" QT_SCALE_FACTOR="$3" \
      QUADREL_SCREENSHOT_DIR="$out/$1" QUADREL_SCREENSHOT_PERCENT="$2" \
      xvfb-run -a -s "-screen 0 2400x1800x24 -dpi 96" "$test_bin" screenshots | grep -E "FAIL|Loc" || true
  echo "$out/$1: $(ls "$out/$1" | wc -l) pages"
}
shoot design 100 1
shoot large150 150 1
shoot small60 60 1
shoot scale2 100 2
