# The .deb installs under /usr; the release tarball holds bin/ and share/ at its root, to be unpacked
# into ~/.local/opt/verandel/<version>/.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
else()
  set(CPACK_PACKAGING_INSTALL_PREFIX "")
endif()
