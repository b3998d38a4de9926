# The maze library quendrel: find_package(quendrel CONFIG) gives the
# imported target quendrel::quendrel (the shared library and quendrel.h).
include(${CMAKE_CURRENT_LIST_DIR}/quendrelTargets.cmake)
