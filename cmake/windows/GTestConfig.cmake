# GoogleTest for the Windows cross build: Debian ships its sources (libgtest-dev) but no
# libraries for the target, so they are built here as part of the project. Found through
# GTest_DIR, which the mingw-w64 toolchain file points at this folder.
if(NOT TARGET gtest)
  set(POPURAN_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${POPURAN_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Their own sources are not held to the project's warning flags.
  foreach(target gtest gtest_main gmock gmock_main)
    target_compile_options(${target} PRIVATE -w)
  endforeach()
endif()
foreach(target gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${target})
    add_library(GTest::${target} ALIAS ${target})
  endif()
endforeach()
set(GTest_FOUND TRUE)
