# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME quincunx-kelvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Kelvo)
set(CPACK_PACKAGE_CONTACT "Kelvo <quincunx@kelvo.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Sudoku and Quincunx puzzles to play and solve")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop puzzle program for classic Sudoku and Quincunx: five overlapping 9x9\n"
    "grids on a 21x21 field. Enter or open a puzzle and play it with a human-style\n"
    "solver behind you, try values in a test mode, edit candidates, permute a\n"
    "puzzle, in French or English. Also quincunx-solve and quincunx-gen, to solve,\n"
    "make and rate puzzle files on the command line.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from the binaries; the faces the window asks for do not.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-dejavu-core")
# Qt's own words (buttons, the open dialog) in French; its Wayland plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland")
include(CPack)
