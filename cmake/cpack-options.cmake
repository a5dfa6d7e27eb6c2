# Read by CPack for every package it makes. The time of every member is
# SOURCE_DATE_EPOCH: the environment's, else the one found at configure time.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_ZENTRO_SOURCE_DATE_EPOCH})
endif()
# The Debian package holds the component Debian alone, under /usr.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_ZENTRO_DEB_PROJECTS}")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
