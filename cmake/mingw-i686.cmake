# The shipped build: 32-bit Windows. SSE2 arithmetic instead of x87 keeps every floating-point
# result in IEEE double, so this build writes the same bytes as every other.
set(PICTRANO_MINGW_TRIPLET i686-w64-mingw32)
set(PICTRANO_MINGW_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
