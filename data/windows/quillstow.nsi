; The Windows installer: quillstow.exe and quillstow-cli.exe for every user of the machine in
; "Program Files\quillstow", a Start-menu entry, and an uninstaller that Windows lists among the
; installed programs. The programs keep their settings and log in %LOCALAPPDATA%\quillstow
; when they cannot write their own folder, which is so for a user who is not an administrator;
; the uninstaller leaves that folder alone. /S installs or uninstalls without a question.
;
; scripts/package-windows.sh compiles it: makensis -DVERSION=X.Y.Z -DSTAGE=FOLDER -DOUTFILE=FILE,
; STAGE holding quillstow.exe, quillstow-cli.exe and README.md.

!ifndef VERSION | STAGE | OUTFILE
  !error "define VERSION, STAGE and OUTFILE (scripts/package-windows.sh does)"
!endif

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\quillstow"

Name "quillstow ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\quillstow"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "quillstow"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "quillstow ${VERSION} installer"
VIAddVersionKey "LegalCopyright" "quillstow"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.md"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A per-machine install writes to Program Files and HKLM: without an administrator's rights it
; would fail half-way, so it does not start. 740 is ERROR_ELEVATION_REQUIRED.
!macro RequireAdministrator
  SetShellVarContext all
  SetRegView 64
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    IfSilent +2
    MessageBox MB_ICONSTOP "quillstow is installed for every user of this computer: run this as an administrator."
    SetErrorLevel 740
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro RequireAdministrator
FunctionEnd

Function un.onInit
  !insertmacro RequireAdministrator
FunctionEnd

Section "quillstow" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\quillstow.exe"
  File "${STAGE}\quillstow-cli.exe"
  File "${STAGE}\README.md"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\quillstow.lnk" "$INSTDIR\quillstow.exe" "" "$INSTDIR\quillstow.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "quillstow"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "quillstow"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillstow.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecMain} $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Only what the installer put there goes. A settings.dat or brlog.dat that a program run as
; administrator wrote beside itself is the user's: it stays, and so does the folder then.
Section "Uninstall"
  Delete "$SMPROGRAMS\quillstow.lnk"
  Delete "$INSTDIR\quillstow.exe"
  Delete "$INSTDIR\quillstow-cli.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
