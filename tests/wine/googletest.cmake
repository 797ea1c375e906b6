# GoogleTest for Windows builds, compiled from Debian's sources (package googletest), and the
# programs of the tests run under Wine: each in the Wine prefix that the wine_prefix fixture makes
# once for the whole test run (tests/wine/CMakeLists.txt), through wine_run.sh, which ctest puts
# before every test program of this build.
set(VELTA_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
if(NOT EXISTS ${VELTA_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest's sources are needed at ${VELTA_GOOGLETEST_SOURCE}")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${VELTA_GOOGLETEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set(GTest_FOUND ON)

set(VELTA_WINE_STATE ${PROJECT_BINARY_DIR}/wine-run)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tests/wine/wine_run.sh ${VELTA_WINE_STATE})

# Sources that read what only the Linux build has: the fontconfig lookup's own tests.
set(VELTA_LINUX_ONLY_TEST_SOURCES ${PROJECT_SOURCE_DIR}/tests/platform/font_files_test.cpp)
# Tests that check the FreeType service's own metrics and faces (the 13-pixel imitation of the
# fixed raster font, exact em heights, the fallback to DejaVu Sans); the GDI service's faces and
# metrics are those of Windows' font mapper (Wine's, under Wine).
set(VELTA_LINUX_ONLY_TESTS "TextMetrics.*:TextOutput.UnknownFaceFallsBackToNormalSans")

# velta_wine_test(<test>): a test of this build runs in the run's Wine prefix, one at a time.
function(velta_wine_test name)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix RESOURCE_LOCK wine)
endfunction()

# velta_wine_suite(<name> <sources>): a cross-built GoogleTest program on the headless backend,
# run under Wine as one test.
function(velta_wine_suite name sources)
  list(REMOVE_ITEM sources ${VELTA_LINUX_ONLY_TEST_SOURCES})
  add_executable(${name} ${sources} ${PROJECT_SOURCE_DIR}/tests/wine/test_main.cpp)
  velta_internal(${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE sim velta_headless gtest gmock)
  target_compile_definitions(${name} PRIVATE VELTA_TEST_ARTIFACTS="${PROJECT_BINARY_DIR}/artifacts")
  add_test(NAME wine_${name}
           COMMAND ${name} --gtest_filter=-${VELTA_LINUX_ONLY_TESTS} --gtest_brief=1)
  set_tests_properties(wine_${name} PROPERTIES TIMEOUT 300)
  velta_wine_test(wine_${name})
endfunction()
