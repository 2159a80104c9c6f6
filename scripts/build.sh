#!/usr/bin/env bash
# Configures and builds one configuration, then assembles the installed shape under dist/.
#   scripts/build.sh [release|asan]     (default release)
# The release build is assembled into dist/ at the repository root; the asan build only builds.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cfg="${1:-release}"
"$root/scripts/install-deps.sh"

case "$cfg" in
  release) dir="$root/build/release"; extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)    dir="$root/build/asan";    extra=(-DCMAKE_BUILD_TYPE=Debug -DQUADREL_SANITIZE=ON) ;;
  *) echo "unknown configuration: $cfg" >&2; exit 2 ;;
esac

# A compiler cache, when the machine has one, makes rebuilds of several checkouts cheap.
if command -v ccache >/dev/null 2>&1; then extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$dir" -G Ninja "${extra[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
if [ "$cfg" = release ]; then
  cmake --install "$dir" --prefix "$root/dist" >/dev/null
  echo "Assembled $root/dist"
fi
