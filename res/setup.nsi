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
; Explorer's right-click menu of a folder and of a folder's background, for this user only. The
; folder comes first, so that further arguments can follow it.
!define MENU_FOLDER_KEY "Software\Classes\Directory\shell\Kestrane"
!define MENU_BACKGROUND_KEY "Software\Classes\Directory\Background\shell\Kestrane"
!define MENU_COMMAND '"$INSTDIR\Kestrane.exe" "%V"'

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
; Waits until NAME in the installation folder can be written or removed (TEST, a command that
; sets the error flag while it cannot): a program that has just ended can hold its file a moment
; longer, and one still open holds it until it is closed. After five seconds it asks; Cancel
; (and a silent run, which cannot ask) goes on with the error flag set.
!macro WaitForFile NAME TEST
  StrCpy $R0 0
  ${Do}
    ClearErrors
    ${TEST} "$INSTDIR\${NAME}"
    ${IfNot} ${Errors}
      ${ExitDo}
    ${EndIf}
    IntOp $R0 $R0 + 1
    ${If} $R0 >= 20
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "$INSTDIR\${NAME} is in use. Close Kestrane, then choose Retry." /SD IDCANCEL IDRETRY +3
      SetErrors
      ${ExitDo}
      StrCpy $R0 0
    ${EndIf}
    Sleep 250
  ${Loop}
!macroend
; Opening for appending fails while a running program holds the file; it creates nothing.
!macro OpenToReplace PATH
  ${If} ${FileExists} "${PATH}"
    FileOpen $R2 "${PATH}" a
    ${IfNot} ${Errors}
      FileClose $R2
    ${EndIf}
  ${EndIf}
!macroend
!define OpenToReplace "!insertmacro OpenToReplace"
!macro ReplaceableFile NAME
  !insertmacro WaitForFile "${NAME}" "${OpenToReplace}"
  ${If} ${Errors}
    Abort "Kestrane is still running from $INSTDIR: close it and run the setup again."
  ${EndIf}
!macroend
; $R1 counts what could not be removed.
!macro RemoveFile NAME
  !insertmacro WaitForFile "${NAME}" Delete
  ${If} ${Errors}
    IntOp $R1 $R1 + 1
  ${EndIf}
!macroend
; Both right-click entries, written and removed alike.
!macro MenuEntry KEY
  WriteRegStr HKCU "${KEY}" "" "Convert subtitles with Kestrane..."
  WriteRegStr HKCU "${KEY}" "Icon" "$INSTDIR\Kestrane.exe,0"
  WriteRegStr HKCU "${KEY}\command" "" '${MENU_COMMAND}'
!macroend

Name "Kestrane"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Kestrane"
; An upgrade goes where the installed copy is, and replaces it.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
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

; Run as another account ("Run as administrator" with an administrator's password, runas), the
; setup would install into that account's profile and registry, where the user who is signed in
; would never see it.
Function .onInit
  System::Call 'advapi32::GetUserNameW(w .r0, *i ${NSIS_MAX_STRLEN} r1) i .r2'
  System::Call 'wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 5, *p .r3, *i .r4) i .r5'
  ${If} $2 <> 0
  ${AndIf} $5 <> 0
    System::Call '*$3(&w${NSIS_MAX_STRLEN} .r6)'
    System::Call 'wtsapi32::WTSFreeMemory(p r3)'
    ${If} $6 != ""
    ${AndIf} $6 != $0
      MessageBox MB_OK|MB_ICONSTOP "This setup runs as $0, but $6 is signed in. Kestrane installs \
        for one user only: run the setup as $6, without other credentials." /SD IDOK
      SetErrorLevel 5
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Kestrane"
  SetOutPath "$INSTDIR"
  !insertmacro ForEachFile ReplaceableFile
  !insertmacro ForEachFile InstallFile
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; Both modes from the Start menu: the open-file mode is otherwise out of reach of most users.
  SetShellVarContext current
  CreateShortCut "${FOLDER_SHORTCUT}" "$INSTDIR\Kestrane.exe" "" "$INSTDIR\Kestrane.exe" 0
  CreateShortCut "${FILES_SHORTCUT}" "$INSTDIR\Kestrane.exe" "/file" "$INSTDIR\Kestrane.exe" 0
  !insertmacro MenuEntry "${MENU_FOLDER_KEY}"
  !insertmacro MenuEntry "${MENU_BACKGROUND_KEY}"

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
; the folder. When a file of ours stays (in use), so do the uninstaller, its record and the
; entries, so that Settings > Apps can finish the job later.
Section "Uninstall"
  StrCpy $R1 0
  !insertmacro ForEachFile RemoveFile
  ${If} $R1 <> 0
    SetErrorLevel 2
    DetailPrint "Files in use stay ($R1): uninstall again once Kestrane is closed."
    Return
  ${EndIf}
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  SetShellVarContext current
  Delete "${FOLDER_SHORTCUT}"
  Delete "${FILES_SHORTCUT}"
  DeleteRegKey HKCU "${MENU_FOLDER_KEY}"
  DeleteRegKey HKCU "${MENU_BACKGROUND_KEY}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
