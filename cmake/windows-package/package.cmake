# The Windows package: the target `windows-package` lays out what is shipped, then makes the zip and the NSIS
# installer of it, both named with the project's version (make_package.cmake does the work at build time).
#   build-windows/package/kirva-<version>/               the files as installed, the zip's content
#   build-windows/package/kirva-<version>-windows-x64.zip
#   build-windows/package/kirva-<version>-setup.exe
# Included by the root CMakeLists.txt on Windows, once every target exists.

# The programs shipped; each must be built. kirva.exe joins them once the Win32 window system is built.
set(KIRVA_WINDOWS_PROGRAMS kirva kirva-cli)

find_program(KIRVA_MAKENSIS makensis)
if(NOT KIRVA_MAKENSIS)
    message(STATUS "makensis not found: no target windows-package (scripts/install-deps --windows installs nsis)")
    return()
endif()

# What goes where, one "source|destination" line each, destinations relative to the program folder. The
# user guide and kirva-cli's documentation as HTML (readable on any Windows without a Markdown viewer),
# beside the images the guide shows, as the Linux package lays them out.
set(KIRVA_PACKAGE_GUIDE "${PROJECT_BINARY_DIR}/docs/navodila/navodila.html")
set(KIRVA_PACKAGE_CLI_DOC "${PROJECT_BINARY_DIR}/docs/kirva-cli.html")
add_custom_command(OUTPUT "${KIRVA_PACKAGE_CLI_DOC}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/docs/kirva-cli.md -DOUTPUT=${KIRVA_PACKAGE_CLI_DOC}
            "-DTITLE=kirva-cli: the journal without a window" -DLANG=en
            -P ${PROJECT_SOURCE_DIR}/cmake/markdown_html.cmake
    DEPENDS "${PROJECT_SOURCE_DIR}/docs/kirva-cli.md" "${PROJECT_SOURCE_DIR}/cmake/markdown_html.cmake"
    COMMENT "kirva-cli's documentation as HTML")

set(packageFiles "")
foreach(program IN LISTS KIRVA_WINDOWS_PROGRAMS)
    list(APPEND packageFiles "$<TARGET_FILE:${program}>|$<TARGET_FILE_NAME:${program}>")
endforeach()
list(APPEND packageFiles "${KIRVA_PACKAGE_GUIDE}|doc/navodila/navodila.html"
    "${KIRVA_PACKAGE_CLI_DOC}|doc/kirva-cli.html"
    "${CMAKE_CURRENT_LIST_DIR}/PREBERI.txt|PREBERI.txt")
file(GLOB guideImages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/images/*.png)
foreach(image IN LISTS guideImages)
    get_filename_component(name "${image}" NAME)
    list(APPEND packageFiles "${image}|doc/images/${name}")
endforeach()
list(JOIN packageFiles "\n" packageList)
file(GENERATE OUTPUT "${PROJECT_BINARY_DIR}/package/files.txt" CONTENT "${packageList}\n")

set(packageDepends "")
foreach(entry IN LISTS packageFiles)
    string(REGEX REPLACE "\\|.*" "" source "${entry}")
    list(APPEND packageDepends "${source}")
endforeach()
set(packageDepends ${packageDepends} ${KIRVA_WINDOWS_PROGRAMS})

set(KIRVA_PACKAGE_BASE "${PROJECT_BINARY_DIR}/package/kirva-${PROJECT_VERSION}")
add_custom_command(OUTPUT "${KIRVA_PACKAGE_BASE}-windows-x64.zip" "${KIRVA_PACKAGE_BASE}-setup.exe"
    COMMAND ${CMAKE_COMMAND} -DFILES=${PROJECT_BINARY_DIR}/package/files.txt -DBASE=${KIRVA_PACKAGE_BASE}
            -DVERSION=${PROJECT_VERSION} -DMAKENSIS=${KIRVA_MAKENSIS} -DICON=${KIRVA_ICON_DIR}/kirva.ico
            -DSCRIPT=${CMAKE_CURRENT_LIST_DIR}/kirva.nsi -P ${CMAKE_CURRENT_LIST_DIR}/make_package.cmake
    DEPENDS ${packageDepends} "${KIRVA_ICON_DIR}/kirva.ico" "${PROJECT_BINARY_DIR}/package/files.txt" "${CMAKE_CURRENT_LIST_DIR}/kirva.nsi"
            "${CMAKE_CURRENT_LIST_DIR}/make_package.cmake"
    COMMENT "The Windows package: zip and installer of KIRVA ${PROJECT_VERSION}"
    VERBATIM)
add_custom_target(windows-package DEPENDS "${KIRVA_PACKAGE_BASE}-windows-x64.zip" "${KIRVA_PACKAGE_BASE}-setup.exe")
