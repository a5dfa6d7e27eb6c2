# The Debian package, zentro_VERSION_ARCH.deb: /usr/bin/zentro, zentro-gas
# and zentro-map, the manual page compressed (zentro-gas.1.gz and
# zentro-map.1.gz links to it),
# the CMake package in /usr/lib/cmake/zentro, /usr/share/doc/zentro/copyright,
# changelog.gz and README.md.gz. Its dependencies are read off the binaries
# by dpkg-shlibdeps (Debian: dpkg-dev) and file; gzip compresses the
# documents. Without them zentro still builds, but the package step stops
# and says what is missing.
find_program(ZENTRO_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(ZENTRO_FILE file)
find_program(ZENTRO_GZIP gzip)
set(CPACK_ZENTRO_DEB_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Debian;/")
if(NOT ZENTRO_DPKG_SHLIBDEPS OR NOT ZENTRO_FILE OR NOT ZENTRO_GZIP)
  # zentro builds, but the package step stops with this message.
  string(CONCAT missing "The Debian package needs dpkg-shlibdeps, file and gzip (Debian: "
                "dpkg-dev, file, gzip): install them and configure again")
  message(STATUS "${missing}")
  install(CODE "message(FATAL_ERROR \"${missing}\")" COMPONENT Debian EXCLUDE_FROM_ALL)
  return()
endif()

set(debian ${CMAKE_BINARY_DIR}/debian)
file(MAKE_DIRECTORY ${debian})

# gzip_doc(IN OUT): compressed the way Debian wants, at the highest level
# and without a time stamp, so that the package is the same on every build.
function(gzip_doc in out)
  execute_process(COMMAND ${ZENTRO_GZIP} -9 -n -c ${in} OUTPUT_FILE ${out} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip ${in} failed")
  endif()
endfunction()

gzip_doc(${ZENTRO_MAN_PAGE} ${debian}/zentro.1.gz)

# The copyright file in Debian's machine-readable form: the holder from
# LICENSE's line "Copyright (c) HOLDER", and the license text that follows it,
# indented by a space, with " ." for a blank line.
file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE license)
set(holder "")
set(license_text "")
foreach(line IN LISTS license)
  if(holder STREQUAL "")
    if(line MATCHES "^Copyright \\(c\\) (.+)$")
      set(holder "${CMAKE_MATCH_1}")
    endif()
  elseif(line STREQUAL "")
    if(NOT license_text STREQUAL "")
      string(APPEND license_text "\n .")
    endif()
  else()
    string(APPEND license_text "\n ${line}")
  endif()
endforeach()
if(holder STREQUAL "" OR license_text STREQUAL "")
  message(FATAL_ERROR "LICENSE holds no line \"Copyright (c) HOLDER\" followed by the license")
endif()
file(WRITE ${debian}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: zentro
Source: https://github.com/zentro-psx/zentro

Files: *
Copyright: ${holder}
License: Expat${license_text}
")

configure_file(${CMAKE_SOURCE_DIR}/cmake/debian-changelog.in ${debian}/changelog @ONLY)
gzip_doc(${debian}/changelog ${debian}/changelog.gz)
# The README, which the manual page refers to.
gzip_doc(${CMAKE_SOURCE_DIR}/README.md ${debian}/README.md.gz)

install(TARGETS zentro zentro-gas zentro-map RUNTIME DESTINATION bin COMPONENT Debian
        EXCLUDE_FROM_ALL)
# CPack strips the programs; the compiler's notes in .comment go as well.
if(CMAKE_STRIP)
  foreach(program zentro zentro-gas zentro-map)
    install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                                  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${program}\")"
            COMPONENT Debian EXCLUDE_FROM_ALL)
  endforeach()
endif()
install(FILES ${CMAKE_BINARY_DIR}/package/zentroConfig.cmake ${ZENTRO_PACKAGE_FILES}
        DESTINATION ${ZENTRO_PACKAGE_DIR} COMPONENT Debian EXCLUDE_FROM_ALL)
# zentro-gas and zentro-map are described in zentro's manual page, which
# Debian wants reachable by their names too.
file(CREATE_LINK zentro.1.gz ${debian}/zentro-gas.1.gz SYMBOLIC)
file(CREATE_LINK zentro.1.gz ${debian}/zentro-map.1.gz SYMBOLIC)
install(FILES ${debian}/zentro.1.gz ${debian}/zentro-gas.1.gz ${debian}/zentro-map.1.gz
        DESTINATION share/man/man1
        COMPONENT Debian EXCLUDE_FROM_ALL)
install(FILES ${debian}/copyright ${debian}/changelog.gz ${debian}/README.md.gz
        DESTINATION share/doc/zentro COMPONENT Debian EXCLUDE_FROM_ALL)

# CPack reads these when it makes the package.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "zentro developers <zentro-psx@users.noreply.github.com>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/zentro-psx/zentro)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The summary line is CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"zentro is a build tool for developers of PlayStation console programs.
Run from a project's data directory, it reads memcfg.cfg, the data files
(TIM images, sound banks, levels) in load order, gives each file an
address in the console's main RAM and writes the glue to the project
root: a batch script that uploads every file with catflap and starts
main.exe, a C header with every address and size, and a C function that
loads every TIM image. With -asm it writes an assembler source that links
the data into the program instead.")
