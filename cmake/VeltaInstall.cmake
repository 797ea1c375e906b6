# Installs the public header, the archives (velta: the desktop library; velta_headless: no display),
# a CMake package (find_package(velta CONFIG) gives velta::velta and velta::headless) and
# pkg-config files (velta.pc, velta-headless.pc).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VELTA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/velta)
install(FILES ${PROJECT_SOURCE_DIR}/include/velta/velta.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/velta)
install(TARGETS velta_api ${VELTA_INSTALLED_ARCHIVES} EXPORT velta-targets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT velta-targets NAMESPACE velta:: DESTINATION ${VELTA_CMAKE_DIR})

if(TARGET velta)
  set(VELTA_PACKAGE_HAS_DESKTOP ON)
else()
  set(VELTA_PACKAGE_HAS_DESKTOP OFF)
endif()
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/velta-config.cmake.in
                              ${PROJECT_BINARY_DIR}/velta-config.cmake
                              INSTALL_DESTINATION ${VELTA_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/velta-config-version.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/velta-config.cmake
              ${PROJECT_BINARY_DIR}/velta-config-version.cmake
              ${PROJECT_SOURCE_DIR}/cmake/VeltaDependencies.cmake
        DESTINATION ${VELTA_CMAKE_DIR})

# pkg-config: the archives are static, so their dependencies are listed for every link.
set(VELTA_PC_LIBS_EXTRA "")
foreach(lib ${VELTA_FLTK_LIBRARIES})
  get_filename_component(name ${lib} NAME_WE)
  string(REGEX REPLACE "^lib" "" name ${name})
  string(APPEND VELTA_PC_LIBS_EXTRA " -l${name}")
endforeach()
file(RELATIVE_PATH VELTA_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
foreach(pc velta velta-headless)
  if(pc STREQUAL "velta" AND NOT TARGET velta)
    continue()
  endif()
  if(pc STREQUAL "velta")
    set(VELTA_PC_LIB velta)
    set(VELTA_PC_EXTRA "${VELTA_PC_LIBS_EXTRA}")
    set(VELTA_PC_WHAT "on the desktop (FLTK)")
  else()
    set(VELTA_PC_LIB velta_headless)
    set(VELTA_PC_EXTRA "")
    set(VELTA_PC_WHAT "without a display, for tests")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/velta.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
