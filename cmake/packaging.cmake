# `make package` (the `package` target): a Debian package of what `cmake --install` puts in place.
# The shared libraries the program links are found by dpkg-shlibdeps; the packages it loads at run
# time without linking them are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME treewright)
set(CPACK_PACKAGE_VENDOR "Treewright")
set(CPACK_PACKAGE_CONTACT "Treewright developers <developers@treewright.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Editor for XML documents as a tree of nodes and as source text")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://treewright.org/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's X11 platform plugin and the browser engine's resources and helper process are loaded at
# run time; hicolor-icon-theme owns the folders the program's icon goes in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6webengine6-data, libqt6webenginecore6-bin, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, adwaita-icon-theme | breeze-icon-theme, dbus-user-session | dbus-x11")
# gzip rather than xz: the package builds in seconds and installs the same.
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
include(CPack)
