# Cross-building for 32-bit Windows with Debian's mingw-w64, posix threads
# (the win32 thread model has no std::mutex). Give Qt for 32-bit Windows with
# CMAKE_PREFIX_PATH (`scripts/qt-windows.sh win32` prints where it is).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

# Libraries and headers come from the target's side only; programs run on
# this machine.
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# pkg-config would otherwise report this machine's Linux libraries.
set(ENV{PKG_CONFIG_LIBDIR} /usr/i686-w64-mingw32/lib/pkgconfig)

# Tests and programs built here run under 32-bit wine: Debian's wine32 where
# installed, or a wine on the PATH, or else the wine of the 32-bit root that
# scripts/wine32-root.sh makes (which says how, if it is not made yet).
find_program(SARVOLIN_WINE32 NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(SARVOLIN_WINE32 NAMES wine)
find_program(SARVOLIN_WINE32 NAMES wine PATHS ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine32
    NO_DEFAULT_PATH)
if(SARVOLIN_WINE32)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${SARVOLIN_WINE32})
endif()
