# Read by CPack for every package it makes: the Debian package holds the
# component Debian alone, under /usr.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_ZENTRO_DEB_PROJECTS}")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
