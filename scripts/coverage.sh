#!/usr/bin/env bash
# Builds a coverage configuration (gcc --coverage) in build/coverage, runs every test but the
# time-bounded fuzz runs, and prints line and branch coverage per library.
#   scripts/coverage.sh [--no-build]      (--no-build: only report from the last run's data)
# A library is the set of CMake targets listed for it below; test, fuzz, benchmark and
# generator targets are left out, so the figures are those of the code the tests exercise.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$root/build/coverage"

if [ "${1:-}" != "--no-build" ]; then
  "$root/scripts/install-deps.sh"
  flags="--coverage -fprofile-update=atomic"   # atomic: the checker library is called from two threads in a test
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
        -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
  find "$dir" -name '*.gcda' -delete
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" -E '^fuzz_' -j "$(nproc)" --output-on-failure \
    || echo "(some tests failed: the figures below count what ran)"
fi

# library -> targets whose objects count for it (a target that does not exist is skipped)
libraries=(
  "notation:notation"
  "quadrel_core:quadrel_core quadrel_response"
  "quadrel_widgets:quadrel_widgets"
  "solver:vade_core vade_input vade"
  "vetrix:vetrix_check Vetrix vetrix_cli"
  "platform:quadrel_platform quadrel_platform_widgets"
  "viewers:lumaplots_core lumaplots_widgets Lumaplots notepad2_core notepad2_widgets notePad2"
)

summary() {  # prints "covered total" for lines and branches of the given object folders
  gcovr -r "$root" --gcov-ignore-parse-errors --exclude '.*/tests/.*' --exclude '.*/build/.*' --exclude-throw-branches \
        --json-summary - "$@" 2>/dev/null |
    python3 -c 'import json,sys; d=json.load(sys.stdin); print(d["line_covered"], d["line_total"], d["branch_covered"], d["branch_total"])'
}

printf '%-16s %8s %14s %8s %14s\n' library lines "(covered/all)" branches "(covered/all)"
for entry in "${libraries[@]}"; do
  name=${entry%%:*}
  dirs=()
  for t in ${entry#*:}; do
    while IFS= read -r d; do dirs+=("$d"); done < <(find "$dir" -type d -name "$t.dir" -path '*/CMakeFiles/*')
  done
  if [ ${#dirs[@]} -eq 0 ]; then printf '%-16s (no targets built)\n' "$name"; continue; fi
  read -r lc lt bc bt < <(summary "${dirs[@]}")
  pct() { python3 -c "print('%.1f%%' % (100.0*$1/$2) if $2 else '-')"; }
  printf '%-16s %8s %14s %8s %14s\n' "$name" "$(pct "$lc" "$lt")" "($lc/$lt)" "$(pct "$bc" "$bt")" "($bc/$bt)"
done
