# The Debian package. In a Release build folder, `cpack -G DEB` makes
# korvex_VERSION_ARCH.deb of what the install rules name: korvex and
# korvex-cli in /usr/bin, the launcher, the icons, the AppStream metainfo and
# the manual pages.
set(CPACK_PACKAGE_NAME korvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Korvex)
set(CPACK_PACKAGE_CONTACT "Korvex maintainers <maintainers@users.noreply.c-seed-37ffccea.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "channel list editor for satellite set-top box flash images")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Korvex opens a copy of a satellite set-top box's flash memory, checks it\n"
    "and shows its satellites, transponders, TV and radio programs; it edits one\n"
    "record at a time, writing each change straight back into the image, moves,\n"
    "deletes, sorts, groups and locks programs with undo and redo, and saves the\n"
    "whole image to a new file for the box to take back.\n"
    "korvex-cli does the same without a display: it shows, checks, edits,\n"
    "arranges and compares images, takes a list to a spreadsheet and back, and\n"
    "updates a satellite's transponders from a published scan table.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# The libraries both programs link are found by dpkg-shlibdeps (dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, out of dpkg-shlibdeps' sight;
# without one the window cannot start.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# The published transponder lists that Update transponders reads.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS dtv-scan-tables)
include(CPack)
