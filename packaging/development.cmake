# The development kit, the Development component of cmake --install: the routine's headers
# under include/pictavon/, the static libraries (runtime, this build's backend, the entry),
# the CMake package (find_package(Pictavon), Pictavon:: targets, pictavon_add_program), on
# Linux a pkg-config file, and for a cross build the toolchain file it was made with.

# Every header the routine's headers include must be in the kit, where the include finds it
# from the including header's own folder: the user's include path is PREFIX/include alone,
# so a routine that includes pictavon/routine.h from an installed kit would not compile
# otherwise. Installed, pictavon/routine.h is include/pictavon/routine.h and host/input.h
# include/pictavon/host/input.h.
list(TRANSFORM PICTAVON_ROUTINE_HEADERS REPLACE "^pictavon/" "" OUTPUT_VARIABLE kit_headers)
foreach(header IN LISTS kit_headers)
  list(FIND kit_headers ${header} at)
  list(GET PICTAVON_ROUTINE_HEADERS ${at} source)
  get_filename_component(folder "${header}" DIRECTORY)
  file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/${source} includes REGEX "^#include \"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
    if(folder)
      cmake_path(SET included NORMALIZE "${folder}/${included}")
    endif()
    if(NOT included IN_LIST kit_headers)
      message(FATAL_ERROR "${source} includes ${included} as the kit lays it out, which is not among "
                          "PICTAVON_ROUTINE_HEADERS (CMakeLists.txt): the development kit would not "
                          "compile. Kit headers include each other relative to their own folder.")
    endif()
  endforeach()
endforeach()

set_target_properties(pictavon_runtime PROPERTIES EXPORT_NAME runtime)
set_target_properties(pictavon_main PROPERTIES EXPORT_NAME main)
string(REPLACE "pictavon_" "" backend_name ${PICTAVON_BACKEND})
set_target_properties(${PICTAVON_BACKEND} PROPERTIES EXPORT_NAME ${backend_name})
add_library(Pictavon::${backend_name} ALIAS ${PICTAVON_BACKEND})

# The replay (headless twins and a routine's own tests): Pictavon::platform_replay and
# Pictavon::replay_main in every native kit (a web build has no twins).
if(TARGET pictavon_platform_replay)
  set_target_properties(pictavon_platform_replay PROPERTIES EXPORT_NAME platform_replay)
  set_target_properties(pictavon_replay_main PROPERTIES EXPORT_NAME replay_main)
endif()

if(NOT PICTAVON_INSTALL)
  return()
endif()

# include/pictavon/routine.h beside the folders it includes from (include/pictavon/host/...):
# the package puts include/ alone on the include path, so that no folder of ours but
# pictavon/ meets the user's own.
foreach(header IN LISTS PICTAVON_ROUTINE_HEADERS)
  get_filename_component(folder ${header} DIRECTORY)
  string(REGEX REPLACE "^pictavon/?" "" folder "${folder}")
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/${header}
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/pictavon/${folder} COMPONENT Development)
endforeach()
install(TARGETS pictavon_runtime ${PICTAVON_BACKEND} pictavon_main EXPORT PictavonTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
if(TARGET pictavon_platform_replay)
  install(TARGETS pictavon_platform_replay pictavon_replay_main EXPORT PictavonTargets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
endif()

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Pictavon)
set(generated ${CMAKE_CURRENT_BINARY_DIR}/packaging/development)
install(EXPORT PictavonTargets NAMESPACE Pictavon:: DESTINATION ${package_dir} COMPONENT Development)
configure_file(${CMAKE_CURRENT_LIST_DIR}/PictavonConfig.cmake.in ${generated}/PictavonConfig.cmake @ONLY)
# Any 1.x kit serves a routine that asks for 1, and only a build for the consumer's system:
# a Windows kit is passed over by a Linux configuration, and the other way round.
include(CMakePackageConfigHelpers)
write_basic_package_version_file(${generated}/PictavonConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
file(APPEND ${generated}/PictavonConfigVersion.cmake "
if(NOT CMAKE_SYSTEM_NAME STREQUAL \"${CMAKE_SYSTEM_NAME}\")
  set(PACKAGE_VERSION \"\${PACKAGE_VERSION} (built for ${CMAKE_SYSTEM_NAME})\")
  set(PACKAGE_VERSION_UNSUITABLE TRUE)
endif()
")
install(FILES ${generated}/PictavonConfig.cmake ${generated}/PictavonConfigVersion.cmake
              ${CMAKE_CURRENT_SOURCE_DIR}/cmake/pictavon_program.cmake
        DESTINATION ${package_dir} COMPONENT Development)
# A consumer of a cross-built kit configures with the toolchain file it was built with.
if(CMAKE_CROSSCOMPILING AND CMAKE_TOOLCHAIN_FILE AND NOT EMSCRIPTEN)  # emcmake names its own
  install(FILES ${CMAKE_TOOLCHAIN_FILE} DESTINATION ${package_dir} COMPONENT Development)
endif()

# pkg-config: the libraries are static, so Libs names all that a link needs, in order. The
# prefix is found from the file's own place, so a staged or unpacked kit works too.
if(NOT WIN32 AND NOT EMSCRIPTEN)
  file(RELATIVE_PATH pc_to_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
  string(REGEX REPLACE "/$" "" pc_to_prefix "${pc_to_prefix}")
  # dlopen (the SDL backend opens libX11-xcb at run time): its own library on older C libraries.
  list(TRANSFORM CMAKE_DL_LIBS PREPEND -l OUTPUT_VARIABLE pc_dl_libs)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/pictavon.pc.in ${generated}/pictavon.pc @ONLY)
  install(FILES ${generated}/pictavon.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
          COMPONENT Development)
  # The headless twin of a routine: c++ ROUTINE.cpp $(pkg-config --cflags --libs pictavon-replay).
  configure_file(${CMAKE_CURRENT_LIST_DIR}/pictavon-replay.pc.in ${generated}/pictavon-replay.pc @ONLY)
  install(FILES ${generated}/pictavon-replay.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
          COMPONENT Development)
endif()
