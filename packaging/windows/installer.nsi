; The installer a club runs: UploadTavrel for one user, without administrator
; rights, in the user's own programs folder, with a Start-menu entry and an
; uninstaller among the user's installed programs. In Dutch. Made by
; scripts/windows-installer, which defines VERSION, STAGE (the zip's
; folder), FILES and REMOVE (the generated lists of that folder), ICON and
; OUTFILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\UploadTavrel"
!define SETTINGS_KEY "Software\Tavrel"

Name "UploadTavrel ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\UploadTavrel"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1043 "ProductName" "UploadTavrel"
VIAddVersionKey /LANG=1043 "CompanyName" "UploadTavrel-ontwikkelaars"
VIAddVersionKey /LANG=1043 "FileDescription" "Installatie van UploadTavrel"
VIAddVersionKey /LANG=1043 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1043 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1043 "LegalCopyright" "(c) 2026 UploadTavrel-ontwikkelaars"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_LICENSEPAGE_TEXT_TOP "UploadTavrel bevat onderdelen van anderen, met deze licenties:"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENTIES.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\uploadtavrel.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Dutch"

Section "UploadTavrel"
    !include "${FILES}"
    WriteUninstaller "$INSTDIR\verwijderen.exe"
    CreateShortcut "$SMPROGRAMS\UploadTavrel.lnk" "$INSTDIR\uploadtavrel.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "UploadTavrel"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "UploadTavrel-ontwikkelaars"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\uploadtavrel.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\verwijderen.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\verwijderen.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    ; The settings hold the FTP password. Asked, or /INSTELLINGEN when silent.
    ${un.GetParameters} $R0
    ClearErrors
    ${un.GetOptions} $R0 "/INSTELLINGEN" $R1
    ${IfNot} ${Errors}
        DeleteRegKey HKCU "${SETTINGS_KEY}"
    ${ElseIfNot} ${Silent}
        MessageBox MB_YESNO|MB_ICONQUESTION "Ook de instellingen verwijderen? Daarin staan de paden naar de databases en het FTP-account met het wachtwoord." /SD IDNO IDNO keep
        DeleteRegKey HKCU "${SETTINGS_KEY}"
        keep:
    ${EndIf}
    ; Only what the installer put there: a folder the user chose keeps the rest.
    !include "${REMOVE}"
    Delete "$INSTDIR\verwijderen.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\UploadTavrel.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
