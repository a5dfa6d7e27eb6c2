# Run by CPack after it has made the packages (CPACK_POST_BUILD_SCRIPTS):
# packs each .tar.gz and .zip again so that its bytes depend on its files
# alone. The members are sorted by name, owned by root, rw-r--r-- or
# rwxr-xr-x, and dated SOURCE_DATE_EPOCH; the gzip stream stores no name and
# no time, and the zip no owner and no time but the members' (in UTC). CPack
# makes the Debian package so, but for the modes of its three ar members,
# which follow the umask: they are set to rw-r--r-- in place.
set(time $ENV{SOURCE_DATE_EPOCH})
if(NOT time MATCHES "^[0-9]+$")
  message(FATAL_ERROR "package-repack.cmake: SOURCE_DATE_EPOCH is not a time: '${time}'")
endif()

# run(COMMAND...): runs a command in the unpacked archive, or stops CPack.
function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${work} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "package-repack.cmake: ${ARGN} failed (${status})")
  endif()
endfunction()

# set_ar_modes(DEB): each member's header in the ar archive DEB is 60
# characters: name (16), time (12), owner (6), group (6), mode (8), size (10)
# and a 2-character end; the member follows, padded to an even length.
function(set_ar_modes deb)
  file(WRITE ${deb}.mode "100644  ")
  file(SIZE ${deb} end)
  set(header 8) # after "!<arch>\n"
  while(header LESS end)
    math(EXPR mode_at "${header} + 40")
    math(EXPR size_at "${header} + 48")
    file(READ ${deb} size OFFSET ${size_at} LIMIT 10)
    string(STRIP "${size}" size)
    if(NOT size MATCHES "^[0-9]+$")
      message(FATAL_ERROR "package-repack.cmake: ${deb} is no ar archive")
    endif()
    execute_process(COMMAND dd if=${deb}.mode of=${deb} bs=1 seek=${mode_at} count=8 conv=notrunc
                    status=none RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "package-repack.cmake: cannot set the modes in ${deb}")
    endif()
    math(EXPR header "${header} + 60 + ${size} + ${size} % 2")
  endwhile()
  file(REMOVE ${deb}.mode)
endfunction()

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.deb$")
    set_ar_modes(${package})
    continue()
  elseif(NOT package MATCHES "\\.(tar\\.gz|zip)$")
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
