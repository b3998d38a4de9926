# The browser build (the "browser" preset; scripts/web-build): trevalk and
# trevalk-preview as classic scripts, each defining a factory that the page's
# worker calls afresh for every run. The maze library is linked into trevalk,
# where generator/linkedlibrary.cpp hands out its entry points from a table;
# the preview runs on one thread. zlib comes from scripts/build-wasm-zlib
# (ZLIB_LIBRARY, ZLIB_INCLUDE_DIR).
target_sources(trevalk_generator PRIVATE
  $<TARGET_OBJECTS:quendrel_objects> ${PROJECT_SOURCE_DIR}/generator/linkedlibrary.cpp)
# The programs tell the page's worker how far they are, and the preview its
# image's scale (system/progress.h).
target_sources(trevalk_system PRIVATE ${PROJECT_SOURCE_DIR}/system/progress.cpp)

set(TREVALK_WEB_LINK_OPTIONS
  -sMODULARIZE=1
  # Classic scripts rather than modules: a worker loads them with
  # importScripts, and the one-file page puts them in its worker's source.
  -sENVIRONMENT=worker
  # main runs when the worker calls callMain, and exit() ends the runtime, so
  # callMain returns the exit status and the output is flushed.
  -sINVOKE_RUN=0
  -sEXIT_RUNTIME=1
  -sALLOW_MEMORY_GROWTH=1
  -sMAXIMUM_MEMORY=2gb
  -sFORCE_FILESYSTEM=1)
# ENV carries QUENDREL_SEED to trevalk; the preview reads no environment, and
# its runtime has no ENV to hand out.
target_link_options(trevalk PRIVATE ${TREVALK_WEB_LINK_OPTIONS}
  -sEXPORT_NAME=createTrevalk -sEXPORTED_RUNTIME_METHODS=FS,ENV,callMain)
target_link_options(trevalk-preview PRIVATE ${TREVALK_WEB_LINK_OPTIONS}
  -sEXPORT_NAME=createTrevalkPreview -sEXPORTED_RUNTIME_METHODS=FS,callMain)

# The page's request checker (generator/trevalk-check.cpp): a module of its
# own, without the runtime's script, which the page instantiates on its own
# thread and calls for every check (web/checker.js).
add_executable(trevalk-check ${PROJECT_SOURCE_DIR}/generator/trevalk-check.cpp)
target_link_libraries(trevalk-check PRIVATE trevalk_generator)
set_target_properties(trevalk-check PROPERTIES SUFFIX ".wasm")
target_link_options(trevalk-check PRIVATE -sSTANDALONE_WASM --no-entry -sALLOW_MEMORY_GROWTH=1
  -sEXPORTED_FUNCTIONS=_trevalkcheck,_malloc,_free)
