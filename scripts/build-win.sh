#!/usr/bin/env bash
# Cross-builds the Windows program with MinGW-w64 into build-win/: varnholt.exe,
# varnholt-autoscroll.exe, the end-to-end test's window-probe.exe and the
# release archive varnholt-win64.zip. Installs the cross compiler if missing.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build-win}
bash scripts/deps.sh g++-mingw-w64-x86-64-posix cmake ninja-build
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" --target varnholt varnholt-autoscroll window-probe release
# Self-contained: nothing but the system's own DLLs.
for exe in varnholt.exe varnholt-autoscroll.exe; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$BUILD/$exe" | awk '/DLL Name/{print $3}' | sort | tr '\n' ' ')
  extra=$(echo "$dlls" | tr ' ' '\n' | grep -viE '^(KERNEL32|USER32|GDI32|WINMM|msvcrt)\.dll$' | grep . || true)
  [ -z "$extra" ] || { echo "$exe imports $extra" >&2; exit 1; }
  echo "$exe: $dlls"
done
echo "release archive: $BUILD/varnholt-win64.zip"
