; The Windows installer: velmora-gui.exe and velmora.exe, for the current user (the default, into
; %LOCALAPPDATA%\Programs\Velmora, no administrator rights) or for all users (into
; %ProgramFiles%\Velmora, administrator rights), a Start menu entry for the dialog program and an
; uninstaller registered with Windows. Nothing else is touched: no PATH, no file types, no desktop.
;
; Command line (also with /S, silent):
;   /CURRENTUSER   install for the current user (the default)
;   /ALLUSERS      install for all users; a silent run must already be elevated, else it ends
;                  with exit code 740 (elevation required) and installs nothing
;   /D=FOLDER      another install folder (last on the command line, unquoted)
; The uninstaller takes the same two switches; without one it finds its mode in the registry.
;
; Defines (tools/build-windows.sh passes them with -D):
;   VERSION        the program's version (1.2.0)
;   FILE_VERSION   the same in four parts (1.2.0.0), for the installer's version resource
;   GUI_EXE        velmora-gui.exe to install
;   CLI_EXE        velmora.exe to install
;   OUT_FILE       the installer to write
;   README_FILE    optional: installed as README.md
;   LICENCE_FILE   optional: installed as LICENSE.txt
;   ICON_FILE      optional: the installer's and uninstaller's icon; NSIS's own without it

Unicode true
; A 64-bit installer for 64-bit programs: no file system or registry redirection to mind.
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
; Per user needs no rights; the all-users mode asks for them when it is chosen (see ElevateOrQuit).
RequestExecutionLevel user

!ifndef VERSION | FILE_VERSION | GUI_EXE | CLI_EXE | OUT_FILE
  !error "VERSION, FILE_VERSION, GUI_EXE, CLI_EXE and OUT_FILE must be defined (-D)"
!endif

!define PRODUCT "Velmora"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"
!define SHORTCUT "$SMPROGRAMS\Velmora.lnk"
!define UNINSTALLER "uninstall.exe"
!define ERROR_ELEVATION_REQUIRED 740

!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" ""

!ifdef ICON_FILE
  !define MUI_ICON "${ICON_FILE}"
  !define MUI_UNICON "${ICON_FILE}"
!endif
!define MUI_ABORTWARNING

Var Mode            ; "all" or "user"
Var ModeGiven       ; 1 when the command line chose the mode
Var FolderGiven     ; 1 when /D= chose the folder
Var AllUsersButton

Page custom ModePageShow ModePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; ---- the mode, shared by the installer and the uninstaller ----

; Reads /ALLUSERS or /CURRENTUSER into $Mode and $ModeGiven (the last one given wins).
!macro ReadModeSwitches
  StrCpy $Mode "user"
  StrCpy $ModeGiven 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $Mode "all"
    StrCpy $ModeGiven 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CURRENTUSER" $R1
  ${IfNot} ${Errors}
    StrCpy $Mode "user"
    StrCpy $ModeGiven 1
  ${EndIf}
!macroend

; The shell folders ($SMPROGRAMS) and SHCTX (HKLM or HKCU) of $Mode.
!macro UseModeContext
  ${If} $Mode == "all"
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
!macroend

; In the all-users mode without administrator rights: a silent run ends with exit code 740; an
; interactive one starts itself again elevated (Windows asks) with the switch and the arguments
; given in PARAMETERS, and ends. Back with the error flag set when the elevation was refused.
; Uses $R2.
!macro ElevateOrQuit PARAMETERS
  ClearErrors
  ${If} $Mode == "all"
    UserInfo::GetAccountType
    Pop $R2
    ${If} $R2 != "Admin"
      ${If} ${Silent}
        SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
        Quit
      ${EndIf}
      ExecShell "runas" "$EXEPATH" "${PARAMETERS}"
      ${IfNot} ${Errors}
        Quit
      ${EndIf}
    ${EndIf}
  ${EndIf}
!macroend

; ---- the installer ----

Function .onInit
  StrCpy $FolderGiven 0
  ${If} $INSTDIR != ""
    StrCpy $FolderGiven 1
  ${EndIf}
  !insertmacro ReadModeSwitches
  ${If} $ModeGiven == 1
    !insertmacro ElevateOrQuit "$R0"
    ${If} ${Errors}
      MessageBox MB_OK|MB_ICONSTOP "Installing for all users needs administrator rights."
      SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
      Quit
    ${EndIf}
  ${EndIf}
  Call ApplyMode
FunctionEnd

Function ApplyMode
  !insertmacro UseModeContext
  ${If} $FolderGiven == 0
    ${If} $Mode == "all"
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

; Asked only when the command line did not choose.
Function ModePageShow
  ${If} $ModeGiven == 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Installation Mode" "Who will use ${PRODUCT} on this computer?"
  nsDialogs::Create 1018
  Pop $R0
  ${NSD_CreateRadioButton} 0 10u 100% 12u "&Only me (no administrator rights needed)"
  Pop $R1
  ${NSD_CreateRadioButton} 0 30u 100% 12u "&All users of this computer (needs administrator rights)"
  Pop $AllUsersButton
  ${If} $Mode == "all"
    ${NSD_Check} $AllUsersButton
  ${Else}
    ${NSD_Check} $R1
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $AllUsersButton $R0
  ${If} $R0 == ${BST_CHECKED}
    StrCpy $Mode "all"
  ${Else}
    StrCpy $Mode "user"
  ${EndIf}
  !insertmacro ElevateOrQuit "/ALLUSERS"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "Installing for all users needs administrator rights."
    Abort
  ${EndIf}
  Call ApplyMode
FunctionEnd

Section "Velmora"
  SetOutPath "$INSTDIR"
  File "/oname=velmora-gui.exe" "${GUI_EXE}"
  File "/oname=velmora.exe" "${CLI_EXE}"
!ifdef README_FILE
  File "/oname=README.md" "${README_FILE}"
!endif
!ifdef LICENCE_FILE
  File "/oname=LICENSE.txt" "${LICENCE_FILE}"
!endif
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortcut "${SHORTCUT}" "$INSTDIR\velmora-gui.exe" "" "$INSTDIR\velmora-gui.exe" 0

  ${If} $Mode == "all"
    StrCpy $R0 "/ALLUSERS"
  ${Else}
    StrCpy $R0 "/CURRENTUSER"
  ${EndIf}
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velmora-gui.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}" $R0'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" $R0 /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $R1 $R2 $R3
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$R1"
SectionEnd

; ---- the uninstaller: removes exactly what the installer wrote ----

Function un.onInit
  !insertmacro ReadModeSwitches
  ${If} $ModeGiven == 0
    ; Run by hand: the all-users entry names this folder when this is an all-users install.
    ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R0 == $INSTDIR
      StrCpy $Mode "all"
    ${EndIf}
  ${EndIf}
  !insertmacro ElevateOrQuit "/ALLUSERS _?=$INSTDIR"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "Removing ${PRODUCT} for all users needs administrator rights."
    SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
    Quit
  ${EndIf}
  !insertmacro UseModeContext
FunctionEnd

Section "Uninstall"
  Delete "${SHORTCUT}"
  Delete "$INSTDIR\velmora-gui.exe"
  Delete "$INSTDIR\velmora.exe"
!ifdef README_FILE
  Delete "$INSTDIR\README.md"
!endif
!ifdef LICENCE_FILE
  Delete "$INSTDIR\LICENSE.txt"
!endif
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only when empty: files the user put there stay, and so does their folder.
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
