# The web backend (emcmake cmake): a page whose routine runs on a worker of its own. Its
# link options make every program a page: threads (the window thread on a worker of its own,
# PROXY_TO_PTHREAD, and the program thread, both preloaded), a fixed memory so that the
# page's views of it never go stale, the page's JavaScript and its shell. The web kit
# installs those two files beside the libraries.
add_library(pictavon_platform_web STATIC web/web_platform.cpp)
target_compile_options(pictavon_platform_web PUBLIC -pthread)
target_link_libraries(pictavon_platform_web PUBLIC pictavon_runtime)  # its code-page conversions
set(web_files_dir ${CMAKE_CURRENT_LIST_DIR})
set(web_kit_dir lib/pictavon/web)
target_link_options(pictavon_platform_web INTERFACE
  -pthread -sPROXY_TO_PTHREAD=1 -sPTHREAD_POOL_SIZE=2 -sEXIT_RUNTIME=1
  -sINITIAL_MEMORY=33554432 -sALLOW_MEMORY_GROWTH=0 -sENVIRONMENT=web,worker -sMINIFY_HTML=0
  "SHELL:--js-library $<BUILD_INTERFACE:${web_files_dir}>$<INSTALL_INTERFACE:$<INSTALL_PREFIX>/${web_kit_dir}>/web_library.js"
  "SHELL:--shell-file $<BUILD_INTERFACE:${web_files_dir}>$<INSTALL_INTERFACE:$<INSTALL_PREFIX>/${web_kit_dir}>/web_shell.html")
set_property(TARGET pictavon_platform_web APPEND PROPERTY INTERFACE_LINK_DEPENDS
             $<BUILD_INTERFACE:${web_files_dir}/web_library.js> $<BUILD_INTERFACE:${web_files_dir}/web_shell.html>)
if(PICTAVON_INSTALL)
  install(FILES ${web_files_dir}/web_library.js ${web_files_dir}/web_shell.html DESTINATION ${web_kit_dir}
          COMPONENT Development)
endif()
add_library(pictavon_main STATIC web/web_entry.cpp)
target_link_libraries(pictavon_main PUBLIC pictavon_runtime pictavon_platform_web)
