# Installation and the Debian package: the program, its desktop entry, the
# window icons as hicolor theme icons, the AppStream metainfo, the German
# manual page tessera(1) and the bash completion.
include(GNUInstallDirs)

set(TESSERA_APP_ID "de.oxa.tessera")
set(TESSERA_PROJECT_URL "https://tessera.oxa.invalid" CACHE STRING
    "Project home page; the metainfo's screenshots live under it")
set(TESSERA_RELEASE_DATE "2026-12-07" CACHE STRING "Release date of this version (YYYY-MM-DD)")

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

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "tessera")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "${TESSERA_COMPANY}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TESSERA_COMPANY} <tessera@oxa.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TESSERA_PROJECT_URL}")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${PROJECT_DESCRIPTION}
Tessera zeigt in einem Fenster Fakten über Prozessor, Firmware, Betriebssystem,
Systemordner und Browser, fünf Einstellungen der Speicherverwaltung und die
Namen von elf Kategorien von Audiogeräten. Es liest nur, es schreibt nichts.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
