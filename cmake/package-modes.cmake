# Run by CPack once it has installed the files to pack, before it packs them
# (CPACK_PRE_BUILD_SCRIPTS): every directory and program rwxr-xr-x, every
# other file rw-r--r--, whatever the umask the installation ran under.
execute_process(COMMAND chmod -R u=rwX,go=rX ${CPACK_TEMPORARY_DIRECTORY} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "package-modes.cmake: chmod ${CPACK_TEMPORARY_DIRECTORY} failed (${status})")
endif()
