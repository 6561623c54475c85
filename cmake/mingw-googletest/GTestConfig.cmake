# GoogleTest for a cross build: compiled from the sources Debian ships in
# /usr/src/googletest (package googletest) together with the project, and
# offered under the names an installed GoogleTest has (GTest::gtest,
# GTest::gtest_main, GTest::gmock).
set(_deskball_gtest_src /usr/src/googletest)
if(NOT EXISTS ${_deskball_gtest_src}/CMakeLists.txt)
  set(GTest_FOUND FALSE)
  set(GTest_NOT_FOUND_MESSAGE "no GoogleTest sources in ${_deskball_gtest_src} (Debian package googletest)")
  return()
endif()

if(NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${_deskball_gtest_src} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Its own warnings are not ours to fix.
  foreach(_t gtest gtest_main gmock gmock_main)
    target_compile_options(${_t} PRIVATE -w)
  endforeach()
endif()
foreach(_t gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${_t})
    add_library(GTest::${_t} ALIAS ${_t})
  endif()
endforeach()
set(GTest_FOUND TRUE)
