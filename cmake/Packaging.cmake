# SPDX-License-Identifier: GPL-2.0-or-later
# Installation where a desktop finds the program, and a Debian package of it.
include(GNUInstallDirs)

install(TARGETS zappomatic RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Debian's strip (dh_strip) also drops the compiler's .comment and the .note section.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/zappomatic\"
        COMMAND_ERROR_IS_FATAL ANY)
endif()")
# Software centres find the program by its AppStream id, which the menu entry's name matches.
install(FILES resources/org.example.zappomatic.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/org.example.zappomatic.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The scalable icon, and a bitmap for menus that draw no SVG.
install(FILES resources/zappomatic.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES resources/zappomatic-48.png RENAME zappomatic.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)

# Debian keeps the change log and manual pages compressed, and the same bytes on every build
# (gzip -n). The manual page names the project's version.
configure_file(resources/zappomatic.1 zappomatic.1 @ONLY)
set(zappomatic_changelog ${PROJECT_BINARY_DIR}/changelog.gz)
set(zappomatic_manpage ${PROJECT_BINARY_DIR}/zappomatic.1.gz)
execute_process(COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/resources/changelog
                OUTPUT_FILE ${zappomatic_changelog} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/zappomatic.1
                OUTPUT_FILE ${zappomatic_manpage} COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS resources/changelog)
install(FILES ${zappomatic_manpage} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES resources/zappomatic.ini.example README.md resources/copyright
              ${zappomatic_changelog}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zappomatic)
set(CPACK_PACKAGE_CONTACT "Zappomatic developers <zappomatic@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Zappomatic is a remote control for a VDR television recorder, in one window
laid out like a handset: direction keys, OK, Back, Menu, the four colour keys,
volume, mute, channel keys and a digit keypad, a box to switch to a channel by
number and one to show a message on the television screen.
Every press is sent at once, as one SVDRP command, over the network to the
recorder. The status line tells whether the recorder is connected and, when it
is not, why. The keyboard works too: digits, arrows, Enter, Backspace and F1 to
F4 for the colour keys.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# Depends as dpkg-shlibdeps reads them from the program; the check below makes cpack refuse to
# build a package without them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/PackagingCheck.cmake)
set(CPACK_STRIP_FILES ON)
include(CPack)
