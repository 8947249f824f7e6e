# Cross build with Debian's i686-w64-mingw32 toolchain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VYN_MINGW_TRIPLE i686-w64-mingw32)

# The posix thread model gives std::thread and std::mutex; -static links
# its runtime in.
set(CMAKE_C_COMPILER   ${VYN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VYN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${VYN_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VYN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every .exe and .dll needs only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
