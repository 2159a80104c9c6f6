#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Idempotent: when all packages are already present it does nothing.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-svg-dev          # SVG export of the plot viewer
  libsundials-dev      # CVODES BDF with sensitivities (solver, stiff problems)
  libeigen3-dev        # dense linear algebra (solver: Gauss-Newton steps, stiffness estimate)
  clang libclang-rt-14-dev   # libFuzzer target for the equation parser
  python3-scipy        # the peer in the solver benchmark; test-set references
  python3-mpmath       # test-set references at 40 digits (solver/testsets/make_testsets.py)
  shared-mime-info desktop-file-utils   # MIME database refresh after file registration
  fonts-dejavu-core    # fonts for the typeset manual and headless rendering
  xvfb xauth           # lets the first README command start the program without a desktop
                       # and gives the manual's pictures a display of their own
  python3-markdown weasyprint   # the manual: Markdown to HTML to PDF with an outline
  qt6-pdf-dev          # reads the typeset manual back in its test
  x11-apps netpbm      # window screenshots under the virtual display (scripts/screenshots-viewers.sh)
  gcovr                # coverage figures per library (scripts/coverage.sh)
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
