# The players' Debian package (make package): the setup program, the inspector, the
# finaliser and the standard data, with a desktop entry "Install add-on" that opens a
# setup file with the setup program. The packaging tool stays with the authors' tree.
install(TARGETS setup setuptool finalise RUNTIME DESTINATION bin)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/languages ${PROJECT_SOURCE_DIR}/data/layout
        DESTINATION share/addon-setup/data
        PATTERN "*.py" EXCLUDE
        PATTERN "src" EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/addon-setup.desktop DESTINATION share/applications)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME addon-setup)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Add-on Setup developers <addon-setup@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Installs game add-ons from their setup files, into the game's Wine prefix")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The libraries the programs link come from dpkg-shlibdeps, so the package names
# exactly what it needs on the machine that built it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
