# Installation and the release archives.
#
#   cmake --install build/default --prefix ~/.local
#       bin/zentro and share/man/man1/zentro.1 (bin/zentro.exe on Windows)
#   cmake --workflow --preset package           build/default/zentro-VERSION-Linux.tar.gz
#                                               build/default/zentro_VERSION_ARCH.deb
#   cmake --workflow --preset package-windows   build/windows/zentro-VERSION-win64.zip
#
# The Linux archive holds the installed tree plus README.md and LICENSE; the
# Windows archive is flat: zentro.exe, zentro.txt (the manual page as text
# with DOS line ends), README.md and LICENSE. The Debian package installs
# under /usr what Debian asks of a package: the program, the manual page
# compressed, and the copyright and changelog files.
include(GNUInstallDirs)

# The manual page, with the project's version filled in.
set(ZENTRO_MAN_PAGE ${CMAKE_BINARY_DIR}/zentro.1)
configure_file(${CMAKE_SOURCE_DIR}/doc/zentro.1 ${ZENTRO_MAN_PAGE} @ONLY)

# The component Runtime is what `cmake --install` installs.
install(TARGETS zentro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
install(FILES ${ZENTRO_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)

# The component Archive is only packed: the files at the top of an archive.
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE
        DESTINATION . COMPONENT Archive EXCLUDE_FROM_ALL)

# The Windows archive also holds zentro.exe and the manual page rendered as
# plain text with DOS line ends: zentro.txt.
if(WIN32)
  install(TARGETS zentro RUNTIME DESTINATION . COMPONENT Archive EXCLUDE_FROM_ALL)
  find_program(ZENTRO_GROFF groff)
  find_program(ZENTRO_MANDOC mandoc)
  if(ZENTRO_GROFF)
    set(ZENTRO_MAN_RENDERER -DGROFF=${ZENTRO_GROFF})
  elseif(ZENTRO_MANDOC)
    set(ZENTRO_MAN_RENDERER -DMANDOC=${ZENTRO_MANDOC})
  else()
    message(WARNING "Neither groff nor mandoc found: the Windows archive will lack zentro.txt")
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
if(NOT WIN32)
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
else()
  set(CPACK_GENERATOR TGZ ${ZENTRO_DEB_GENERATOR})
  set(CPACK_SYSTEM_NAME ${CMAKE_SYSTEM_NAME})
  set(CPACK_INSTALL_CMAKE_PROJECTS
      "${CMAKE_BINARY_DIR};${PROJECT_NAME};Runtime;/;${CMAKE_BINARY_DIR};${PROJECT_NAME};Archive;/")
endif()
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-${CPACK_SYSTEM_NAME})
include(CPack)
