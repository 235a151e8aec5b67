; The Windows installer, quorbit-VERSION-setup.exe, built by makensis from
; packaging/CMakeLists.txt with VERSION, CLI (the built quorbit-cli.exe), DESKTOP (the built
; quorbit.exe), README and OUT defined.
; It installs the programs in Program Files with a Start Menu folder and an uninstaller; /S
; installs and uninstalls silently.
; A 64-bit installer: it runs where the programs run, without 32-bit Windows (or Wine) support.
Target amd64-unicode
!include "x64.nsh"
!include "LogicLib.nsh"

Name "Quorbit ${VERSION}"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\Quorbit"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorbit"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Quorbit needs a 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Quorbit"
  SetOutPath "$INSTDIR"
  File "${CLI}"
  File "${DESKTOP}"
  File "/oname=README.md" "${README}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; For every user: the desktop program, and a console in which quorbit-cli answers, its help
  ; shown first.
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\Quorbit"
  CreateShortcut "$SMPROGRAMS\Quorbit\Quorbit.lnk" "$INSTDIR\quorbit.exe"
  CreateShortcut "$SMPROGRAMS\Quorbit\Quorbit console.lnk" "$SYSDIR\cmd.exe" '/k ""$INSTDIR\quorbit-cli.exe" --help"' "$INSTDIR\quorbit-cli.exe" 0
  CreateShortcut "$SMPROGRAMS\Quorbit\Read me.lnk" "$INSTDIR\README.md"
  CreateShortcut "$SMPROGRAMS\Quorbit\Uninstall Quorbit.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quorbit ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quorbit"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes every autostart value of this user that starts the installed quorbit.exe: the
; program writes one for each folder it works in, each named after the program and the
; folder, and each starting with the program's path in quotes.
Function un.RemoveAutostartValues
  StrCpy $0 0
  StrCpy $3 '"$INSTDIR\quorbit.exe"'
  StrLen $4 $3
  ${Do}
    EnumRegValue $1 HKCU "${RUN_KEY}" $0
    ${If} $1 == ""
      ${Break}
    ${EndIf}
    ReadRegStr $2 HKCU "${RUN_KEY}" $1
    StrCpy $2 $2 $4
    ; Compared without regard to letter case, as Windows compares paths.
    ${If} $2 == $3
      DeleteRegValue HKCU "${RUN_KEY}" $1
    ${Else}
      IntOp $0 $0 + 1
    ${EndIf}
  ${Loop}
FunctionEnd

Section "Uninstall"
  Call un.RemoveAutostartValues
  ; The autostart value that the program writes for itself (named after the program's path),
  ; for this user and for the machine.
  DeleteRegValue HKCU "${RUN_KEY}" "$INSTDIR\quorbit.exe"
  DeleteRegValue HKLM "${RUN_KEY}" "$INSTDIR\quorbit.exe"
  DeleteRegValue HKCU "${RUN_KEY}" "$INSTDIR\quorbit-cli.exe"
  DeleteRegValue HKLM "${RUN_KEY}" "$INSTDIR\quorbit-cli.exe"

  Delete "$INSTDIR\quorbit-cli.exe"
  Delete "$INSTDIR\quorbit.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "$SMPROGRAMS\Quorbit\Quorbit.lnk"
  Delete "$SMPROGRAMS\Quorbit\Quorbit console.lnk"
  Delete "$SMPROGRAMS\Quorbit\Read me.lnk"
  Delete "$SMPROGRAMS\Quorbit\Uninstall Quorbit.lnk"
  RMDir "$SMPROGRAMS\Quorbit"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; The user's queue and results, where the installed program keeps them, go only when the
  ; user says so; a silent uninstall keeps them.
  SetShellVarContext current
  ${If} ${FileExists} "$LOCALAPPDATA\Quorbit\*.*"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Delete your Quorbit queue, settings and results in$\r$\n$LOCALAPPDATA\Quorbit$\r$\ntoo?" /SD IDNO IDNO keep
    RMDir /r "$LOCALAPPDATA\Quorbit"
    keep:
  ${EndIf}
SectionEnd
