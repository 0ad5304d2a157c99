# Cross-builds the 64-bit Windows programs with Debian's mingw-w64 (posix threads).
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

# CTest runs the Windows programs under Wine (tools/wine-run.sh), all in one Wine prefix
# kept in the build folder.
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wine-prefix)
endif()

# Installed with a Pictavon development kit (PREFIX/lib/cmake/Pictavon/), this file makes
# the kit's prefix a root too: find_package looks only below the roots, and
# -DCMAKE_PREFIX_PATH=PREFIX then finds Pictavon there.
get_filename_component(pictavon_kit ${CMAKE_CURRENT_LIST_DIR}/../../.. ABSOLUTE)
if(EXISTS ${pictavon_kit}/include/pictavon/routine.h)
  list(APPEND CMAKE_FIND_ROOT_PATH ${pictavon_kit})
endif()
