; The Windows installer of the Kovara PC Program, made by scripts/windows/package with makensis:
;   makensis /DSTAGE=<staged folder> /DLISTS=<folder of files.nsh and remove.nsh>
;            /DOUTFILE=<setup.exe> /DVERSION=5.0 /DSIZE_KB=<size> installer.nsi
; It installs the staged folder (the program, its console companion, the clip, and the Qt and
; MinGW DLLs and plugins the program needs) for all users under Program Files, or for the
; current user alone under the user's programs folder without administrator rights (a page, or
; /AllUsers and /CurrentUser; /S alone installs for all users). It registers the program in the
; system's list of programs and under App Paths (Run and the Start menu's search find
; kovara-pc-program), puts the command line on the user's or the machine's PATH when asked (on
; by default), and makes a Start-menu shortcut. A newer setup run over an installed one replaces
; it in place. The uninstaller removes exactly the files it installed, the PATH entry it added
; and its registry entries; the working files and the support log are the user's and stay.
;
; A program that runs keeps its files: the setup looks for the mutex the program holds
; (platform/windows/RunningMark.cpp). Interactive, it asks to close the program; silent, it
; writes a line to %TEMP%\KovaraPCProgram-setup.log and ends with status 2, touching no file.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Kovara PC Program"
!define PUBLISHER "Kovara Scales"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KovaraPCProgram"
!define APP_PATHS_KEY "Software\Microsoft\Windows\CurrentVersion\App Paths\kovara-pc-program.exe"
!define RUNNING_MUTEX "KovaraPCProgramRunning"
!define SETUP_LOG "$TEMP\KovaraPCProgram-setup.log"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
; An install already there decides the mode and the folder of an upgrade.
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include WinMessages.nsh
!include FileFunc.nsh
${Using:StrFunc} UnStrRep

; scripts/windows/package passes its signing script when a certificate is given.
!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"' = 0
  !finalize '"${SIGN}" "%1"' = 0
!endif

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${STAGE}/kovara-pc-program.ico"
!define MUI_UNICON "${STAGE}/kovara-pc-program.ico"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_COMPONENTSPAGE_TEXT_TOP \
  "Check the components you want to install and uncheck the components you don't want to install."
; An upgrade keeps the mode and the folder of the install it replaces: those pages are skipped.
!define MULTIUSER_PAGE_CUSTOMFUNCTION_PRE SkipWhenInstalled
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!define MUI_PAGE_CUSTOMFUNCTION_SHOW InstallFromComponents
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenInstalled
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var Path
Var PathRoot
Var PathKey

; A line for a silent setup's caller.
!macro SetupLog TEXT
  FileOpen $9 "${SETUP_LOG}" a
  FileSeek $9 0 END
  FileWrite $9 "${TEXT}$\r$\n"
  FileClose $9
!macroend

; Stops before any file is touched while the program runs.
!macro RefuseWhileRunning UN
  ${Do}
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MUTEX}") p .r0'
    ${If} $0 P= 0
      ${Break}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    ${If} ${Silent}
      !insertmacro SetupLog "${PRODUCT} is running: close it, then run the ${UN}installer again. Nothing was changed."
      SetErrorLevel 2
      Quit
    ${EndIf}
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
                     "${PRODUCT} is running. Close it, then click Retry." IDRETRY`
      Quit
    ${EndIf}
  ${Loop}
!macroend

; Where PATH is kept for the mode chosen.
!macro ChoosePathKey
  ${If} $MultiUser.InstallMode == "AllUsers"
    StrCpy $PathRoot HKLM
    StrCpy $PathKey "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
  ${Else}
    StrCpy $PathRoot HKCU
    StrCpy $PathKey "Environment"
  ${EndIf}
!macroend

!macro ReadPath
  ${If} $PathRoot == HKLM
    ReadRegStr $Path HKLM $PathKey "Path"
  ${Else}
    ReadRegStr $Path HKCU $PathKey "Path"
  ${EndIf}
!macroend

!macro WritePath
  ${If} $PathRoot == HKLM
    WriteRegExpandStr HKLM $PathKey "Path" $Path
  ${Else}
    WriteRegExpandStr HKCU $PathKey "Path" $Path
  ${EndIf}
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
!macroend

Function SkipWhenInstalled
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    Abort
  ${EndIf}
FunctionEnd

; On an upgrade the components are the last page before the files: its button says Install.
Function InstallFromComponents
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    GetDlgItem $1 $HWNDPARENT 1
    SendMessage $1 ${WM_SETTEXT} 0 "STR:$(^InstallBtn)"
  ${EndIf}
FunctionEnd

Function .onInit
  !insertmacro MULTIUSER_INIT
  !insertmacro RefuseWhileRunning ""
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  !insertmacro RefuseWhileRunning "un"
FunctionEnd

Section "Kovara PC Program" SecProgram
  SectionIn RO
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $0 != ""
    DetailPrint "Replacing ${PRODUCT} $0 in $INSTDIR."
  ${EndIf}
  !include "${LISTS}/files.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\kovara-pc-program.exe" "" \
                 "$INSTDIR\kovara-pc-program.exe" 0
  WriteRegStr SHCTX "${APP_PATHS_KEY}" "" "$INSTDIR\kovara-pc-program.exe"
  WriteRegStr SHCTX "${APP_PATHS_KEY}" "Path" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kovara-pc-program.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
              '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
              '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Put the command line on the PATH" SecPath
  !insertmacro ChoosePathKey
  !insertmacro ReadPath
  ; NSIS's strings hold ${NSIS_MAX_STRLEN} characters, the last a terminator: a PATH that does
  ; not fit with the entry and the separators around it would be cut, so it is left alone.
  StrLen $1 $Path
  StrLen $2 $INSTDIR
  IntOp $2 $2 + $1
  IntOp $2 $2 + 2
  ${If} $2 >= ${NSIS_MAX_STRLEN}
    DetailPrint "PATH is too long to change safely, so it was left as it is: add $INSTDIR by hand."
    !insertmacro SetupLog "PATH is too long to change safely, so it was left as it is: add $INSTDIR by hand."
    Return
  ${EndIf}
  ${StrStr} $2 ";$Path;" ";$INSTDIR;"
  ${If} $2 != ""
    DetailPrint "PATH already has $INSTDIR."
  ${ElseIf} $Path == ""
    StrCpy $Path "$INSTDIR"
    !insertmacro WritePath
  ${Else}
    StrCpy $Path "$Path;$INSTDIR"
    !insertmacro WritePath
  ${EndIf}
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "PathEntry" "$INSTDIR"
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  ; The PATH entry this setup added, and only that.
  ReadRegStr $3 SHCTX "${UNINSTALL_KEY}" "PathEntry"
  ${If} $3 != ""
    !insertmacro ChoosePathKey
    !insertmacro ReadPath
    StrLen $1 $Path
    IntOp $1 $1 + 2
    ${If} $1 >= ${NSIS_MAX_STRLEN}
      DetailPrint "PATH is too long to change safely, so it was left as it is: remove $3 by hand."
    ${Else}
      ${UnStrRep} $Path ";$Path;" ";$3;" ";"
      StrCpy $Path $Path -1 1
      !insertmacro WritePath
    ${EndIf}
  ${EndIf}
  !include "${LISTS}/remove.nsh"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: a folder the user chose keeps what was there before.
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${APP_PATHS_KEY}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
