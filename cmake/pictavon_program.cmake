# pictavon_add_program(NAME SOURCE...): a program routine (the sources that define
# program_main) built into a program for the backend this build targets: the Linux program
# on SDL, or, with the mingw-w64 toolchain file, a static Windows .exe (WIN32 subsystem).
# The routine includes pictavon/routine.h; link any library of its own to NAME afterwards.
function(pictavon_add_program name)
  if(WIN32)
    add_executable(${name} WIN32 ${ARGN} ${PICTAVON_ROOT}/platform/win32/win32_entry.cpp)
    target_link_libraries(${name} PRIVATE pictavon_runtime pictavon_platform_win32)
  else()
    add_executable(${name} ${ARGN} ${PICTAVON_ROOT}/platform/sdl/sdl_entry.cpp)
    target_link_libraries(${name} PRIVATE pictavon_runtime pictavon_platform_sdl)
  endif()
endfunction()
