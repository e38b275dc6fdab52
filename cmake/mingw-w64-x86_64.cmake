# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the POSIX
# thread model, which std::thread and std::mutex need). The programs link
# the C++ runtime statically, so they run without MinGW's DLLs; the tests
# run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# Only kernel32 (and the C runtime) is imported; every other system library
# is bound at run time, so a direct call into one fails to link.
set(CMAKE_C_STANDARD_LIBRARIES "-lkernel32" CACHE STRING "" FORCE)
set(CMAKE_CXX_STANDARD_LIBRARIES "-lkernel32" CACHE STRING "" FORCE)
