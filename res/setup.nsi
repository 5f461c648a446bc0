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
!include "nsDialogs.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrane"
!define FOLDER_ENTRY "Kestrane - convert a folder"
!define FILES_ENTRY "Kestrane - convert files one by one"
!define FOLDER_SHORTCUT "$SMPROGRAMS\${FOLDER_ENTRY}.lnk"
!define FILES_SHORTCUT "$SMPROGRAMS\${FILES_ENTRY}.lnk"
; What the setup remembers for the next time it runs.
!define SETTINGS_KEY "Software\Kestrane"

; The frame rates offered: the name Kestrane takes after /fps: (its own list of names; empty for
; the classic 33 ms frame) and what the page shows.
!macro ForEachRate ACTION
  !insertmacro ${ACTION} "" "The classic 33 ms frame, frames 00 to 29 (as before)"
  !insertmacro ${ACTION} "23.976" "23.976 fps: film, Blu-ray, streaming"
  !insertmacro ${ACTION} "24" "24 fps: film"
  !insertmacro ${ACTION} "25" "25 fps: PAL (Europe, Africa, most of Asia)"
  !insertmacro ${ACTION} "29.97" "29.97 fps drop-frame: NTSC"
  !insertmacro ${ACTION} "29.97ndf" "29.97 fps non-drop"
  !insertmacro ${ACTION} "30" "30 fps exactly"
  !insertmacro ${ACTION} "50" "50 fps"
  !insertmacro ${ACTION} "59.94" "59.94 fps drop-frame"
  !insertmacro ${ACTION} "59.94ndf" "59.94 fps non-drop"
  !insertmacro ${ACTION} "60" "60 fps"
!macroend

; The rate every entry that starts Kestrane passes, as /fps:RATE; empty for the classic frame.
Var FrameRate
Var FrameRateList
; Where the lists start on the editor's timeline, passed as /offset:TC; empty for 00:00:00:00,
; which passes nothing, so that the lists stay as they always were.
Var TimelineStart
Var TimelineStartBox
; 1 when every entry passes /strip-tags.
Var StripTags
Var StripTagsBox
; 1 when every entry passes /sources:srt,vtt: folder walks convert .srt and .vtt files too.
Var Sources
Var SourcesBox
; Appends PART to RESULT, with a space between them where both hold something.
!macro AppendArgument RESULT PART
  ${If} `${PART}` != ""
    ${If} ${RESULT} != ""
      StrCpy ${RESULT} "${RESULT} "
    ${EndIf}
    StrCpy ${RESULT} `${RESULT}${PART}`
  ${EndIf}
!macroend
; The arguments of such an entry: its mode (MODE: /file, or empty), the rate's, and last the
; folder that Explorer fills in (PLACE: "%V", or empty). Explorer writes a drive's root as C:\,
; and by the runtime's rules the backslash of "C:\" escapes the closing quote, so that the
; argument runs on over all that follows: nothing may follow the folder. The one place they are
; built, so that every entry passes the same rate.
!macro KestraneArguments RESULT MODE PLACE
  StrCpy ${RESULT} ""
  !insertmacro AppendArgument ${RESULT} `${MODE}`
  ${If} $FrameRate != ""
    !insertmacro AppendArgument ${RESULT} "/fps:$FrameRate"
  ${EndIf}
  ${If} $TimelineStart != ""
    !insertmacro AppendArgument ${RESULT} "/offset:$TimelineStart"
  ${EndIf}
  ${If} $StripTags == 1
    !insertmacro AppendArgument ${RESULT} "/strip-tags"
  ${EndIf}
  ${If} $Sources == 1
    !insertmacro AppendArgument ${RESULT} "/sources:srt,vtt"
  ${EndIf}
  !insertmacro AppendArgument ${RESULT} `${PLACE}`
!macroend
; Explorer's right-click menu of a folder and of a folder's background, for this user only.
!define MENU_FOLDER_KEY "Software\Classes\Directory\shell\Kestrane"
!define MENU_BACKGROUND_KEY "Software\Classes\Directory\Background\shell\Kestrane"

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
  !insertmacro KestraneArguments $R3 "" '"%V"'
  WriteRegStr HKCU "${KEY}\command" "" '"$INSTDIR\Kestrane.exe" $R3'
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
Page custom FrameRatePage FrameRatePageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The two digits of $R5 at TENS and UNITS places before its end, as a number in $R9: IntOp
; would read "08" as octal.
!macro TwoDigits TENS UNITS
  StrCpy $R8 $R5 1 -${TENS}
  IntOp $R9 $R8 * 10
  StrCpy $R8 $R5 1 -${UNITS}
  IntOp $R9 $R9 + $R8
!macroend
; Whether $TimelineStart is a timecode Kestrane takes at $FrameRate, as it reads /offset: a
; leading '-', then H:MM:SS:FF with hours of one to seven digits and ':' or ';' between fields,
; minutes and seconds below 60, frames below the rate's count, and no label that drop-frame
; skips. 00:00:00:00 becomes empty: nothing to pass. $R4 is empty when it is one, else not.
Function CheckTimelineStart
  StrCpy $R4 "no timecode"
  StrCpy $R5 $TimelineStart "" 1
  StrCpy $R6 $TimelineStart 1
  ${If} $R6 != "-"
    StrCpy $R5 $TimelineStart
  ${EndIf}
  ; Its shape: each digit a 9, each separator a ':'.
  StrCpy $R6 ""
  StrCpy $R7 0
  ${Do}
    StrCpy $R8 $R5 1 $R7
    ${If} $R8 == ""
      ${ExitDo}
    ${EndIf}
    ${If} $R8 == ";"
      StrCpy $R8 ":"
    ${EndIf}
    ; A single character other than 1 to 9 reads as 0.
    IntOp $R9 $R8 + 0
    ${If} $R8 == "0"
    ${OrIf} $R9 <> 0
      StrCpy $R8 "9"
    ${EndIf}
    StrCpy $R6 "$R6$R8"
    IntOp $R7 $R7 + 1
  ${Loop}
  StrCpy $R7 $R6 "" -9
  StrCpy $R6 $R6 -9
  ${If} $R7 != ":99:99:99"
  ${OrIf} $R6 == ""
    Return
  ${EndIf}
  ${Do}
    StrCpy $R8 $R6 1
    ${If} $R8 != "9"
      ${ExitDo}
    ${EndIf}
    StrCpy $R6 $R6 "" 1
  ${Loop}
  StrLen $R7 $R5
  ${If} $R6 != ""
  ${OrIf} $R7 > 16
    Return
  ${EndIf}
  ; The frames of a second at the rate, and the frame numbers dropped at a minute's start.
  StrCpy $R6 30
  StrCpy $R7 0
  ${If} $FrameRate == "23.976"
  ${OrIf} $FrameRate == "24"
    StrCpy $R6 24
  ${ElseIf} $FrameRate == "25"
    StrCpy $R6 25
  ${ElseIf} $FrameRate == "50"
    StrCpy $R6 50
  ${ElseIf} $FrameRate == "59.94"
  ${OrIf} $FrameRate == "59.94ndf"
  ${OrIf} $FrameRate == "60"
    StrCpy $R6 60
  ${EndIf}
  ${If} $FrameRate == "29.97"
    StrCpy $R7 2
  ${ElseIf} $FrameRate == "59.94"
    StrCpy $R7 4
  ${EndIf}
  !insertmacro TwoDigits 2 1
  ${If} $R9 >= $R6
    Return
  ${EndIf}
  StrCpy $R6 $R9
  !insertmacro TwoDigits 5 4
  ${If} $R9 > 59
    Return
  ${EndIf}
  ${If} $R9 == 0
  ${AndIf} $R6 < $R7
    !insertmacro TwoDigits 8 7
    IntOp $R8 $R9 % 10
    ${If} $R8 <> 0
      Return
    ${EndIf}
  ${EndIf}
  !insertmacro TwoDigits 8 7
  ${If} $R9 > 59
    Return
  ${EndIf}
  StrCpy $R4 ""
  ; Zero, in any spelling, passes nothing.
  StrCpy $R6 $R5 -9
  ${Do}
    StrCpy $R8 $R6 1
    ${If} $R8 != "0"
      ${ExitDo}
    ${EndIf}
    StrCpy $R6 $R6 "" 1
  ${Loop}
  ${If} $R6 == ""
    !insertmacro TwoDigits 2 1
    StrCpy $R7 $R9
    !insertmacro TwoDigits 5 4
    IntOp $R7 $R7 + $R9
    !insertmacro TwoDigits 8 7
    IntOp $R7 $R7 + $R9
    ${If} $R7 = 0
      StrCpy $TimelineStart ""
    ${EndIf}
  ${EndIf}
FunctionEnd

!macro KnownRate VALUE LABEL
  ${If} $1 == "${VALUE}"
    StrCpy $FrameRate "${VALUE}"
    StrCpy $2 ""
  ${EndIf}
!macroend
!macro AppendRateName VALUE LABEL
  !if "${VALUE}" != ""
    StrCpy $3 "$3, ${VALUE}"
  !endif
!macroend
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
  ; The rate of the last setup, then /FPS=RATE (any letter case; /FPS= or /FPS=classic for the
  ; classic frame). A rate Kestrane does not know ends the setup before it changes anything.
  ReadRegStr $1 HKCU "${SETTINGS_KEY}" "FrameRate"
  StrCpy $FrameRate ""
  !insertmacro ForEachRate KnownRate
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/FPS=" $1
  ${IfNot} ${Errors}
    ${If} $1 == "classic"
      StrCpy $1 ""
    ${EndIf}
    StrCpy $2 "unknown"
    !insertmacro ForEachRate KnownRate
    ${If} $2 != ""
      StrCpy $3 "classic"
      !insertmacro ForEachRate AppendRateName
      MessageBox MB_OK|MB_ICONSTOP "/FPS=$1 is not a frame rate Kestrane knows. Use one of: $3." \
        /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
  ; The timeline start, the tags' removal and the sources of the last setup, then /OFFSET=TC
  ; (at the rate; /OFFSET= for 00:00:00:00), /STRIPTAGS=1 or 0 and /SOURCES=1 or 0. An offset
  ; Kestrane would refuse ends the setup before it changes anything.
  ReadRegStr $TimelineStart HKCU "${SETTINGS_KEY}" "TimelineStart"
  ReadRegStr $StripTags HKCU "${SETTINGS_KEY}" "StripTags"
  ReadRegStr $Sources HKCU "${SETTINGS_KEY}" "Sources"
  ClearErrors
  ${GetOptions} $0 "/OFFSET=" $1
  ${IfNot} ${Errors}
    StrCpy $TimelineStart $1
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/STRIPTAGS=" $1
  ${IfNot} ${Errors}
    StrCpy $StripTags $1
  ${EndIf}
  ${If} $StripTags != 1
    StrCpy $StripTags 0
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/SOURCES=" $1
  ${IfNot} ${Errors}
    StrCpy $Sources $1
  ${EndIf}
  ${If} $Sources != 1
    StrCpy $Sources 0
  ${EndIf}
  ${If} $TimelineStart != ""
    Call CheckTimelineStart
    ${If} $R4 != ""
      MessageBox MB_OK|MB_ICONSTOP "/OFFSET=$TimelineStart is no timecode at this frame rate. \
        Use HH:MM:SS:FF (';' accepted too, a leading '-' to subtract), frames below the rate's, \
        a drop-frame label at 29.97 and 59.94." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

!macro AddRate VALUE LABEL
  ${NSD_CB_AddString} $FrameRateList "${LABEL}"
  ${If} $FrameRate == "${VALUE}"
    ${NSD_CB_SelectString} $FrameRateList "${LABEL}"
  ${EndIf}
!macroend
Function FrameRatePage
  !insertmacro MUI_HEADER_TEXT "Frame rate of your projects" \
    "The frame rate of the timecodes Kestrane writes."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 30u "Choose the frame rate of the projects you import Kestrane's \
    lists into. Both Start menu entries pass it to Kestrane; running this setup again changes it."
  Pop $0
  ${NSD_CreateDropList} 0 32u 100% 120u ""
  Pop $FrameRateList
  !insertmacro ForEachRate AddRate
  ${NSD_CreateLabel} 0 54u 100% 20u "Timeline start: the timecode of your timeline's first frame \
    (01:00:00:00 in most editing systems), added to every time; choose one or type your own."
  Pop $0
  ${NSD_CreateComboBox} 0 76u 50% 80u ""
  Pop $TimelineStartBox
  ${NSD_CB_AddString} $TimelineStartBox "00:00:00:00"
  ${NSD_CB_AddString} $TimelineStartBox "01:00:00:00"
  ${NSD_CB_AddString} $TimelineStartBox "10:00:00:00"
  ; One of the list's is chosen in it, so that the arrow keys go on from there.
  ${If} $TimelineStart == ""
    ${NSD_CB_SelectString} $TimelineStartBox "00:00:00:00"
  ${ElseIf} $TimelineStart S== "01:00:00:00"
  ${OrIf} $TimelineStart S== "10:00:00:00"
    ${NSD_CB_SelectString} $TimelineStartBox $TimelineStart
  ${Else}
    ${NSD_SetText} $TimelineStartBox $TimelineStart
  ${EndIf}
  ${NSD_CreateCheckbox} 0 98u 100% 12u "Remove formatting tags (<i>, <b>, <font ...>, {\an8}) from \
    the text"
  Pop $StripTagsBox
  ${If} $StripTags == 1
    ${NSD_Check} $StripTagsBox
  ${EndIf}
  ${NSD_CreateCheckbox} 0 112u 100% 12u "Also convert .srt and .vtt files, writing the list beside \
    them"
  Pop $SourcesBox
  ${If} $Sources == 1
    ${NSD_Check} $SourcesBox
  ${EndIf}
  ${NSD_SetFocus} $FrameRateList
  nsDialogs::Show
FunctionEnd

!macro RateOfLabel VALUE LABEL
  ${If} $0 == "${LABEL}"
    StrCpy $FrameRate "${VALUE}"
  ${EndIf}
!macroend
Function FrameRatePageLeave
  ${NSD_GetText} $FrameRateList $0
  !insertmacro ForEachRate RateOfLabel
  ${NSD_GetState} $StripTagsBox $0
  StrCpy $StripTags 0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $StripTags 1
  ${EndIf}
  ${NSD_GetState} $SourcesBox $0
  StrCpy $Sources 0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $Sources 1
  ${EndIf}
  ${NSD_GetText} $TimelineStartBox $TimelineStart
  Call CheckTimelineStart
  ${If} $R4 != ""
    ; The page stays, so that the user can mend it.
    MessageBox MB_OK|MB_ICONEXCLAMATION "$TimelineStart is no timecode at this frame rate. Type \
      HH:MM:SS:FF (';' accepted too, a leading '-' to subtract), frames below the rate's, a \
      drop-frame label at 29.97 and 59.94."
    Abort
  ${EndIf}
FunctionEnd

Section "Kestrane"
  SetOutPath "$INSTDIR"
  !insertmacro ForEachFile ReplaceableFile
  !insertmacro ForEachFile InstallFile
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; Both modes from the Start menu: the open-file mode is otherwise out of reach of most users.
  SetShellVarContext current
  !insertmacro KestraneArguments $0 "" ""
  CreateShortCut "${FOLDER_SHORTCUT}" "$INSTDIR\Kestrane.exe" "$0" "$INSTDIR\Kestrane.exe" 0
  !insertmacro KestraneArguments $0 "/file" ""
  CreateShortCut "${FILES_SHORTCUT}" "$INSTDIR\Kestrane.exe" "$0" "$INSTDIR\Kestrane.exe" 0
  WriteRegStr HKCU "${SETTINGS_KEY}" "FrameRate" "$FrameRate"
  WriteRegStr HKCU "${SETTINGS_KEY}" "TimelineStart" "$TimelineStart"
  WriteRegStr HKCU "${SETTINGS_KEY}" "StripTags" "$StripTags"
  WriteRegStr HKCU "${SETTINGS_KEY}" "Sources" "$Sources"
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
  DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd
