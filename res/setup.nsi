; Kestrane's setup program: installs for the current user only, without administrator rights.
; Built by cmake/Packaging.cmake, which defines VERSION, PUBLISHER, STAGE (the folder holding the
; installed files), ICON, LICENSE and OUTFILE on makensis's command line.

; Debian's makensis makes 32-bit setups by default; a 64-bit program gets a 64-bit setup.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true
ManifestSupportedOS all

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrane"
!define FOLDER_ENTRY "Kestrane - convert a folder"
!define FILES_ENTRY "Kestrane - convert files one by one"
!define FOLDER_SHORTCUT "$SMPROGRAMS\${FOLDER_ENTRY}.lnk"
!define FILES_SHORTCUT "$SMPROGRAMS\${FILES_ENTRY}.lnk"

; What the setup puts in the installation folder besides the uninstaller: one list for both ways.
!macro ForEachFile ACTION
  !insertmacro ${ACTION} "Kestrane.exe"
  !insertmacro ${ACTION} "kestrane-cli.exe"
  !insertmacro ${ACTION} "README.txt"
  !insertmacro ${ACTION} "LICENSE.txt"
!macroend
!macro InstallFile NAME
  File "${STAGE}/${NAME}"
!macroend
; A program that has just ended can hold its file a moment longer, and one still open holds it
; until it is closed: retry for a few seconds, then ask (a silent uninstall goes on without it).
!macro RemoveFile NAME
  StrCpy $R0 0
  ${Do}
    ClearErrors
    Delete "$INSTDIR\${NAME}"
    ${IfNot} ${Errors}
      ${ExitDo}
    ${EndIf}
    IntOp $R0 $R0 + 1
    ${If} $R0 >= 20
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "$INSTDIR\${NAME} is in use. Close Kestrane, then choose Retry." /SD IDCANCEL IDRETRY +2
      ${ExitDo}
      StrCpy $R0 0
    ${EndIf}
    Sleep 250
  ${Loop}
!macroend

Name "Kestrane"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Kestrane"
BrandingText "Kestrane ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "Kestrane"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Kestrane setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "MIT License"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_TEXT "Kestrane is in the Start menu:$\r$\n$\r$\n\
  ${FOLDER_ENTRY}$\r$\n${FILES_ENTRY}"

!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Kestrane"
  SetOutPath "$INSTDIR"
  !insertmacro ForEachFile InstallFile
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; Both modes from the Start menu: the open-file mode is otherwise out of reach of most users.
  SetShellVarContext current
  CreateShortCut "${FOLDER_SHORTCUT}" "$INSTDIR\Kestrane.exe" "" "$INSTDIR\Kestrane.exe" 0
  CreateShortCut "${FILES_SHORTCUT}" "$INSTDIR\Kestrane.exe" "/file" "$INSTDIR\Kestrane.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Kestrane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kestrane.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Removes what the setup put in place, and nothing else: a file the user left in the folder keeps
; the folder.
Section "Uninstall"
  !insertmacro ForEachFile RemoveFile
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  SetShellVarContext current
  Delete "${FOLDER_SHORTCUT}"
  Delete "${FILES_SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
