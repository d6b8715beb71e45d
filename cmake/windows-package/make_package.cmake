# Makes the Windows package at build time (the target windows-package in package.cmake runs it):
#   cmake -DFILES=files.txt -DBASE=<folder>/kirva-<version> -DVERSION=<version> -DICON=kirva.ico -DMAKENSIS=makensis
#         -DSCRIPT=kirva.nsi -P make_package.cmake
# FILES holds one "source|destination" line per shipped file. The files are laid out in BASE as they are
# installed; BASE-windows-x64.zip holds that folder, and BASE-setup.exe is the installer, whose lists of files
# to install and to remove are written here from the same lines, so the uninstaller removes exactly what
# was installed and nothing of the user's.
cmake_minimum_required(VERSION 3.22)
foreach(variable FILES BASE VERSION ICON MAKENSIS SCRIPT)
    if(NOT ${variable})
        message(FATAL_ERROR "make_package.cmake: ${variable} is not set")
    endif()
endforeach()

get_filename_component(packageFolder "${BASE}" DIRECTORY)
get_filename_component(baseName "${BASE}" NAME)
set(zip "${BASE}-windows-x64.zip")
set(installer "${BASE}-setup.exe")
set(nsisFolder "${BASE}-nsis")
file(REMOVE_RECURSE "${BASE}" "${nsisFolder}")
file(REMOVE "${zip}" "${installer}")
file(MAKE_DIRECTORY "${BASE}" "${nsisFolder}")

# A text file for Notepad: UTF-8 with a byte-order mark and CRLF line ends.
string(ASCII 239 187 191 bom)

file(STRINGS "${FILES}" entries)
set(installLines "")
set(removeLines "")
set(folders "")
foreach(entry IN LISTS entries)
    if(NOT entry MATCHES "^([^|]+)\\|([^|]+)$")
        message(FATAL_ERROR "make_package.cmake: bad line in ${FILES}: ${entry}")
    endif()
    set(source "${CMAKE_MATCH_1}")
    set(destination "${CMAKE_MATCH_2}")
    if(NOT EXISTS "${source}")
        message(FATAL_ERROR "make_package.cmake: ${source} is missing")
    endif()
    get_filename_component(folder "${destination}" DIRECTORY)
    file(MAKE_DIRECTORY "${BASE}/${folder}")
    if(destination MATCHES "\\.txt$")
        file(READ "${source}" text)
        string(REPLACE "\r\n" "\n" text "${text}")
        string(REPLACE "\n" "\r\n" text "${text}")
        file(WRITE "${BASE}/${destination}" "${bom}${text}")
    else()
        file(COPY_FILE "${source}" "${BASE}/${destination}")
    endif()

    string(REPLACE "/" "\\" windowsName "${destination}")
    set(outPath "$INSTDIR")
    if(folder)
        string(REPLACE "/" "\\" windowsFolder "${folder}")
        set(outPath "$INSTDIR\\${windowsFolder}")
    endif()
    string(APPEND installLines "SetOutPath \"${outPath}\"\nFile \"${BASE}/${destination}\"\n")
    string(APPEND removeLines "Delete \"$INSTDIR\\${windowsName}\"\n")
    # Every folder on the way, so the removal can take the empty ones, deepest first.
    while(folder)
        list(APPEND folders "${folder}")
        get_filename_component(folder "${folder}" DIRECTORY)
    endwhile()
endforeach()
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
    string(REPLACE "/" "\\" windowsFolder "${folder}")
    string(APPEND removeLines "RMDir \"$INSTDIR\\${windowsFolder}\"\n")
endforeach()
file(WRITE "${nsisFolder}/install-files.nsh" "${installLines}")
file(WRITE "${nsisFolder}/remove-files.nsh" "${removeLines}")

execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf "${zip}" --format=zip "${baseName}"
    WORKING_DIRECTORY "${packageFolder}" RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "make_package.cmake: the zip was not made")
endif()

execute_process(COMMAND "${MAKENSIS}" -V2 -INPUTCHARSET UTF8 "-DVERSION=${VERSION}" "-DICON=${ICON}" "-DSTAGE=${BASE}"
    "-DLISTS=${nsisFolder}" "-DOUTFILE=${installer}" "${SCRIPT}" RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "make_package.cmake: makensis failed on ${SCRIPT}")
endif()
message(STATUS "The Windows package: ${zip} and ${installer}")
