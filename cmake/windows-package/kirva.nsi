; The KIRVA installer (NSIS 3, 64-bit Unicode). make_package.cmake runs makensis with
;   VERSION  the project's version          STAGE    the laid-out package folder
;   ICON     the program's icon, for the installer and the uninstaller
;   LISTS    install-files.nsh and remove-files.nsh, written from the package's file list
;   OUTFILE  the installer to write
; The programs go to a folder under Program Files; the user's data folder (KIRVA.INI and the data files) is
; asked for on a page of its own, is never the program folder, becomes the start-in folder of the Start-menu
; shortcuts and is never touched by the uninstaller.
; Silently: setup.exe /S [/DATA=<data folder>] [/D=<program folder>]  (/DATA= quoted or not; /D= last and
; unquoted, as NSIS wants it).

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KIRVA"
!define SETTINGS_KEY "Software\KIRVA"

Name "KIRVA"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\KIRVA"
InstallDirRegKey HKLM "${SETTINGS_KEY}" "InstallFolder"
BrandingText "KIRVA ${VERSION}"

Var DataFolder
Var StartMenuFolder

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_UNFINISHPAGE_NOAUTOCLOSE

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY

; The data folder, on a directory page of its own.
!define MUI_PAGE_HEADER_TEXT "Mapa s podatki"
!define MUI_PAGE_HEADER_SUBTEXT "Kje naj KIRVA hrani nastavitve in podatke?"
!define MUI_DIRECTORYPAGE_TEXT_TOP "V tej mapi KIRVA hrani nastavitve (KIRVA.INI) in se v njej zažene. Izberite svojo mapo s podatki, ne mape s programom. Ob odstranitvi programa mapa s podatki ostane, kakršna je."
; MUI hands this text to DirText as its second argument; the quotes in it add the third (the browse button,
; default) and the fourth (the text of the folder picker), which MUI offers no name for.
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION 'Mapa s podatki" "" "Izberite mapo s podatki za KIRVA:'
!define MUI_DIRECTORYPAGE_VARIABLE $DataFolder
!define MUI_PAGE_CUSTOMFUNCTION_SHOW DataFolderShow
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DataFolderLeave
!insertmacro MUI_PAGE_DIRECTORY

!insertmacro MUI_PAGE_INSTFILES

!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\doc\navodila\navodila.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Odpri navodila za uporabo"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "KIRVA bo odstranjena z računalnika. Mapa s podatki $DataFolder z nastavitvami (KIRVA.INI) in podatki ostane, kakršna je."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Slovenian"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_SLOVENIAN} "ProductName" "KIRVA"
VIAddVersionKey /LANG=${LANG_SLOVENIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SLOVENIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SLOVENIAN} "FileDescription" "Namestitev programa KIRVA ${VERSION}"
VIAddVersionKey /LANG=${LANG_SLOVENIAN} "LegalCopyright" "KIRVA"

; $DataFolder without a trailing backslash (a drive's root keeps its own), and the error flag set when it
; cannot be the data folder: empty, not a full path, or the program folder or a folder inside it.
Function CheckDataFolder
    ClearErrors
    Push $0
    Push $1
    StrCpy $0 $DataFolder 1 -1
    StrLen $1 $DataFolder
    ${If} $0 == "\"
    ${AndIf} $1 > 3
        StrCpy $DataFolder $DataFolder -1
    ${EndIf}
    StrCpy $0 $DataFolder 2 1
    StrCpy $1 $DataFolder 2
    ${If} $0 != ":\"
    ${AndIf} $1 != "\\"
        SetErrors
    ${EndIf}
    ; StrCmp compares without regard to case, as Windows names folders.
    StrLen $1 $INSTDIR
    StrCpy $0 $DataFolder $1
    ${If} $0 == $INSTDIR
        StrCpy $0 $DataFolder 1 $1
        ${If} $0 == ""
        ${OrIf} $0 == "\"
            SetErrors
        ${EndIf}
    ${EndIf}
    Pop $1
    Pop $0
FunctionEnd

; The space the programs need says nothing of the data folder: its two lines are hidden there.
Function DataFolderShow
    FindWindow $0 "#32770" "" $HWNDPARENT
    GetDlgItem $1 $0 1023
    ShowWindow $1 ${SW_HIDE}
    GetDlgItem $1 $0 1024
    ShowWindow $1 ${SW_HIDE}
FunctionEnd

Function DataFolderLeave
    Call CheckDataFolder
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONEXCLAMATION "Mapa s podatki mora biti polna pot do mape zunaj mape s programom ($INSTDIR)."
        Abort
    ${EndIf}
FunctionEnd

Function .onInit
    SetShellVarContext current
    ; The data folder of an earlier installation, else a KIRVA folder in the user's Documents; /DATA= wins.
    ReadRegStr $DataFolder HKLM "${SETTINGS_KEY}" "DataFolder"
    ${If} $DataFolder == ""
        StrCpy $DataFolder "$DOCUMENTS\KIRVA"
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/DATA=" $1
    ${IfNot} ${Errors}
        StrCpy $DataFolder $1
    ${EndIf}
    ; A silent installation has no page to ask again: a data folder that cannot be one ends it (exit code 2).
    ${If} ${Silent}
        Call CheckDataFolder
        ${If} ${Errors}
            SetErrorLevel 2
            Quit
        ${EndIf}
    ${EndIf}
FunctionEnd

Section "KIRVA"
    SetShellVarContext current
    !include "${LISTS}\install-files.nsh"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory $DataFolder
    StrCpy $StartMenuFolder "$SMPROGRAMS\KIRVA"
    CreateDirectory $StartMenuFolder
    ; A shortcut's start-in folder is the output folder when it is made: the data folder, where KIRVA.INI is.
    SetOutPath $DataFolder
!if /FileExists "${STAGE}\kirva.exe"
    CreateShortcut "$StartMenuFolder\KIRVA.lnk" "$INSTDIR\kirva.exe" "" "$INSTDIR\kirva.exe" 0 \
        SW_SHOWNORMAL "" "Temeljnica izdanih računov za OPAL"
!endif
    ; kirva-cli in a command prompt opened in the data folder, with the program folder on its PATH.
    CreateShortcut "$StartMenuFolder\KIRVA ukazna vrstica.lnk" "$SYSDIR\cmd.exe" \
        '/k PATH $INSTDIR;%PATH%' "$SYSDIR\cmd.exe" 0 SW_SHOWNORMAL "" \
        "Ukazna vrstica v mapi s podatki za kirva-cli (kirva-cli --help)"
    CreateShortcut "$StartMenuFolder\Navodila.lnk" "$INSTDIR\doc\navodila\navodila.html"
    CreateShortcut "$StartMenuFolder\kirva-cli (navodila v angleščini).lnk" "$INSTDIR\doc\kirva-cli.html"
    SetOutPath $INSTDIR

    WriteRegStr HKLM "${SETTINGS_KEY}" "InstallFolder" $INSTDIR
    WriteRegStr HKLM "${SETTINGS_KEY}" "DataFolder" $DataFolder
    WriteRegStr HKLM "${SETTINGS_KEY}" "StartMenuFolder" $StartMenuFolder

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "KIRVA"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "KIRVA"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" $INSTDIR
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
!if /FileExists "${STAGE}\kirva.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kirva.exe"
!endif
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
    SetShellVarContext current
    ReadRegStr $DataFolder HKLM "${SETTINGS_KEY}" "DataFolder"
    ReadRegStr $StartMenuFolder HKLM "${SETTINGS_KEY}" "StartMenuFolder"
    ${If} $StartMenuFolder == ""
        StrCpy $StartMenuFolder "$SMPROGRAMS\KIRVA"
    ${EndIf}
FunctionEnd

; Exactly what was installed: the data folder, KIRVA.INI and anything else in the program folder stay.
Section "Uninstall"
    !include "${LISTS}\remove-files.nsh"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"

    Delete "$StartMenuFolder\KIRVA.lnk"
    Delete "$StartMenuFolder\KIRVA ukazna vrstica.lnk"
    Delete "$StartMenuFolder\Navodila.lnk"
    Delete "$StartMenuFolder\kirva-cli (navodila v angleščini).lnk"
    RMDir "$StartMenuFolder"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "${SETTINGS_KEY}"
SectionEnd
