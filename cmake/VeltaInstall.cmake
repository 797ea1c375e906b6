# What is installed, in two components:
# - "dev", the library: the public header, the archives (velta: the desktop library;
#   velta_headless: no display), a CMake package (find_package(velta CONFIG) gives velta::velta and
#   velta::headless), pkg-config files (velta.pc, velta-headless.pc), the library reference and
#   the examples' sources; on Windows also the MinGW-w64 toolchain file, for cross-building
#   programs against the package;
# - "traffic", the programs: the traffic simulation (velta-traffic on Linux, with a desktop entry
#   and icons drawn by the library; traffic.exe on Windows, with the examples' .exe files).
# cmake/VeltaPackaging.cmake makes packages of them: a .zip on Windows, .deb files on Debian.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Where the documentation goes. A Windows package keeps it in doc/ beside bin/ and lib/, where a
# student looks; Debian wants each package's in a folder named after the package (scripts/package).
if(WIN32)
  set(_velta_default_docdir doc)
else()
  set(_velta_default_docdir ${CMAKE_INSTALL_DOCDIR})
endif()
set(VELTA_LIBRARY_DOCDIR ${_velta_default_docdir} CACHE STRING
    "Where the library reference and the examples' sources are installed")
set(VELTA_TRAFFIC_DOCDIR ${_velta_default_docdir} CACHE STRING
    "Where the traffic program's documentation (its licence) is installed")

# ---- the library ----

set(VELTA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/velta)
install(FILES ${PROJECT_SOURCE_DIR}/include/velta/velta.h ${PROJECT_SOURCE_DIR}/include/velta/velta_test.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/velta COMPONENT dev)
install(TARGETS velta_api ${VELTA_INSTALLED_ARCHIVES} EXPORT velta-targets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
install(EXPORT velta-targets NAMESPACE velta:: DESTINATION ${VELTA_CMAKE_DIR} COMPONENT dev)

# On Windows a program built against the package links the C and C++ runtimes statically, as
# traffic.exe does, so that it is one .exe that runs on any Windows without MinGW's DLLs.
if(WIN32)
  set(VELTA_STATIC_LINK_FLAG -static)
  foreach(archive ${VELTA_INSTALLED_ARCHIVES})
    target_link_options(${archive} INTERFACE $<INSTALL_INTERFACE:${VELTA_STATIC_LINK_FLAG}>)
  endforeach()
endif()

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/velta-config.cmake.in
                              ${PROJECT_BINARY_DIR}/velta-config.cmake
                              INSTALL_DESTINATION ${VELTA_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/velta-config-version.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/velta-config.cmake
              ${PROJECT_BINARY_DIR}/velta-config-version.cmake
              ${PROJECT_SOURCE_DIR}/cmake/VeltaDependencies.cmake
              ${PROJECT_SOURCE_DIR}/cmake/VeltaGrader.cmake
        DESTINATION ${VELTA_CMAKE_DIR} COMPONENT dev)
if(WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw-w64.cmake
          DESTINATION ${VELTA_CMAKE_DIR} COMPONENT dev)
endif()

# pkg-config: the archives are static, so everything they need is listed for every link.
if(WIN32)
  set(VELTA_PC_REQUIRES "")
  set(VELTA_PC_SYSTEM_LIBS " -lgdi32")
  set(VELTA_PC_DESKTOP_LIBS " -luser32 -lgdi32")
  set(VELTA_PC_DESKTOP "Windows (Win32)")
  string(APPEND VELTA_PC_SYSTEM_LIBS " ${VELTA_STATIC_LINK_FLAG}")
  string(APPEND VELTA_PC_DESKTOP_LIBS " ${VELTA_STATIC_LINK_FLAG}")
else()
  set(VELTA_PC_REQUIRES "Requires: freetype2 fontconfig")
  set(VELTA_PC_SYSTEM_LIBS "")
  set(VELTA_PC_DESKTOP_LIBS "")
  foreach(lib ${VELTA_FLTK_LIBRARIES})
    get_filename_component(name ${lib} NAME_WE)
    string(REGEX REPLACE "^lib" "" name ${name})
    string(APPEND VELTA_PC_DESKTOP_LIBS " -l${name}")
  endforeach()
  set(VELTA_PC_DESKTOP "the desktop (FLTK)")
endif()
file(RELATIVE_PATH VELTA_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" VELTA_PC_TO_PREFIX ${VELTA_PC_TO_PREFIX})
foreach(pc velta velta-headless)
  if(pc STREQUAL "velta" AND NOT TARGET velta)
    continue()
  endif()
  if(pc STREQUAL "velta")
    set(VELTA_PC_LIB velta)
    set(VELTA_PC_EXTRA "${VELTA_PC_DESKTOP_LIBS}")
    set(VELTA_PC_WHAT "on ${VELTA_PC_DESKTOP}")
  else()
    set(VELTA_PC_LIB velta_headless)
    set(VELTA_PC_EXTRA "${VELTA_PC_SYSTEM_LIBS}")
    set(VELTA_PC_WHAT "without a display, for tests")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/velta.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
          COMPONENT dev)
endforeach()

# The reference with its pictures, and the examples' sources with the CMakeLists.txt that builds
# them against the installed package.
install(FILES ${PROJECT_SOURCE_DIR}/docs/library.md ${PROJECT_SOURCE_DIR}/docs/colours.png
              ${PROJECT_SOURCE_DIR}/docs/coordinates.png
        DESTINATION ${VELTA_LIBRARY_DOCDIR} COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/examples/CMakeLists.txt
              ${PROJECT_SOURCE_DIR}/examples/draw_with_mouse.cpp
              ${PROJECT_SOURCE_DIR}/examples/bouncing_ball.cpp
              ${PROJECT_SOURCE_DIR}/examples/paddle.cpp
              ${PROJECT_SOURCE_DIR}/examples/colours.cpp
        DESTINATION ${VELTA_LIBRARY_DOCDIR}/examples COMPONENT dev)

# The licence: at the top of a Windows package; on Linux as each package's copyright file.
if(WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . COMPONENT dev)
else()
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${VELTA_LIBRARY_DOCDIR}
          RENAME copyright COMPONENT dev)
  if(NOT VELTA_TRAFFIC_DOCDIR STREQUAL VELTA_LIBRARY_DOCDIR)
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${VELTA_TRAFFIC_DOCDIR}
            RENAME copyright COMPONENT traffic)
  endif()
endif()

# ---- the programs ----

if(TARGET traffic AND WIN32)
  install(TARGETS traffic RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT traffic)
  foreach(example draw_with_mouse bouncing_ball colours paddle)
    if(TARGET ${example})
      install(TARGETS ${example} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT traffic)
    endif()
  endforeach()
elseif(TARGET traffic AND EMSCRIPTEN)
  # In a browser the program is a page, with its script and its WebAssembly beside it; the page's
  # own script and shell go with the library, for programs built on it.
  install(FILES $<TARGET_FILE:traffic> $<TARGET_FILE_DIR:traffic>/traffic.js
                $<TARGET_FILE_DIR:traffic>/traffic.wasm
          DESTINATION ${CMAKE_INSTALL_DATADIR}/velta/traffic COMPONENT traffic)
elseif(TARGET traffic)
  # On Linux the program is velta-traffic, a name that says whose it is among the system's
  # commands. Installed as a file under that name, it is stripped here when the install strips.
  install(PROGRAMS $<TARGET_FILE:traffic> DESTINATION ${CMAKE_INSTALL_BINDIR}
          RENAME velta-traffic COMPONENT traffic)
  if(CMAKE_STRIP)
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\"
                        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/velta-traffic\")
      endif()" COMPONENT traffic)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/apps/traffic/velta-traffic.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT traffic)
  foreach(size ${VELTA_ICON_SIZES})
    install(FILES ${VELTA_ICON_DIR}/${size}/velta-traffic.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            COMPONENT traffic)
  endforeach()
endif()

if(EMSCRIPTEN)
  install(FILES ${PROJECT_SOURCE_DIR}/platform/web/page.js ${PROJECT_SOURCE_DIR}/platform/web/shell.html
          DESTINATION ${CMAKE_INSTALL_DATADIR}/velta/web COMPONENT dev)
endif()
