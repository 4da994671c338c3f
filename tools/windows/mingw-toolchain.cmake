# CMake toolchain for 64-bit Windows with Debian's MinGW-w64 compilers (the POSIX thread
# model, which std::thread and std::mutex need). LORVANE_WINDOWS_PREFIXES (a list, from the
# environment or the command line) names the folders where tools/windows.sh installed the
# libraries it cross-built; they are searched as if they were the target's root.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_AR ${triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${triple}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT LORVANE_WINDOWS_PREFIXES AND DEFINED ENV{LORVANE_WINDOWS_PREFIXES})
  set(LORVANE_WINDOWS_PREFIXES "$ENV{LORVANE_WINDOWS_PREFIXES}")
endif()
string(REPLACE ":" ";" LORVANE_WINDOWS_PREFIXES "${LORVANE_WINDOWS_PREFIXES}")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LORVANE_WINDOWS_PREFIXES)
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${LORVANE_WINDOWS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests built for Windows run under wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# Static zlib, so the programs need no zlib1.dll beside them.
set(ZLIB_USE_STATIC_LIBS ON)
