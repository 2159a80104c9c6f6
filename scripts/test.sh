#!/usr/bin/env bash
# Builds both configurations (release and AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs every test of each under CTest, headless.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export QT_QPA_PLATFORM=offscreen
status=0
for cfg in release asan; do
  "$root/scripts/build.sh" "$cfg"
  echo "=== tests: $cfg ==="
  if [ "$cfg" = asan ]; then
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  fi
  ctest --test-dir "$root/build/$cfg" --output-on-failure -j "$(nproc)" || status=1
done
exit $status
