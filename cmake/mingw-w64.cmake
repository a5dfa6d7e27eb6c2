# Cross-compiles zentro.exe for 64-bit Windows with MinGW-w64 (Debian's
# g++-mingw-w64-x86-64-posix); cmake/mingw-w64-i686.cmake sets
# ZENTRO_WINDOWS_PROCESSOR to i686 first, for 32-bit Windows from XP on
# (g++-mingw-w64-i686-win32). The executables are linked statically, so they
# need no MinGW DLLs and run on a bare Windows. The 32-bit build takes the
# compiler of Windows threads: the C++ runtime of the POSIX-threads one locks
# through its winpthreads, which imports GetTickCount64, not on XP.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT ZENTRO_WINDOWS_PROCESSOR)
  set(ZENTRO_WINDOWS_PROCESSOR x86_64)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${ZENTRO_WINDOWS_PROCESSOR})

set(ZENTRO_MINGW_TRIPLE ${ZENTRO_WINDOWS_PROCESSOR}-w64-mingw32)
if(ZENTRO_WINDOWS_PROCESSOR STREQUAL "i686")
  find_program(CMAKE_CXX_COMPILER NAMES ${ZENTRO_MINGW_TRIPLE}-g++-win32 REQUIRED)
else()
  find_program(CMAKE_CXX_COMPILER NAMES ${ZENTRO_MINGW_TRIPLE}-g++-posix ${ZENTRO_MINGW_TRIPLE}-g++
               REQUIRED)
endif()
find_program(CMAKE_RC_COMPILER NAMES ${ZENTRO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZENTRO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# --no-insert-timestamp: the executable's header carries no link time, so
# that the same source links to the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")

# The 32-bit build starts on Windows XP: the headers offer nothing newer,
# and the header asks for no newer Windows than XP's 5.1. Cross-built test
# programs run under wine: wine64 for 64-bit programs, wine for 32-bit ones.
set(wine_names wine64 wine)
if(ZENTRO_WINDOWS_PROCESSOR STREQUAL "i686")
  set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0501 -DWINVER=0x0501")
  string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT
         " -Wl,--major-subsystem-version,5,--minor-subsystem-version,1"
         " -Wl,--major-os-version,5,--minor-os-version,1")
  set(wine_names wine)
endif()
find_program(ZENTRO_WINE NAMES ${wine_names} PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZENTRO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZENTRO_WINE})
endif()
