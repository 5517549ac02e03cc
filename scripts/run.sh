#!/usr/bin/env bash
# Builds the native window (FLTK, no Wine) and opens it on the current desktop
# ($DISPLAY), in the working directory out/ holding the sample zarbel.dat and
# config.txt; result files (list.txt, syokiseed.txt, zure.txt) land there and
# open with the desktop's viewer. Installs what is missing first. The Windows
# program under Wine: scripts/run-win.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh g++ cmake ninja-build libfltk1.3-dev libxcursor-dev libxinerama-dev libxft-dev libxext-dev fonts-ipafont-gothic xdg-utils
# A build directory of its own: the program alone, without the tests' libraries.
cmake -S . -B build-app -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNHOLT_TESTS=OFF -DVARNHOLT_BENCH=OFF >/dev/null
cmake --build build-app --target varnholt
mkdir -p out
for f in zarbel.dat config.txt; do [ -e "out/$f" ] || cp "sample/$f" out/; done
if [ -z "${DISPLAY:-}" ]; then
  echo "no desktop: DISPLAY is not set. Built build-app/varnholt; start it on a desktop with" >&2
  echo "  cd out && ../build-app/varnholt" >&2
  exit 1
fi
cd out
echo "opening the window; close it to return"
exec ../build-app/varnholt
