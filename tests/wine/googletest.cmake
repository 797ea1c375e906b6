# GoogleTest for Windows builds, compiled from Debian's sources (package googletest), and the
# unit suites run under Wine: one test per suite, each a run of its program under the Wine prefix
# that the wine_prefix fixture makes once for the whole test run.
set(VELTA_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
if(NOT EXISTS ${VELTA_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest's sources are needed at ${VELTA_GOOGLETEST_SOURCE}")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${VELTA_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Sources that read what only the Linux build has: the fontconfig lookup's own tests.
set(VELTA_LINUX_ONLY_TEST_SOURCES ${CMAKE_SOURCE_DIR}/tests/platform/font_files_test.cpp)
# Tests that check the FreeType service's own metrics and faces (the 13-pixel imitation of the
# fixed raster font, exact em heights, the fallback to DejaVu Sans); the GDI service's faces and
# metrics are those of Windows' font mapper (Wine's, under Wine).
set(VELTA_LINUX_ONLY_TESTS "TextMetrics.*:TextOutput.UnknownFaceFallsBackToNormalSans")

set(VELTA_WINE_RUN ${CMAKE_SOURCE_DIR}/tests/wine/wine_run.sh)
set(VELTA_WINE_STATE ${CMAKE_BINARY_DIR}/wine-run)

# velta_wine_suite(<name> <sources> <libraries...>): a cross-built GoogleTest program run under
# Wine as one test.
function(velta_wine_suite name sources)
  list(REMOVE_ITEM sources ${VELTA_LINUX_ONLY_TEST_SOURCES})
  add_executable(${name} ${sources} ${CMAKE_SOURCE_DIR}/tests/wine/test_main.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARGN} platform_headless gtest gmock)
  target_compile_definitions(${name} PRIVATE VELTA_TEST_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts")
  add_test(NAME wine_${name}
           COMMAND ${VELTA_WINE_RUN} ${VELTA_WINE_STATE} $<TARGET_FILE:${name}>
                   --gtest_filter=-${VELTA_LINUX_ONLY_TESTS} --gtest_brief=1)
  set_tests_properties(wine_${name} PROPERTIES FIXTURES_REQUIRED wine_prefix RESOURCE_LOCK wine
                                               TIMEOUT 300)
endfunction()
