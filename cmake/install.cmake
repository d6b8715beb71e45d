# Installs KIRVA as a Linux desktop program (the two programs, the desktop entry, the icon and the
# documentation in their standard places) and lets CPack make a Debian package of it.
# Included at the end of the root CMakeLists.txt, once every target exists.

include(GNUInstallDirs)

set(KIRVA_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/..")

install(TARGETS kirva-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The desktop program is only built where Qt 6 is found.
if(TARGET kirva)
    install(TARGETS kirva RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES "${KIRVA_SOURCE_ROOT}/resources/kirva.desktop" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES "${KIRVA_SOURCE_ROOT}/resources/images/kirva.svg"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES "${KIRVA_SOURCE_ROOT}/README.md" DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY "${KIRVA_SOURCE_ROOT}/docs/" DESTINATION ${CMAKE_INSTALL_DOCDIR}
    FILES_MATCHING PATTERN "*.md" PATTERN "*.png")

# The user guide in Slovenian, made into HTML at build from its source in docs/navodila/ (beside the images
# it shows, which the line above installs), and the manual page of kirva-cli.
set(KIRVA_GUIDE_HTML "${CMAKE_BINARY_DIR}/docs/navodila/navodila.html")
add_custom_command(OUTPUT "${KIRVA_GUIDE_HTML}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${KIRVA_SOURCE_ROOT}/docs/navodila/navodila.md -DOUTPUT=${KIRVA_GUIDE_HTML}
            "-DTITLE=KIRVA: navodila za uporabo" -P ${KIRVA_SOURCE_ROOT}/cmake/markdown_html.cmake
    DEPENDS "${KIRVA_SOURCE_ROOT}/docs/navodila/navodila.md" "${KIRVA_SOURCE_ROOT}/cmake/markdown_html.cmake"
    COMMENT "The user guide as HTML")
add_custom_target(kirva-guide ALL DEPENDS "${KIRVA_GUIDE_HTML}")
install(FILES "${KIRVA_GUIDE_HTML}" DESTINATION ${CMAKE_INSTALL_DOCDIR}/navodila)
install(FILES "${KIRVA_SOURCE_ROOT}/docs/kirva-cli.1" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(KIRVA_PACKAGE_MAINTAINER "KIRVA maintainers <maintainers@kirva.invalid>"
    CACHE STRING "Maintainer written into the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kirva)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KIRVA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "XML posting journal of issued invoices for the OPAL accounting program")
# Debian's long description, one line of the control file each.
set(CPACK_PACKAGE_DESCRIPTION
    "KIRVA reads the invoicing system's book of issued invoices for a period of\n"
    "invoice dates and writes one XML posting journal (temeljnica) for the OPAL\n"
    "accounting program. The package holds the desktop program kirva and the\n"
    "windowless front kirva-cli with its data tools.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KIRVA_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(TARGET kirva)
    # Qt loads its SVG image and icon plugins at run time; no link of the program shows that need.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
endif()
# dpkg-shlibdeps works out the library packages from the installed programs, Qt's among them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
