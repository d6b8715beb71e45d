# The Windows build (cross-built with cmake/toolchain-mingw64.cmake): SQLite from the pinned amalgamation
# scripts/build-windows fetches and checks, GoogleTest from Debian's sources built with the same compiler,
# and the manifest every program carries.
enable_language(C)
enable_language(RC)

set(KIRVA_SQLITE_DIR "" CACHE PATH "Folder holding sqlite3.c and sqlite3.h (the checked amalgamation)")
if(NOT EXISTS "${KIRVA_SQLITE_DIR}/sqlite3.c")
    message(FATAL_ERROR "KIRVA_SQLITE_DIR must hold sqlite3.c; scripts/build-windows fetches it")
endif()
add_library(kirva-sqlite3 STATIC ${KIRVA_SQLITE_DIR}/sqlite3.c)
target_include_directories(kirva-sqlite3 SYSTEM PUBLIC ${KIRVA_SQLITE_DIR})
# Not the project's code: its warnings are not ours to fix.
target_compile_options(kirva-sqlite3 PRIVATE -w)
target_compile_definitions(kirva-sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION SQLITE_DQS=0)
add_library(SQLite::SQLite3 ALIAS kirva-sqlite3)

set(KIRVA_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources")
function(kirva_add_googletest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(${KIRVA_GOOGLETEST_DIR} googletest EXCLUDE_FROM_ALL SYSTEM)
    foreach(library gtest gtest_main gmock)
        target_compile_options(${library} PRIVATE -w)
        if(NOT TARGET GTest::${library})
            add_library(GTest::${library} ALIAS ${library})
        endif()
    endforeach()
endfunction()

# The manifest: UTF-8 as the active code page (file names such as "Računi" in arguments and the C runtime),
# and the programs' compatibility with current Windows.
set(KIRVA_MANIFEST_RC ${PROJECT_SOURCE_DIR}/cmake/windows/manifest.rc)

# GCC 12 for MinGW reports std::string appends inlined from libstdc++ as overlapping copies (GCC bug 105329),
# and the strings of a fully initialised aggregate array as maybe uninitialised, in code that is clean on
# Linux with the same compiler version.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict> $<$<COMPILE_LANGUAGE:CXX>:-Wno-maybe-uninitialized>)

# Still to come on Windows: the desktop program kirva.exe with its Win32 window system (platform/win32/, the
# only folder besides the Windows mains that includes windows.h), its icon and manifest resources, and the
# installer and zip (scripts/build-windows builds them once they are here).
