# Packages made with CPack from the install rules (cmake/VeltaInstall.cmake):
# - on Windows, velta-<version>-win64.zip: one folder with bin/ (traffic.exe and the examples),
#   include/, lib/ (the archives, the CMake package with the toolchain file, pkg-config files),
#   doc/ (the reference, the examples' sources) and LICENSE; scripts/build-windows makes it;
# - on Debian, libvelta-dev (the "dev" component) and velta-traffic (the "traffic" component);
#   scripts/package makes them in a build of their own, installed under /usr.
set(CPACK_PACKAGE_NAME velta)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "VELTA Traffic team")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME velta-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
else()
  set(VELTA_PACKAGE_MAINTAINER "VELTA Traffic team" CACHE STRING
      "The Maintainer field of the .deb packages")
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL dev traffic)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELTA_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Each package's description starts with its own summary line: the package-wide summary, which
  # CPack would otherwise take from the project and put first in both, stays empty.
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")

  # The library: static archives, so a program's link needs the development files of everything
  # they call (FLTK and Xlib with MIT-SHM's libXext for the desktop, FreeType and fontconfig for
  # text), and the package's CMake files run pkg-config and fltk-config to find them.
  set(CPACK_DEBIAN_DEV_PACKAGE_NAME libvelta-dev)
  set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
      "libfltk1.3-dev, libx11-dev, libxext-dev, libfreetype-dev, libfontconfig-dev, pkg-config")
  set(CPACK_DEBIAN_DEV_PACKAGE_RECOMMENDS "g++, cmake")
  set(CPACK_DEBIAN_DEV_PACKAGE_SUGGESTS "velta-traffic")
  set(CPACK_DEBIAN_DEV_DESCRIPTION
      "VELTA, a small graphics and event library for teaching (development files)
VELTA gives a C++ program a graphics window with a Run menu and a 600 x 500
picture in centred, y-up coordinates, a text window that works as a console,
24 named colours and one stream of mouse, key, periodic and quit events, with
logging of drawing calls and script recording and playback.
This package holds the header, the static libraries (the desktop one on FLTK
and a headless one for tests), the CMake package and pkg-config files, the
library reference and the sources of three example programs.")

  # The program: its shared libraries' packages, as dpkg-shlibdeps finds them.
  set(CPACK_DEBIAN_TRAFFIC_PACKAGE_NAME velta-traffic)
  set(CPACK_DEBIAN_TRAFFIC_PACKAGE_SECTION education)
  set(CPACK_DEBIAN_TRAFFIC_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_TRAFFIC_DESCRIPTION
      "traffic simulation on a street grid, written on VELTA
Vehicles are released from the edges of a grid of eight intersections joined
by sixteen one-way lanes, keep their distance, wait at red lights, turn toward
a random destination and disappear when they arrive. The Run menu halts,
steps and resumes the animation, logs the drawing and records and plays back
scripts of the session.")
endif()

include(CPack)
cpack_add_component(dev DISPLAY_NAME "VELTA library"
                    DESCRIPTION "The header, the archives, the CMake and pkg-config files")
cpack_add_component(traffic DISPLAY_NAME "VELTA Traffic" DESCRIPTION "The traffic simulation")
