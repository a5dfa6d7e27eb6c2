# The console: an R3000 without an operating system, built with Debian's
# mipsel-linux-gnu-gcc. find_package looks in the (empty) sysroot only, as
# console SDKs set it: zentro is found through -Dzentro_DIR.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR mipsel)
set(CMAKE_C_COMPILER mipsel-linux-gnu-gcc)
set(CMAKE_C_FLAGS_INIT "-march=r3000 -mno-abicalls -fno-pic -msoft-float -G0 -ffreestanding")
set(CMAKE_ASM_FLAGS_INIT "-march=r3000 -mno-abicalls -fno-pic -msoft-float -G0")
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_FIND_ROOT_PATH /nonexistent/console-sysroot)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
