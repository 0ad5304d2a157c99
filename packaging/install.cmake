# Installation and packages. Linux: the program under libexec/pictavon/, started by the
# launcher bin/pictavon or the desktop entry in the sprite's folder share/pictavon/; a .deb
# (cpack). Windows: one folder with pictavon.exe, balle.bmp and the README; a .zip (cpack).
# The development kit (packaging/development.cmake) goes beside it: libpictavon-dev and
# the Windows SDK zip. tools/package.sh makes all the packages.

# A page is no installed program: tools/package-web.sh makes the web zips from the build.
if(EMSCRIPTEN)
  return()
endif()

# The rules below install the program: the Program component, the demo's package.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME Program)
set(pictavon_docs ${PROJECT_SOURCE_DIR}/docs/start-view.png ${PROJECT_SOURCE_DIR}/docs/flight.gif
                  ${PROJECT_SOURCE_DIR}/docs/font.png)
list(APPEND pictavon_docs ${PROJECT_SOURCE_DIR}/docs/shapes.png)  # the README's picture of the shapes

if(WIN32)
  # Everything in one folder: the program reads balle.bmp from where it is started.
  install(TARGETS pictavon RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/assets/balle.bmp ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  install(FILES ${pictavon_docs} DESTINATION docs)
else()
  # The program reads balle.bmp from its working directory, so users start it through the
  # launcher, which enters the sprite's folder first: the program itself is not on the PATH.
  set(pictavon_program_dir ${CMAKE_INSTALL_LIBEXECDIR}/pictavon)
  set(pictavon_data_dir ${CMAKE_INSTALL_DATADIR}/pictavon)
  install(TARGETS pictavon RUNTIME DESTINATION ${pictavon_program_dir})
  install(FILES ${PROJECT_SOURCE_DIR}/assets/balle.bmp DESTINATION ${pictavon_data_dir})
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${pictavon_docs} DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)

  # The launcher finds the program and the sprite relative to itself, so an installation
  # can be moved or staged (cmake --install --prefix, DESTDIR) and still work.
  file(RELATIVE_PATH launcher_to_data ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/pictavon)
  file(RELATIVE_PATH launcher_to_program ${CMAKE_INSTALL_FULL_BINDIR}
       ${CMAKE_INSTALL_FULL_LIBEXECDIR}/pictavon/pictavon)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/pictavon.in ${PROJECT_BINARY_DIR}/packaging/pictavon @ONLY)
  install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/pictavon DESTINATION ${CMAKE_INSTALL_BINDIR})

  # A desktop entry holds absolute paths: it is written when installing, for the prefix
  # installed into (cmake --install --prefix, or /usr in the .deb), escaped for its format.
  install(CODE "
    include(\"${CMAKE_CURRENT_LIST_DIR}/desktop_entry.cmake\")
    pictavon_desktop_exec_argument(program \"\${CMAKE_INSTALL_PREFIX}/${pictavon_program_dir}/pictavon\")
    pictavon_desktop_string(data_dir \"\${CMAKE_INSTALL_PREFIX}/${pictavon_data_dir}\")
    configure_file(\"${CMAKE_CURRENT_LIST_DIR}/pictavon.desktop.in\"
                   \"${PROJECT_BINARY_DIR}/packaging/desktop/pictavon.desktop\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\"
         TYPE FILE FILES \"${PROJECT_BINARY_DIR}/packaging/desktop/pictavon.desktop\")
  ")

  # The icon: the ball, its colour key transparent, at two of the theme's sizes.
  find_program(PICTAVON_CONVERT convert)
  if(PICTAVON_CONVERT)
    set(icon_dir ${PROJECT_BINARY_DIR}/packaging/icons)
    set(icon_pam ${icon_dir}/pictavon.pam)
    add_custom_command(OUTPUT ${icon_dir}/32/pictavon.png ${icon_dir}/64/pictavon.png
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}/32 ${icon_dir}/64
                       COMMAND make_icon ${PROJECT_SOURCE_DIR}/assets/balle.bmp ${icon_pam}
                       COMMAND ${PICTAVON_CONVERT} ${icon_pam} -strip PNG32:${icon_dir}/32/pictavon.png
                       COMMAND ${PICTAVON_CONVERT} ${icon_pam} -sample 200% -strip PNG32:${icon_dir}/64/pictavon.png
                       DEPENDS make_icon ${PROJECT_SOURCE_DIR}/assets/balle.bmp VERBATIM)
    add_custom_target(pictavon_icon ALL DEPENDS ${icon_dir}/32/pictavon.png ${icon_dir}/64/pictavon.png)
    foreach(size 32 64)
      install(FILES ${icon_dir}/${size}/pictavon.png
              DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
  else()
    message(WARNING "ImageMagick's convert was not found: the installation will have no icon")
  endif()
endif()

# Packages: cpack in the build folder, or tools/package.sh for both.
set(CPACK_PACKAGE_NAME pictavon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pictavon")
set(CPACK_PACKAGE_CONTACT "Pictavon developers <pictavon@localhost>")
set(CPACK_STRIP_FILES ON)
# One package per component: the program's, and the development kit's.
set(CPACK_COMPONENTS_ALL Program Development)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  # A zip's one folder takes the name of the run's package (CPACK_PACKAGE_FILE_NAME), so each
  # zip comes from a run of its own: cpack makes the program's, and cpack -D
  # CPACK_COMPONENTS_ALL=Development the development kit's (packaging/cpack_run.cmake).
  set(CPACK_COMPONENTS_ALL Program)
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_run.cmake)
  set(CPACK_ARCHIVE_PROGRAM_FILE_NAME pictavon-${PROJECT_VERSION}-win64)
  set(CPACK_ARCHIVE_DEVELOPMENT_FILE_NAME pictavon-sdk-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # The run-time libraries (SDL2's among them) are found by dpkg-shlibdeps from what the
  # program links; without it they are named here.
  find_program(PICTAVON_SHLIBDEPS dpkg-shlibdeps)
  if(PICTAVON_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-2.0-0, libx11-6, libstdc++6, libgcc-s1, libc6")
  endif()
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME pictavon)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libpictavon-dev)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
  # What a link against the kit needs beside the compiler: SDL2 and Xlib (their .so and .pc
  # files, and the C library's through them). Not the demo's package.
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libsdl2-dev, libx11-dev")
  # Each package's description, its summary line first.
  set(CPACK_DEBIAN_PROGRAM_DESCRIPTION "Perspective floor demo on a tiny graphics host runtime\n\
An endless tiled floor in perspective, with a ball sprite, flown over with the arrow\n\
keys, A, R, C and E, in one 240 x 160 window.")
  set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "Pictavon's development kit: headers and static libraries\n\
The headers a program routine includes (pictavon/routine.h), the static libraries of the\n\
host runtime, its SDL2 backend and its entry point, a CMake package (find_package(Pictavon))\n\
and a pkg-config file (pictavon).")
endif()
include(CPack)
