# Fails when a source of one layer includes a project header of a layer it may not use, or includes Qt
# outside the folders that may. Run as a build step of every layer library (see kirva_layer in the root
# CMakeLists.txt), so a wrong-way include breaks the build rather than waiting for a reader to notice.
#
#   cmake -DROOT=<source root> -DFOLDERS=<folders of the layer> -DUSES=<top folders it may include>
#         [-DQT_FOLDERS=<folders that may include Qt>] [-DSTAMP=<file touched on success>]
#         -P check_layer_includes.cmake
#
# FOLDERS and USES are ;- or |-separated paths below ROOT ("platform", "framework/files"). An include is a
# project include when its first path element is one of the project's top folders below; an include that
# climbs with ".." is refused whatever it names; anything else ("gtest/gtest.h", <vector>) is left alone
# except Qt's headers, and <windows.h>, which only a system's own file (name ending in _win32.cpp) and
# platform/win32/ may include.

cmake_minimum_required(VERSION 3.22)

set(projectFolders platform data storage framework settings export app tools desktop tests)

foreach(required ROOT FOLDERS USES)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "check_layer_includes: ${required} is not set")
    endif()
endforeach()

# Lists may come "|"-separated, which survives a build tool's command line unchanged.
foreach(list FOLDERS USES QT_FOLDERS)
    string(REPLACE "|" ";" ${list} "${${list}}")
endforeach()

get_filename_component(ROOT "${ROOT}" ABSOLUTE)
list(JOIN USES ", " usesText)
list(JOIN QT_FOLDERS ", " qtText)
set(sources "")
foreach(folder IN LISTS FOLDERS)
    file(GLOB_RECURSE found "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
    list(APPEND sources ${found})
endforeach()

set(wrong "")
foreach(source IN LISTS sources)
    file(RELATIVE_PATH relative "${ROOT}" "${source}")
    set(mayUseQt FALSE)
    foreach(qtFolder IN LISTS QT_FOLDERS)
        if(relative MATCHES "^${qtFolder}/")
            set(mayUseQt TRUE)
        endif()
    endforeach()
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*)[\">].*$" "\\1" header "${line}")
        if(line MATCHES "#[ \t]*include[ \t]*<" AND header MATCHES "^Q[A-Za-z]*(/|$)" AND NOT mayUseQt)
            list(APPEND wrong "${relative}: includes Qt (<${header}>), which only ${qtText} may")
            continue()
        endif()
        if(header MATCHES "^[Ww]indows\\.h$" AND NOT relative MATCHES "(_win32\\.cpp|^platform/win32/.*)$")
            list(APPEND wrong "${relative}: includes <${header}>, which only *_win32.cpp files and platform/win32/ may")
            continue()
        endif()
        if(NOT line MATCHES "#[ \t]*include[ \t]*\"")
            continue()
        endif()
        # A path that climbs out of the including file's folder ("../app/startup.h") names no layer at its
        # start and could reach any of them, so it is refused wherever it stands.
        if(header MATCHES "(^|/)\\.\\.(/|$)")
            set(climbs "a path that climbs out of its folder (name the header from the source root)")
            list(APPEND wrong "${relative}: includes \"${header}\", ${climbs}")
            continue()
        endif()
        string(REGEX MATCH "^[^/]*" top "${header}")
        if(NOT top IN_LIST projectFolders)
            continue()
        endif()
        set(allowed FALSE)
        foreach(use IN LISTS USES)
            if(header MATCHES "^${use}/")
                set(allowed TRUE)
            endif()
        endforeach()
        if(NOT allowed)
            list(APPEND wrong "${relative}: includes \"${header}\", which its layer may not use (may use: ${usesText})")
        endif()
    endforeach()
endforeach()

if(wrong)
    list(JOIN wrong "\n  " text)
    message(FATAL_ERROR "Wrong-way include (see docs/architecture.md):\n  ${text}")
endif()
if(DEFINED STAMP)
    file(TOUCH "${STAMP}")
endif()
