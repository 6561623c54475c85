# The part of the two mingw-w64 toolchain files that is the same for both;
# DESKBALL_MINGW_TRIPLET names the target.
set(CMAKE_C_COMPILER ${DESKBALL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DESKBALL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${DESKBALL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DESKBALL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# No GoogleTest is built for the target; find_package(GTest) picks up a
# package file that builds Debian's copy of its sources (/usr/src/googletest)
# as part of this build instead.
set(GTest_DIR ${CMAKE_CURRENT_LIST_DIR}/mingw-googletest CACHE PATH "GoogleTest for the target, built from source")

# Tests run through wine. Only a 64-bit wine is usable here, so the i686
# build is compiled and linked but its tests are not run.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  find_program(DESKBALL_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(DESKBALL_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${DESKBALL_WINE64})
  endif()
endif()
