#!/bin/sh
# take-pictures.sh MKSHOTS OUTDIR DEMOSDIR SOLVER
# Runs mkshots on a virtual X display of its own, so the pictures look the same on every
# machine and no desktop is needed; settings go to a scratch folder, never the user's. Without
# xvfb-run it falls back to Qt's offscreen platform.
set -e
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" XDG_RUNTIME_DIR="$scratch"
chmod 700 "$scratch"
# A sanitizer build's mkshots must not fail on what the desktop libraries (D-Bus) keep
# allocated at exit.
export ASAN_OPTIONS="detect_leaks=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
if command -v xvfb-run >/dev/null 2>&1; then
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$@"
else
    echo "take-pictures.sh: xvfb-run not found; drawing offscreen" >&2
    QT_QPA_PLATFORM=offscreen "$@"
fi
