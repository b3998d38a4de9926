# JSON, read and written with nlohmann's header-only library (Debian's
# nlohmann-json3-dev): the fairness report and the page's request checker.
# Every build takes the host's header, the cross builds (Windows, the
# browser) too: only the header's own folder is put on their include path,
# never the host's whole /usr/include, through a link in the build tree.
find_path(TREVALK_JSON_FOLDER nlohmann/json.hpp PATHS /usr/include /usr/local/include
  NO_CMAKE_FIND_ROOT_PATH)
if(NOT TREVALK_JSON_FOLDER)
  message(FATAL_ERROR "nlohmann/json.hpp not found: install Debian's nlohmann-json3-dev")
endif()
set(trevalk_json_include ${PROJECT_BINARY_DIR}/json-include)
file(MAKE_DIRECTORY ${trevalk_json_include})
file(CREATE_LINK ${TREVALK_JSON_FOLDER}/nlohmann ${trevalk_json_include}/nlohmann SYMBOLIC)
add_library(trevalk_json INTERFACE)
target_include_directories(trevalk_json SYSTEM INTERFACE ${trevalk_json_include})
# The library reports a fault by throwing; the programs ask it not to
# (parsing with allow_exceptions off, writing with invalid text replaced),
# and the browser build, which catches nothing, aborts on anything else.
if(EMSCRIPTEN)
  target_compile_definitions(trevalk_json INTERFACE JSON_NOEXCEPTION)
endif()
