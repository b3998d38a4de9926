# Packages made with CPack: a .tar.gz and a .deb on Linux, a .zip from the
# MinGW build (scripts/package makes all three).
set(CPACK_PACKAGE_NAME trevalk)
set(CPACK_PACKAGE_VENDOR "the trevalk authors")
set(CPACK_PACKAGE_CONTACT "the trevalk authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Maze-shaped tile maps from a template map, and the maze library quendrel")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x86_64)
else()
  set(CPACK_GENERATOR "TGZ;DEB")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "trevalk makes maps of water with paths of land laid out along a
random perfect maze, from a template map; trevalk-preview draws any map as a
PNG image. The maze library quendrel comes with its header, a pkg-config
file and a CMake package.")
  # Dependencies are read off the binaries, not typed by hand.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
