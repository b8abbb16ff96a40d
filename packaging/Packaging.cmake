# Installation and the Debian package: the program, its desktop entry, the
# file types it opens (shared-mime-info), the icons as hicolor theme icons,
# the AppStream metainfo, the German manual page tessera(1), the bash
# completion, and Debian's copyright and changelog.
include(GNUInstallDirs)

set(TESSERA_APP_ID "de.oxa.tessera")
set(TESSERA_PROJECT_URL "https://tessera.oxa.invalid" CACHE STRING
    "Project home page; the metainfo's screenshots live under it")
set(TESSERA_RELEASE_DATE "2026-12-07" CACHE STRING "Release date of this version (YYYY-MM-DD)")

# Installed binaries are stripped (cmake --install --strip, and the package)
# as Debian strips them.
set(CMAKE_STRIP ${CMAKE_CURRENT_LIST_DIR}/strip.sh)
install(TARGETS tessera RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS tessera_window_module LIBRARY DESTINATION ${TESSERA_MODULE_DIR})

install(FILES ${CMAKE_CURRENT_LIST_DIR}/${TESSERA_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The same pictures the window uses; Debian's hicolor theme has all five sizes.
foreach(size 16 32 48 64 72)
  install(FILES ${PROJECT_SOURCE_DIR}/src/window/resources/icons/tessera-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${TESSERA_APP_ID}.png)
endforeach()
# Larger and scalable, for software centres (drawn by the same script).
foreach(size 128 256)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/icons/${TESSERA_APP_ID}-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${TESSERA_APP_ID}.png)
endforeach()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/icons/${TESSERA_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The manual page, compressed as Debian installs them (no name or time in the gzip header).
find_program(GZIP gzip REQUIRED)
configure_file(${CMAKE_CURRENT_LIST_DIR}/tessera.1.in ${PROJECT_BINARY_DIR}/tessera.1 @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/tessera.1.gz
  COMMAND ${GZIP} -9nc ${PROJECT_BINARY_DIR}/tessera.1 > ${PROJECT_BINARY_DIR}/tessera.1.gz
  DEPENDS ${PROJECT_BINARY_DIR}/tessera.1 VERBATIM)
add_custom_target(manual_page ALL DEPENDS ${PROJECT_BINARY_DIR}/tessera.1.gz)
install(FILES ${PROJECT_BINARY_DIR}/tessera.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Where bash-completion loads completions from on demand, by the command's name.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tessera.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tessera)

configure_file(${CMAKE_CURRENT_LIST_DIR}/${TESSERA_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/${TESSERA_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${TESSERA_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The file types Tessera opens, typed by content where they have a signature.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${TESSERA_APP_ID}.mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${TESSERA_APP_ID}.xml)

# Debian's copyright file (machine-readable) and changelog, compressed as Debian does.
set(TESSERA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tessera)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${TESSERA_DOC_DIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME tessera)
execute_process(COMMAND env LC_ALL=C date -u -R -d "${TESSERA_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE TESSERA_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${PROJECT_BINARY_DIR}/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.Debian.gz
  COMMAND ${GZIP} -9nc ${PROJECT_BINARY_DIR}/changelog.Debian > ${PROJECT_BINARY_DIR}/changelog.Debian.gz
  DEPENDS ${PROJECT_BINARY_DIR}/changelog.Debian VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.Debian.gz)
install(FILES ${PROJECT_BINARY_DIR}/changelog.Debian.gz DESTINATION ${TESSERA_DOC_DIR})

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "tessera")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "${TESSERA_COMPANY}")
# The synopsis; CPack puts it before the long description, which must not repeat it.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Fakten eines Windows-Rechners aus seiner Platte, nur lesend")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TESSERA_COMPANY} <tessera@oxa.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TESSERA_PROJECT_URL}")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tessera zeigt in einem Fenster, was ein Windows-Rechner über sich weiß:
Prozessor, Firmware, Betriebssystem, Systemordner und Browser, fünf
Einstellungen der Speicherverwaltung und die Namen von elf Kategorien von
Audiogeräten. Es liest sie aus der Platte des Rechners, aus der Platte einer
virtuellen Maschine (qcow2, VHD, VHDX, VMDK, VDI, mit Snapshots), einem
Datenträgerabbild (Rohabbild, E01), einem BitLocker-Volume (mit Kennwort,
Wiederherstellungsschlüssel oder Schlüsseldatei), aus Registrierungsdateien
oder einem Wine-Präfix; ohne Angabe zeigt es den Rechner, auf dem es läuft.
Tessera schreibt nichts und hängt nichts ein; --bericht und --json geben
dasselbe im Terminal aus.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Stripped; the debug symbols are not shipped.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine, qt6-translations-l10n")  # the toolkit's own texts in German
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Packaged apart from its sources: Debian revision 1 of the upstream version.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
include(CPack)
