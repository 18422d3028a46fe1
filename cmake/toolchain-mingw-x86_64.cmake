# Win64 build of the same source, for running under wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The win32 thread model: libstdc++ without winpthread, whose static library
# imports functions that Windows XP lacks (GetTickCount64, Vista and later).
# Statically linked: the programs need no runtime DLLs beside them. The
# header names Windows XP x64 (5.2) as the oldest system that may load them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--gc-sections -static -static-libgcc -static-libstdc++ -Wl,--major-os-version,5,--minor-os-version,2,--major-subsystem-version,5,--minor-subsystem-version,2")
# Small rather than fast: the program spends its time waiting for the
# programs it starts. Functions and data nothing refers to are left out of
# the image (each in a section of its own, dropped by the linker).
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
# (The cache entries, since CMake's own defaults for GNU append -O3 to the
# _INIT values.)
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG" CACHE STRING "")
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG" CACHE STRING "")
