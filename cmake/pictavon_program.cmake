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
  if(NOT EMSCRIPTEN)  # the twin is for tests on the machine that builds; a page needs none
    pictavon_add_replay_twin(${name} ${ARGN})
  endif()
endfunction()

# pictavon_add_program also makes NAME-replay, the program's headless twin: the same
# sources on the replay backend, a console program that needs no display (README, "Test
# your routine"). The libraries, include folders and definitions given to NAME afterwards
# reach it too.
function(pictavon_add_replay_twin name)
  add_executable(${name}-replay ${ARGN})
  set_target_properties(${name}-replay PROPERTIES PICTAVON_BACKEND Pictavon::platform_replay)
  target_link_libraries(${name}-replay PRIVATE Pictavon::replay_main
      "$<FILTER:$<TARGET_PROPERTY:${name},LINK_LIBRARIES>,EXCLUDE,^Pictavon::main$>")
  target_include_directories(${name}-replay PRIVATE "$<TARGET_PROPERTY:${name},INCLUDE_DIRECTORIES>")
  target_compile_definitions(${name}-replay PRIVATE "$<TARGET_PROPERTY:${name},COMPILE_DEFINITIONS>")
  target_compile_options(${name}-replay PRIVATE "$<TARGET_PROPERTY:${name},COMPILE_OPTIONS>")
endfunction()

# pictavon_add_replay_test(TEST PROGRAM NAME TIMELINE FILE GOLDEN FOLDER [ARGS ...]): a CTest
# test that plays NAME-replay along FILE and compares every picture in FOLDER (at-MS.png,
# present-N.png, last.png) with the replay's picture of that name. A picture that differs
# fails the test, naming its first differing pixel; the replay's picture and a difference
# picture are then left in the build folder, in TEST/ (NAME-difference.png). ARGS: more of
# the replay's options (--zoom, ...). The test runs in the current source folder, where the
# routine finds its files.
function(pictavon_add_replay_test test)
  if(EMSCRIPTEN)  # no twin in a web build: the native build runs these tests
    return()
  endif()
  cmake_parse_arguments(R "" "PROGRAM;TIMELINE;GOLDEN" "ARGS" ${ARGN})
  if(NOT R_PROGRAM OR NOT R_TIMELINE OR NOT R_GOLDEN)
    message(FATAL_ERROR "pictavon_add_replay_test(${test}): PROGRAM, TIMELINE and GOLDEN are needed")
  endif()
  get_filename_component(timeline ${R_TIMELINE} ABSOLUTE)
  get_filename_component(golden ${R_GOLDEN} ABSOLUTE)
  add_test(NAME ${test}
           COMMAND ${R_PROGRAM}-replay --replay ${timeline} --golden ${golden}
                   --pictures ${CMAKE_CURRENT_BINARY_DIR}/${test} ${R_ARGS}
           WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
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
