# Cross-building for 64-bit Windows with Debian's mingw-w64, posix threads
# (the win32 thread model has no std::mutex). Give Qt for Windows with
# CMAKE_PREFIX_PATH (scripts/qt-windows.sh prints where it is).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Libraries and headers come from the target's side only; programs run on
# this machine.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# pkg-config would otherwise report this machine's Linux libraries.
set(ENV{PKG_CONFIG_LIBDIR} /usr/x86_64-w64-mingw32/lib/pkgconfig)

# Tests and programs built here run under wine.
find_program(SARVOLIN_WINE64 NAMES wine64 wine PATHS /usr/lib/wine)
if(SARVOLIN_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${SARVOLIN_WINE64})
endif()
