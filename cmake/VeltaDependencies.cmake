# What the library needs from the system, found the same way when the library is built and when a
# program finds the installed package (velta-config.cmake includes this file):
# - FreeType and fontconfig (pkg-config), for text: PkgConfig::FREETYPE, PkgConfig::FONTCONFIG;
# - with VELTA_FLTK, the desktop backend's FLTK and X11: VELTA_FLTK_LIBRARIES, and
#   VELTA_FLTK_INCLUDE_DIRS for building the backend.
# FLTK is asked through its own fltk-config tool for the libraries it needs (its CMake files on
# Debian 12 name paths that do not exist).
# Windows builds draw text with GDI, which Windows has, and web builds with the browser's fonts.
if(NOT WIN32 AND NOT EMSCRIPTEN)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
  pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
endif()

if(VELTA_FLTK)
  find_package(X11 REQUIRED)
  find_program(VELTA_FLTK_CONFIG fltk-config)
  if(NOT VELTA_FLTK_CONFIG)
    message(FATAL_ERROR "fltk-config not found: install FLTK 1.3 (libfltk1.3-dev)")
  endif()
  execute_process(COMMAND ${VELTA_FLTK_CONFIG} --ldflags OUTPUT_VARIABLE _velta_fltk_ldflags
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${VELTA_FLTK_CONFIG} --includedir OUTPUT_VARIABLE VELTA_FLTK_INCLUDE_DIRS
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  separate_arguments(_velta_fltk_ldflags UNIX_COMMAND "${_velta_fltk_ldflags}")
  # Each -lname becomes the library found by that name; -L folders are searched first.
  set(_velta_fltk_dirs)
  set(VELTA_FLTK_LIBRARIES)
  foreach(flag ${_velta_fltk_ldflags})
    if(flag MATCHES "^-L(.+)")
      list(APPEND _velta_fltk_dirs ${CMAKE_MATCH_1})
    elseif(flag MATCHES "^-l(.+)")
      set(_name ${CMAKE_MATCH_1})
      find_library(VELTA_LIB_${_name} ${_name} HINTS ${_velta_fltk_dirs})
      if(NOT VELTA_LIB_${_name})
        message(FATAL_ERROR "library ${_name}, which FLTK needs, not found")
      endif()
      list(APPEND VELTA_FLTK_LIBRARIES ${VELTA_LIB_${_name}})
    endif()
  endforeach()
  # The backend itself calls Xlib, and MIT-SHM's functions in libXext; nothing else of X11's
  # (X11_LIBRARIES would add the session libraries SM and ICE, which no program here needs).
  if(NOT X11_Xext_LIB)
    message(FATAL_ERROR "libXext, which the desktop backend needs, not found: install libxext-dev")
  endif()
  list(APPEND VELTA_FLTK_LIBRARIES ${X11_X11_LIB} ${X11_Xext_LIB})
  list(REMOVE_DUPLICATES VELTA_FLTK_LIBRARIES)
endif()
