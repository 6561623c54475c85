# Cross-building deskball for Windows with Debian's mingw-w64 (x86_64).
#   cmake -S . -B build/mingw64 --toolchain cmake/toolchain-x86_64-w64-mingw32.cmake
# The -posix compilers carry the winpthreads thread model, which std::thread
# and std::mutex need. Everything is linked statically (-static), so each
# .exe runs on a bare Windows without the compiler's DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DESKBALL_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
