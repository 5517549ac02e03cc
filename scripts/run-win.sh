#!/usr/bin/env bash
# Builds the Windows program and opens its window under Wine (installed if
# missing) on the current desktop ($DISPLAY), in the working directory out/
# holding the sample zarbel.dat and config.txt; result files (list.txt,
# syokiseed.txt, zure.txt) land there. The window reads the same under any
# locale; a Japanese font is installed for its texts. The native window
# without Wine: scripts/run.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh wine wine64 fonts-ipafont-gothic
bash scripts/build-win.sh build-win
mkdir -p out
for f in zarbel.dat config.txt; do [ -e "out/$f" ] || cp "sample/$f" out/; done
if [ -z "${DISPLAY:-}" ]; then
  echo "no desktop: DISPLAY is not set. Built build-win/varnholt.exe; start it on a desktop with" >&2
  echo "  cd out && ../cmake/wine-run.sh ../build-win/varnholt.exe" >&2
  exit 1
fi
cd out
echo "opening the window (Wine); close it to return"
exec ../cmake/wine-run.sh ../build-win/varnholt.exe
