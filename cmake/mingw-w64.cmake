# Cross-builds for 64-bit Windows with MinGW-w64 (posix threads: std::thread needs them), for the game and for
# the libraries that scripts/windows builds. Libraries, headers and CMake packages come only from the MinGW
# tree and from the folder in WINDLAP_WINDOWS_DEPS (scripts/windows lays the libraries there); programs run
# during the build are the host's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_AR ${triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${triple}-gcc-ranlib-posix CACHE FILEPATH "")

# Read from the environment: try_compile projects see the environment but not the caller's variables.
set(CMAKE_FIND_ROOT_PATH /usr/${triple} $ENV{WINDLAP_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
