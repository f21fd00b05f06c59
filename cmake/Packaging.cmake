# `cpack -G DEB` in the build folder (or `make package`): a Debian package of what cmake/Install.cmake
# installs, under /usr. dpkg-shlibdeps (package dpkg-dev) derives the dependencies from the libraries
# the two programs link, so they name the Debian packages of this system; the ones no library link
# shows are listed below.
set(CPACK_PACKAGE_NAME skimmer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Skimmer developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find publicly shared documents through search engines and download them")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Placeholders until the project has a public address: .invalid can never resolve (RFC 2606).
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Skimmer developers <skimmer@example.invalid>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://skimmer.example.invalid/")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The long description; CPack puts the summary above it as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Skimmer asks search engines for every keyword, document format and result\n\
page, cuts the hits out of the result pages, filters and lists them, and\n\
downloads the list into a folder with many workers, remembering what it\n\
fetched. It has a Qt window (skimmer) and a command-line twin (skimmer-cli).")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no library link shows them: the X11/Wayland platform plugins the window needs
# to open, and the file-signature database of the content check of finished downloads.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libmagic-mgc")
# The hand-off to aria2, and a font with Chinese glyphs for the window's texts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "aria2, fonts-wqy-microhei | fonts-noto-cjk")

set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
