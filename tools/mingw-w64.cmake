# Cross-builds the 64-bit Windows programs with Debian's mingw-w64 (posix threads) and runs
# whatever CTest starts under Wine, in one Wine prefix kept in the build folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ run-time, libgcc and winpthreads linked in: the .exe needs no DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# wine64 where it is on the path, else Debian's `wine`, which starts wine64 when wine32 is
# missing. The prefix is made on first use (some seconds and some hundred megabytes) and
# then shared by every test of the build; Mono and Gecko are not wanted and not asked for.
find_program(PICTAVON_WINE NAMES wine64 wine)
if(PICTAVON_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDLLOVERRIDES=mscoree,mshtml=
      WINEDEBUG=-all ${PICTAVON_WINE})
endif()
