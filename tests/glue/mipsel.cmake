# What a console SDK's toolchain file adds to the README's: find_package
# looks in the (empty) sysroot only, so zentro is found through
# -Dzentro_DIR. The glue test writes the README's toolchain file with this
# one included at its end.
set(CMAKE_FIND_ROOT_PATH /nonexistent/console-sysroot)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
