# 64-bit Windows: the build the tests run under 64-bit Wine.
set(PICTRANO_MINGW_TRIPLET x86_64-w64-mingw32)
set(PICTRANO_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
