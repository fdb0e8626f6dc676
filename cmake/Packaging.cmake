# SPDX-License-Identifier: GPL-3.0-or-later
# Installation (cmake --install, make install) and the Debian packages (cpack, make package).
# Two components: the program with its desktop entry, icons and metainfo, and the simulated
# exchange, a tool for trying the program without a real exchange. Every path is relative to
# the install prefix, and nothing runs at install time: the desktop's own triggers refresh the
# menu and icon caches.
include(GNUInstallDirs)

set(TOBRISK_APP_ID com.harnok.Tobrisk)
set(TOBRISK_DATA ${PROJECT_SOURCE_DIR}/data)

install(TARGETS tobrisk tobrisk-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
install(FILES ${TOBRISK_DATA}/${TOBRISK_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT program)
configure_file(${TOBRISK_DATA}/${TOBRISK_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/${TOBRISK_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${TOBRISK_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT program)
install(FILES ${TOBRISK_DATA}/icons/tobrisk.svg RENAME ${TOBRISK_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT program)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${TOBRISK_DATA}/icons/tobrisk-${size}.png RENAME ${TOBRISK_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT program)
endforeach()

# The command-line program's manual page and bash completion.
install(FILES ${PROJECT_SOURCE_DIR}/docs/tobrisk-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
install(FILES ${TOBRISK_DATA}/completion/tobrisk-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT program)

install(TARGETS exchange-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT simulator)

# Each package states its licence where Debian looks for it.
install(FILES ${TOBRISK_DATA}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tobrisk COMPONENT program)
install(FILES ${TOBRISK_DATA}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tobrisk-exchange-sim
        COMPONENT simulator)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tobrisk)
set(CPACK_PACKAGE_VENDOR "Harnok Applications")
set(CPACK_PACKAGE_CONTACT "Harnok Applications <tobrisk@harnok.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL program simulator)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
# Library dependencies come from the binaries through dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME tobrisk)
string(CONCAT CPACK_COMPONENT_PROGRAM_DESCRIPTION
  "speed-dial directory of Velmora telephone exchanges\n"
  "Tobrisk reads the system speed-dial directory of a Velmora telephone\n"
  "exchange over TCP, shows it as a sortable list and edits it, live while\n"
  "connected or offline for a later save. It keeps a book of saved exchanges\n"
  "(local network, wide-area address, PPPoE, dial-up), imports and exports\n"
  "CSV files and prints a listing. Its texts are in Italian. The command\n"
  "tobrisk-cli reads the directories of many exchanges at once, with no display.")
# The window system plugins are loaded at run time, so no binary names them; the Qt GUI library
# only recommends them, and without one the program cannot start.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS qt6-qpa-plugins)
# The printed listing asks for a metric-compatible monospaced face, the framework's dialogs are
# Italian with its translations, and the dial-up and PPPoE modes drive pppd.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "fonts-liberation, qt6-translations-l10n")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SUGGESTS "ppp, tobrisk-exchange-sim")

set(CPACK_DEBIAN_SIMULATOR_PACKAGE_NAME tobrisk-exchange-sim)
string(CONCAT CPACK_COMPONENT_SIMULATOR_DESCRIPTION
  "simulated Velmora exchange for trying Tobrisk\n"
  "exchange-sim answers Tobrisk's programming protocol on TCP like a Velmora\n"
  "telephone exchange, and plays the PPPoE device on a second port, so the\n"
  "program can be tried without a real exchange. Its tables come from a seed\n"
  "file and can be saved back; faults can be switched on.")

include(CPack)
