# Cross toolchain for the Windows program: Debian's MinGW-w64, 64-bit, posix
# thread model (std::thread needs it), with a fully static runtime.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VARNHOLT_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${VARNHOLT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNHOLT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${VARNHOLT_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VARNHOLT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# No runtime DLLs beside the executables (without -static, threads pull in libwinpthread-1.dll).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Cross-built test programs run through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
