# Installation where a desktop finds the program, and a Debian package of it.
include(GNUInstallDirs)

install(TARGETS zappomatic RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES resources/zappomatic.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/zappomatic.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES resources/zappomatic.ini.example README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zappomatic)
set(CPACK_PACKAGE_CONTACT "Zappomatic developers <zappomatic@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
