# Shared part of the MinGW-w64 toolchain files: cross-builds Windows programs with Debian's
# toolchains. The posix thread model is the one whose libstdc++ has std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${PICTRANO_MINGW_PROCESSOR})

set(CMAKE_C_COMPILER ${PICTRANO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PICTRANO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PICTRANO_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PICTRANO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Each program runs alone: libgcc, libstdc++ and winpthread are linked in, so only system DLLs
# are imported.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
