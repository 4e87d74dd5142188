# Cross-compiles for 64-bit Windows with Debian's mingw-w64.
# Usage: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#              -DCMAKE_PREFIX_PATH=BUILD_DIR/prefix ...
# where BUILD_DIR/prefix holds the static libraries scripts/windows-deps.sh
# cross-built (ORVAN_WINDOWS_PREFIX=... does the same).

# Read a second time as the rules override, after CMake's Windows-GNU platform
# file has made find_library prefer import libraries (libz.dll.a, whose .exe
# needs zlib1.dll) to static ones: static first.
if(DEFINED CMAKE_FIND_LIBRARY_SUFFIXES)
  set(CMAKE_FIND_LIBRARY_SUFFIXES ".a" ".dll.a" ".lib")
  return()
endif()
set(CMAKE_USER_MAKE_RULES_OVERRIDE "${CMAKE_CURRENT_LIST_FILE}")

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The -posix variants: the win32-thread ones have no std::thread or std::mutex.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# Searches only the mingw-w64 .pc files (the wrapper sets PKG_CONFIG_LIBDIR),
# plus the CMAKE_PREFIX_PATH ones pkg_check_modules adds, never the host's.
set(PKG_CONFIG_EXECUTABLE x86_64-w64-mingw32-pkg-config CACHE FILEPATH "pkg-config for the Windows target")

set(ORVAN_WINDOWS_PREFIX "" CACHE PATH "Prefix of the cross-built dependencies (scripts/windows-deps.sh BUILD_DIR installs them in BUILD_DIR/prefix)")
if(ORVAN_WINDOWS_PREFIX)
  list(APPEND CMAKE_PREFIX_PATH "${ORVAN_WINDOWS_PREFIX}")
endif()

# Libraries, headers and packages come from the target's roots only; the
# prefixes must be roots themselves, or CMake would look for them under
# /usr/x86_64-w64-mingw32. Programs (code generators, pkg-config) are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: libgcc, libstdc++ and winpthread linked in, no DLL
# to ship beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# ctest and gtest_discover_tests run the test executables under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
