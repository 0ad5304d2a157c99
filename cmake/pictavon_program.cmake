# pictavon_add_program(NAME SOURCE...): a program routine (the sources that define
# program_main) built into a program for the backend this build targets: the Linux program
# on SDL, or, with the mingw-w64 toolchain file, a static Windows .exe (WIN32 subsystem).
# The routine includes pictavon/routine.h; link any library of its own to NAME afterwards.
# The same function serves Pictavon's own examples, a project that builds Pictavon inside
# it, and one that finds an installed Pictavon (find_package(Pictavon)).
function(pictavon_add_program name)
  if(NOT ARGN)
    message(FATAL_ERROR "pictavon_add_program(${name}): no source file given; name the .cpp "
                        "files of the routine, the one that defines program_main among them")
  endif()
  add_executable(${name} WIN32 ${ARGN})
  if(WIN32)
    set_target_properties(${name} PROPERTIES PICTAVON_BACKEND Pictavon::platform_win32)
  elseif(EMSCRIPTEN)
    set_target_properties(${name} PROPERTIES PICTAVON_BACKEND Pictavon::platform_web)
    pictavon_web_page(${name})
  else()
    set_target_properties(${name} PROPERTIES PICTAVON_BACKEND Pictavon::platform_sdl)
  endif()
  target_link_libraries(${name} PRIVATE Pictavon::main)
endfunction()

# pictavon_program_files(NAME FILE...): files the routine opens by their plain names
# (balle.bmp). In a web page they are packed into the program; elsewhere the program opens
# them from the folder it is started in, so this does nothing.
function(pictavon_program_files name)
  if(NOT EMSCRIPTEN)
    return()
  endif()
  foreach(file IN LISTS ARGN)
    get_filename_component(path ${file} ABSOLUTE)
    get_filename_component(plain ${file} NAME)
    target_link_options(${name} PRIVATE "SHELL:--embed-file ${path}@/${plain}")
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${path})
  endforeach()
endfunction()

# pictavon_web_page(NAME): the program as a page, NAME.html beside NAME.js, NAME.wasm and
# NAME.worker.js.
function(pictavon_web_page name)
  set_target_properties(${name} PROPERTIES SUFFIX .html)
endfunction()
