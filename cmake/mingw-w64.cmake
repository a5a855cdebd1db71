# Cross build for 64-bit Windows with Debian's mingw-w64 (the posix thread model, which has
# std::thread). Everything is linked statically, so the programs need no DLLs beside them.
#
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(POPURAN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${POPURAN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${POPURAN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${POPURAN_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${POPURAN_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${POPURAN_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries, headers and packages come from the target's root only: the build machine's own
# Qt, libpng or GoogleTest must not be picked up. Programs (moc, windres) come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${POPURAN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The wide (UTF-16) Win32 API by default, no min/max macros, and a Windows 7 baseline.
set(POPURAN_WIN32_DEFINES "-DUNICODE -D_UNICODE -DNOMINMAX -D_WIN32_WINNT=0x0601")
set(CMAKE_C_FLAGS_INIT "${POPURAN_WIN32_DEFINES}")
set(CMAKE_CXX_FLAGS_INIT "${POPURAN_WIN32_DEFINES}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under wine when the build machine is not Windows.
if(NOT CMAKE_HOST_WIN32)
  find_program(POPURAN_WINE NAMES wine wine64)
  if(POPURAN_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${POPURAN_WINE})
  endif()
endif()

# GoogleTest is built from Debian's sources (libgtest-dev) with this toolchain.
if(EXISTS /usr/src/googletest/CMakeLists.txt)
  set(GTest_DIR ${CMAKE_CURRENT_LIST_DIR}/windows CACHE PATH "GoogleTest for the target")
endif()
# The tests are listed when ctest runs them, under the emulator, not at link time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
