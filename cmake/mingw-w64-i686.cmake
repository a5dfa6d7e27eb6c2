# Cross-compiles zentro.exe for 32-bit Windows, XP and later, with
# MinGW-w64 (Debian's g++-mingw-w64-i686-win32).
set(ZENTRO_WINDOWS_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
