# Run by CPack after it has made the packages (CPACK_POST_BUILD_SCRIPTS):
# packs each .tar.gz and .zip again so that its bytes depend on its files
# alone. The members are sorted by name, owned by root, rw-r--r-- or
# rwxr-xr-x, and dated SOURCE_DATE_EPOCH; the gzip stream stores no name and
# no time, and the zip no owner and no time but the members' (in UTC). The
# Debian package needs none of this: CPack makes it so.
set(time $ENV{SOURCE_DATE_EPOCH})

# run(COMMAND...): runs a command in the unpacked archive, or stops CPack.
function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${work} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "package-repack.cmake: ${ARGN} failed (${status})")
  endif()
endfunction()

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.(tar\\.gz|zip)$")
    continue()
  endif()
  set(work ${package}.repack)
  file(REMOVE_RECURSE ${work})
  file(MAKE_DIRECTORY ${work})
  run(${CMAKE_COMMAND} -E tar xf ${package})
  file(GLOB_RECURSE members LIST_DIRECTORIES false RELATIVE ${work} ${work}/*)
  list(SORT members)
  file(REMOVE ${package})
  if(package MATCHES "\\.tar\\.gz$")
    file(GLOB top RELATIVE ${work} ${work}/*)
    run(${CPACK_ZENTRO_TAR} --create --format=gnu --sort=name --owner=0 --group=0 --numeric-owner
        --mode=u=rwX,go=rX --mtime=@${time} --file=- ${top}
        COMMAND ${CPACK_ZENTRO_GZIP} -9 -n OUTPUT_FILE ${package})
  else()
    run(chmod -R u=rwX,go=rX .)
    run(touch -d @${time} ${members})
    string(REPLACE ";" "\n" list "${members}\n")
    file(WRITE ${work}.list "${list}")
    # -X: no owner, no Unix times; -D: no directory members.
    run(${CMAKE_COMMAND} -E env TZ=UTC0 ${CPACK_ZENTRO_ZIP} -q -X -D -9 ${package} -@
        INPUT_FILE ${work}.list)
    file(REMOVE ${work}.list)
  endif()
  file(REMOVE_RECURSE ${work})
endforeach()
