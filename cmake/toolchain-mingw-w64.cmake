# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix).
# Programs link the C and C++ runtimes and winpthread statically, so that each .exe is one file
# that needs only the DLLs that every Windows installation has.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELTA_MINGW_PREFIX x86_64-w64-mingw32)
# The posix flavour: std::thread and std::mutex need its threading model.
set(CMAKE_C_COMPILER ${VELTA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELTA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VELTA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELTA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Searches look only in Windows folders: the cross compiler's own, the Windows package this file
# came with (when installed in its lib/cmake/velta/), and the folders named in CMAKE_PREFIX_PATH
# (an unpacked Windows package, for one), so that find_package(velta) finds the package there.
get_filename_component(_velta_package_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(EXISTS "${_velta_package_prefix}/lib/cmake/velta/velta-config.cmake")
  list(APPEND CMAKE_FIND_ROOT_PATH "${_velta_package_prefix}")
endif()
foreach(_velta_prefix IN LISTS CMAKE_PREFIX_PATH)
  list(APPEND CMAKE_FIND_ROOT_PATH "${_velta_prefix}")
endforeach()
