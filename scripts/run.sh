#!/usr/bin/env bash
# Builds, assembles dist/ and starts Quadrel from its program folder.
# Without a display (no $DISPLAY or $WAYLAND_DISPLAY) it starts under a virtual X server.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh" release
prog="$root/dist/Quadrel/quadrel"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  exec xvfb-run -a "$prog" "$@"
fi
exec "$prog" "$@"
