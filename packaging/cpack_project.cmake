# Read by cpack before it makes a package: a Debian package installs under
# /usr alone, and the build's folders (the library's, the Python package's)
# were worked out for the prefix it was configured with.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_PACKAGING_INSTALL_PREFIX STREQUAL "/usr")
  message(FATAL_ERROR "This build is configured for ${CPACK_PACKAGING_INSTALL_PREFIX}; a Debian "
                      "package needs -DCMAKE_INSTALL_PREFIX=/usr (packaging/build_deb.sh sets it)")
endif()
