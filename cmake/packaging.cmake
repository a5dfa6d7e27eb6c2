# Installation and the release archives.
#
#   cmake --install build/default --prefix ~/.local
#       bin/zentro, bin/zentro-gas, bin/zentro-map, share/man/man1/zentro.1,
#       zentro-gas.1 and zentro-map.1
#       and the CMake package in lib/cmake/zentro (bin/zentro.exe ... on
#       Windows)
#
#   workflow preset         build tree            package
#   package                 build/default         zentro_VERSION_ARCH.deb
#   package-linux-x86_64    build/linux-x86_64    zentro-VERSION-Linux-x86_64.tar.gz
#   package-linux-aarch64   build/linux-aarch64   zentro-VERSION-Linux-aarch64.tar.gz
#   package-windows         build/windows         zentro-VERSION-win64.zip
#   package-windows32       build/windows32       zentro-VERSION-win32.zip
#
# The Linux archives hold a static zentro (ZENTRO_STATIC) in the installed
# tree, plus README.md and LICENSE; the Windows archives are flat:
# zentro.exe, zentro-gas.exe, zentro-map.exe, zentro.txt (the manual page as text with DOS
# line ends), README.md, LICENSE and the CMake package in cmake/. The Debian
# package holds the dynamically linked programs, under /usr with what Debian
# asks of a package: the programs, the manual page compressed, the copyright
# and changelog files and the README; and the CMake package in
# lib/cmake/zentro.
include(GNUInstallDirs)

# The packages are the same bytes wherever, whenever and by whomever they are
# made from the same source. Their time, that of every member, is
# SOURCE_DATE_EPOCH: taken from the environment where it is set, else from the
# last commit, else from cmake/source-date-epoch (the commit's time in a tree
# made by git archive, the release's time in any other tree without git).
function(zentro_source_date_epoch out)
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(${out} $ENV{SOURCE_DATE_EPOCH} PARENT_SCOPE)
    return()
  endif()
  if(EXISTS ${CMAKE_SOURCE_DIR}/.git)
    find_package(Git QUIET)
    if(GIT_FOUND)
      execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE time
                      ERROR_VARIABLE error RESULT_VARIABLE status
                      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
    else()
      set(error "no git")
    endif()
    if(GIT_FOUND AND status EQUAL 0 AND time MATCHES "^[0-9]+$")
      set(${out} ${time} PARENT_SCOPE)
      return()
    endif()
    message(WARNING "Cannot read the time of the last commit (${error}): the packages take "
                    "their time from cmake/source-date-epoch")
  endif()
  file(STRINGS ${CMAKE_SOURCE_DIR}/cmake/source-date-epoch times REGEX "^[0-9]+$")
  list(GET times 0 time)
  set(${out} ${time} PARENT_SCOPE)
endfunction()
zentro_source_date_epoch(ZENTRO_SOURCE_DATE_EPOCH)
message(STATUS "Package time (SOURCE_DATE_EPOCH): ${ZENTRO_SOURCE_DATE_EPOCH}")

# The manual page, as it stands in the source tree, where it is read too. Its
# footer names the version: it must be the project's.
set(ZENTRO_MAN_PAGE ${CMAKE_BINARY_DIR}/zentro.1)
file(STRINGS ${CMAKE_SOURCE_DIR}/doc/zentro.1 man_th REGEX "^\\.TH ")
if(NOT man_th MATCHES "\"zentro ${PROJECT_VERSION}\"")
  message(FATAL_ERROR "doc/zentro.1 names another version than ${PROJECT_VERSION} on its .TH "
                      "line: ${man_th}")
endif()
configure_file(${CMAKE_SOURCE_DIR}/doc/zentro.1 ${ZENTRO_MAN_PAGE} COPYONLY)

# The CMake package (find_package(zentro), zentro_glue): the config finds
# the programs from where it lies, lib/cmake/zentro below the prefix with
# them in bin/, or cmake/ in a flat Windows archive with them beside it. It
# takes no part of the build's processor, so a cross build for the console
# (32-bit) takes it too.
include(CMakePackageConfigHelpers)
set(ZENTRO_CONFIG_BINDIR ../../../bin)
configure_file(${CMAKE_SOURCE_DIR}/cmake/zentroConfig.cmake.in
               ${CMAKE_BINARY_DIR}/package/zentroConfig.cmake @ONLY)
set(ZENTRO_CONFIG_BINDIR ..)
configure_file(${CMAKE_SOURCE_DIR}/cmake/zentroConfig.cmake.in
               ${CMAKE_BINARY_DIR}/package-flat/zentroConfig.cmake @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/zentroConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion
                                 ARCH_INDEPENDENT)
set(ZENTRO_PACKAGE_FILES ${CMAKE_BINARY_DIR}/package/zentroConfigVersion.cmake
                         ${CMAKE_SOURCE_DIR}/cmake/zentro-glue.cmake
                         ${CMAKE_SOURCE_DIR}/cmake/zentro-upload.cmake)
set(ZENTRO_PACKAGE_DIR lib/cmake/zentro)

# The component Runtime is what `cmake --install` installs.
install(TARGETS zentro zentro-gas zentro-map RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT Runtime)
# zentro-gas and zentro-map are described in zentro's page: their own pages
# source that one.
file(WRITE ${CMAKE_BINARY_DIR}/zentro-gas.1 ".so man1/zentro.1\n")
file(WRITE ${CMAKE_BINARY_DIR}/zentro-map.1 ".so man1/zentro.1\n")
install(FILES ${ZENTRO_MAN_PAGE} ${CMAKE_BINARY_DIR}/zentro-gas.1 ${CMAKE_BINARY_DIR}/zentro-map.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)
install(FILES ${CMAKE_BINARY_DIR}/package/zentroConfig.cmake ${ZENTRO_PACKAGE_FILES}
        DESTINATION ${ZENTRO_PACKAGE_DIR} COMPONENT Runtime)

# The component Archive is only packed: the files at the top of an archive.
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE
        DESTINATION . COMPONENT Archive EXCLUDE_FROM_ALL)

# The Windows archive also holds zentro.exe, zentro-gas.exe, zentro-map.exe, the CMake
# package in cmake/ and the manual page rendered as plain text with DOS
# line ends: zentro.txt.
if(WIN32)
  install(TARGETS zentro zentro-gas zentro-map RUNTIME DESTINATION . COMPONENT Archive
          EXCLUDE_FROM_ALL)
  install(FILES ${CMAKE_BINARY_DIR}/package-flat/zentroConfig.cmake ${ZENTRO_PACKAGE_FILES}
          DESTINATION cmake COMPONENT Archive EXCLUDE_FROM_ALL)
  find_program(ZENTRO_GROFF groff)
  find_program(ZENTRO_MANDOC mandoc)
  if(ZENTRO_GROFF)
    set(ZENTRO_MAN_RENDERER -DGROFF=${ZENTRO_GROFF})
  elseif(ZENTRO_MANDOC)
    set(ZENTRO_MAN_RENDERER -DMANDOC=${ZENTRO_MANDOC})
  else()
    # zentro.exe builds, but no archive is made without its manual.
    message(WARNING "Neither groff nor mandoc found (Debian: groff-base, mandoc): zentro.exe "
                    "builds, but the Windows package cannot be made without zentro.txt")
    install(CODE "message(FATAL_ERROR \"zentro.txt needs groff or mandoc (Debian: groff-base, \"
                                      \"mandoc); install one and configure again\")"
            COMPONENT Archive EXCLUDE_FROM_ALL)
  endif()
  if(ZENTRO_MAN_RENDERER)
    set(ZENTRO_MAN_TEXT ${CMAKE_BINARY_DIR}/zentro.txt)
    add_custom_command(
      OUTPUT ${ZENTRO_MAN_TEXT}
      COMMAND ${CMAKE_COMMAND} -DMAN=${ZENTRO_MAN_PAGE} -DOUT=${ZENTRO_MAN_TEXT} ${ZENTRO_MAN_RENDERER}
              -P ${CMAKE_SOURCE_DIR}/cmake/man-text.cmake
      DEPENDS ${ZENTRO_MAN_PAGE} ${CMAKE_SOURCE_DIR}/cmake/man-text.cmake
      COMMENT "Rendering zentro.txt"
      VERBATIM)
    add_custom_target(man_text ALL DEPENDS ${ZENTRO_MAN_TEXT})
    install(FILES ${ZENTRO_MAN_TEXT} DESTINATION . COMPONENT Archive EXCLUDE_FROM_ALL)
  endif()
endif()

# The component Debian is what the Debian package holds.
if(NOT WIN32 AND NOT ZENTRO_STATIC)
  include(cmake/debian.cmake)
endif()

set(CPACK_PACKAGE_NAME zentro)
set(CPACK_PACKAGE_VENDOR zentro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Lays out PlayStation data files in main RAM and writes the upload and link glue")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${CMAKE_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES TRUE)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Archive;/")
elseif(ZENTRO_STATIC)
  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME ${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_INSTALL_CMAKE_PROJECTS
      "${CMAKE_BINARY_DIR};${PROJECT_NAME};Runtime;/;${CMAKE_BINARY_DIR};${PROJECT_NAME};Archive;/")
else()
  set(CPACK_GENERATOR DEB)
endif()
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-${CPACK_SYSTEM_NAME})

# CPack reads these when it makes the packages (cmake/cpack-options.cmake):
# it stamps every member with SOURCE_DATE_EPOCH. The modes of the installed
# files follow the umask: cmake/package-modes.cmake sets them before CPack
# packs them. CPack's archives also record the owner of each file and list
# the files in the order the file system gives them, so
# cmake/package-repack.cmake packs the .tar.gz with tar and gzip and the .zip
# with zip again: sorted, owned by root, with no stored name or time but
# SOURCE_DATE_EPOCH.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/cpack-options.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/package-modes.cmake)
set(CPACK_ZENTRO_SOURCE_DATE_EPOCH ${ZENTRO_SOURCE_DATE_EPOCH})
find_program(ZENTRO_TAR NAMES gtar tar)
find_program(ZENTRO_GZIP gzip)
find_program(ZENTRO_ZIP zip)
if(WIN32)
  set(repack_tools zip)
else()
  set(repack_tools tar gzip)
endif()
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/package-repack.cmake)
foreach(tool IN LISTS repack_tools)
  string(TOUPPER ${tool} name)
  if(NOT ZENTRO_${name})
    message(WARNING "No ${tool} (Debian: ${tool}): the release archive will not be "
                    "the same bytes on every build")
    unset(CPACK_POST_BUILD_SCRIPTS)
  endif()
endforeach()
set(CPACK_ZENTRO_TAR ${ZENTRO_TAR})
set(CPACK_ZENTRO_GZIP ${ZENTRO_GZIP})
set(CPACK_ZENTRO_ZIP ${ZENTRO_ZIP})
include(CPack)
