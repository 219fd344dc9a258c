# The Debian package: cpack in a build folder configured with -DCMAKE_INSTALL_PREFIX=/usr
# makes quillstow_VERSION_ARCH.deb of what `cmake --install` puts in place. Its library
# dependencies are found by dpkg-shlibdeps and named as Debian names them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillstow)
set(CPACK_PACKAGE_VENDOR quillstow)
set(CPACK_PACKAGE_CONTACT "quillstow <quillstow@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "back up and restore a Windows Live Mail user's data")
set(CPACK_PACKAGE_DESCRIPTION
  "quillstow backs up everything a Windows Live Mail user keeps (mail and\n"
  "news accounts and messages, rules, contacts, calendars, signatures,\n"
  "stationeries and settings) into one .wlm file and restores it. On Linux\n"
  "it works on the profile kept in a Wine prefix. It has a window, an\n"
  "unattended run for scheduled backups and a terminal tool, quillstow-cli.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
