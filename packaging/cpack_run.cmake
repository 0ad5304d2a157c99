# Read by cpack at each run (CPACK_PROJECT_CONFIG_FILE). A run for one component names its
# package, and so the zip's one folder, after that component's zip: pictavon-sdk-VERSION-win64/
# for the development kit.
list(LENGTH CPACK_COMPONENTS_ALL component_count)
if(component_count EQUAL 1)
  string(TOUPPER "${CPACK_COMPONENTS_ALL}" component)
  if(CPACK_ARCHIVE_${component}_FILE_NAME)
    set(CPACK_PACKAGE_FILE_NAME ${CPACK_ARCHIVE_${component}_FILE_NAME})
  endif()
endif()
