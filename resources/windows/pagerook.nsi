; The Windows installer: Program Files, a Start-menu shortcut, an entry in
; "Add or remove programs"; /S installs and uninstalls silently. The first
; page shows the licence.
; makensis -DVERSION=2.00 -DPROGRAM=pagerook.exe -DREADME=README.txt
;          -DLICENSE=LICENSE.txt -DICON=pagerook.ico -DOUTFILE=setup.exe pagerook.nsi
Unicode true
; A 64-bit installer for a 64-bit program (and none of WoW64's redirections).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define APP "Pagerook"
!define PUBLISHER "Pagerook developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pagerook"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0.0"
VIFileVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=2052 "ProductName" "${APP}"
VIAddVersionKey /LANG=2052 "FileDescription" "${APP} ${VERSION} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first language is the one used when the system's is neither.
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

; A running Pagerook holds its program file, and replacing or removing it
; under its feet leaves a half-installed program: while its instance mutex
; exists, ask the user to close it (silent: end with status 2 and one line on
; standard error).
!macro REFUSE_WHILE_RUNNING UN
Function ${UN}refuse_while_running
  retry:
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Local\Pagerook.Instance") p.r0'
  ${If} $0 != 0
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Pagerook 正在运行。请先关闭它（右键菜单“退出”），然后点击“重试”。$\r$\n$\r$\nPagerook is running. Close it (右键菜单 退出), then click Retry." \
      /SD IDCANCEL IDRETRY retry
    System::Call 'kernel32::GetStdHandle(i -12) p.r1'
    ${If} $1 != 0
    ${AndIf} $1 != -1
      FileWrite $1 "pagerook setup: Pagerook is running; close it and try again$\n"
    ${EndIf}
    SetErrorLevel 2
    Abort
  ${EndIf}
FunctionEnd
!macroend
!insertmacro REFUSE_WHILE_RUNNING ""
!insertmacro REFUSE_WHILE_RUNNING "un."

; Installed for everyone, its registry entries in the 64-bit view.
Function .onInit
  SetRegView 64
  SetShellVarContext all
  Call refuse_while_running
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
  Call un.refuse_while_running
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  File "/oname=pagerook.exe" "${PROGRAM}"
  File "/oname=README.txt" "${README}"
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\pagerook.exe" "" "$INSTDIR\pagerook.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\pagerook.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Only what the installer put there: the folder goes only when it is then
; empty, and the pictures in C:\截图 are the user's and stay.
Section "Uninstall"
  Delete "$SMPROGRAMS\${APP}.lnk"
  Delete "$INSTDIR\pagerook.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  ; A program file that could not go (started again meanwhile) keeps the
  ; uninstall entry, so that the uninstall can be done again.
  ${If} ${FileExists} "$INSTDIR\pagerook.exe"
    MessageBox MB_OK|MB_ICONSTOP "pagerook.exe 无法删除。Could not remove pagerook.exe." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
