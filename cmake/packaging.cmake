# Archives made with CPack: a .tar.gz of the whole installation on Linux, to
# unpack anywhere, and a .zip of the MinGW build on Windows. Both hold every
# part (programs, library, development files) in one archive. The Debian
# packages are made from debian/ instead (scripts/package makes them all).
set(CPACK_PACKAGE_NAME trevalk)
set(CPACK_PACKAGE_VENDOR "the trevalk authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Maze-shaped tile maps from a template map, and the maze library quendrel")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x86_64)
else()
  set(CPACK_GENERATOR TGZ)
endif()
include(CPack)
