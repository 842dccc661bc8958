# Release packages (scripts/package.sh): the zip through CPack, and the NSIS installer
# script generated here with the version and built by makensis from the installed tree.
install(TARGETS TestBench testcamctl testcam
  RUNTIME DESTINATION . LIBRARY DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE.txt
  ${PROJECT_SOURCE_DIR}/packaging/FIRST-STEPS.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME TestBench)
set(CPACK_PACKAGE_VENDOR Zarrow)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME TestBench-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/dist)
set(CPACK_STRIP_FILES ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
include(CPack)

set(TB_MANIFEST_VERSION
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
set(TB_ICON ${PROJECT_SOURCE_DIR}/src/app/TestBench.ico)
configure_file(${PROJECT_SOURCE_DIR}/packaging/TestBench.nsi.in
  ${CMAKE_BINARY_DIR}/packaging/TestBench.nsi @ONLY)
