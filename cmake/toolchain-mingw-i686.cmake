# The 32-bit release build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The win32 thread model: libstdc++ without winpthread, whose static library
# imports functions that Windows XP lacks (GetTickCount64, Vista and later).
# Statically linked: the programs need no runtime DLLs beside them. The
# header names Windows XP (5.1) as the oldest system that may load them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--gc-sections -static -static-libgcc -static-libstdc++ -Wl,--major-os-version,5,--minor-os-version,1,--major-subsystem-version,5,--minor-subsystem-version,1")
# Small rather than fast: the program spends its time waiting for the
# programs it starts. Functions and data nothing refers to are left out of
# the image (each in a section of its own, dropped by the linker).
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
# (The cache entries, since CMake's own defaults for GNU append -O3 to the
# _INIT values.)
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG" CACHE STRING "")
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG" CACHE STRING "")
