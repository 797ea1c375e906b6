# GoogleTest for web builds, compiled from Debian's sources (package googletest), and the test
# programs built to run under node (which emcmake makes the build's emulator): the script tests'
# files are the machine's own (NODERAWFS).
set(VELTA_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
if(NOT EXISTS ${VELTA_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest's sources are needed at ${VELTA_GOOGLETEST_SOURCE}")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${VELTA_GOOGLETEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set(GTest_FOUND ON)

# node runs the build's programs; emcmake names it with an option that this node no longer has.
find_program(VELTA_NODE node REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELTA_NODE})

# Tests that need what a page has and node has not (fonts), or what only the Linux build has.
set(VELTA_NODE_SKIPPED_TEST_SOURCES ${PROJECT_SOURCE_DIR}/tests/platform/font_files_test.cpp
                                    ${PROJECT_SOURCE_DIR}/tests/platform/text_test.cpp
                                    ${PROJECT_SOURCE_DIR}/tests/velta/draw_text.cpp)
set(VELTA_NODE_SKIPPED_TESTS
    "ConsoleTest.MessageIsDrawnOnTheBottomLineWithoutItsTrailingNewline:ConsoleTest.RepaintReplaysTheRingOldestFirst")

# velta_node_program(<target>): a program of the build that runs under node.
function(velta_node_program target)
  # SINGLE_FILE: this node cannot fetch a .wasm by its path.
  target_link_options(${target} PRIVATE -sENVIRONMENT=node -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sSINGLE_FILE=1
                                        -sALLOW_MEMORY_GROWTH=1)
endfunction()

# velta_node_suite(<name> <sources>): a GoogleTest program on the headless backend, run under
# node as one test.
function(velta_node_suite name sources)
  list(REMOVE_ITEM sources ${VELTA_NODE_SKIPPED_TEST_SOURCES})
  add_executable(${name} ${sources} ${PROJECT_SOURCE_DIR}/tests/web/test_main.cpp)
  velta_internal(${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE sim velta_headless gtest gmock)
  target_compile_definitions(${name} PRIVATE VELTA_TEST_ARTIFACTS="${PROJECT_BINARY_DIR}/artifacts")
  velta_node_program(${name})
  add_test(NAME node_${name} COMMAND ${name} --gtest_filter=-${VELTA_NODE_SKIPPED_TESTS}
                                          --gtest_brief=1)
  set_tests_properties(node_${name} PROPERTIES TIMEOUT 300)
endfunction()
