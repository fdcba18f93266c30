; Movarin's Windows installer, made by installer.sh with makensis from the
; folder the zip is made from. Per user: no administrator rights, everything
; under the user's own folders and HKCU. installer.sh defines VERSION,
; VERSION4 (four numbers), ICON, SIZE_KB, FILES and UNFILES (the generated
; lists of what is installed and removed), LICENSE (Movarin's licence with
; CR LF line ends, for the licence page) and OUTFILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Movarin"
!define PUBLISHER "Movarin developers"

Name "Movarin"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Movarin"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Movarin ${VERSION}"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
!macro VersionKeys LANGID DESCRIPTION
  VIAddVersionKey /LANG=${LANGID} "ProductName" "Movarin"
  VIAddVersionKey /LANG=${LANGID} "ProductVersion" "${VERSION}"
  VIAddVersionKey /LANG=${LANGID} "FileVersion" "${VERSION}"
  VIAddVersionKey /LANG=${LANGID} "FileDescription" "${DESCRIPTION}"
  VIAddVersionKey /LANG=${LANGID} "CompanyName" "${PUBLISHER}"
  VIAddVersionKey /LANG=${LANGID} "LegalCopyright" "${PUBLISHER}"
!macroend
!insertmacro VersionKeys 1041 "Movarin ${VERSION} セットアップ"
!insertmacro VersionKeys 1033 "Movarin ${VERSION} Setup"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\movarin.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The wizard speaks the user's interface language when it is one of these,
; else the first: Japanese for a Japanese Windows, English for any other.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString OldRemovalFailed ${LANG_JAPANESE} "以前のバージョンの Movarin を削除できませんでした。Movarin を終了してから、もう一度お試しください。"
LangString OldRemovalFailed ${LANG_ENGLISH} "The earlier version of Movarin could not be removed. Quit Movarin, then try again."
LangString CopyFailed ${LANG_JAPANESE} "Movarin のファイルをインストールできませんでした。Movarin を終了し、フォルダーに書き込めることを確かめてから、もう一度お試しください。"
LangString CopyFailed ${LANG_ENGLISH} "Movarin's files could not be installed. Quit Movarin and make sure the folder can be written to, then try again."

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Movarin"
  ; An earlier installation (any version, any folder) is removed by its own
  ; uninstaller first, so files the new version no longer has do not stay
  ; behind. _?= runs it in place and waits for it.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCmp $0 "" fresh
  IfFileExists "$0\Uninstall.exe" 0 fresh
  ClearErrors
  ExecWait '"$0\Uninstall.exe" /S _?=$0' $1
  IfErrors oldFailed
  StrCmp $1 "0" 0 oldFailed
  Delete "$0\Uninstall.exe"
  RMDir "$0"
  Goto fresh
oldFailed:
  SetErrorLevel 2
  Abort "$(OldRemovalFailed)"

fresh:
  ; The uninstaller and its entry come first, so that even an installation
  ; that fails half way can be removed. Silent or not, a file that could not
  ; be written fails the installation.
  ClearErrors
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Movarin"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\movarin.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  !include "${FILES}"
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\Movarin.lnk" "$INSTDIR\movarin.exe" "" "$INSTDIR\movarin.exe" 0
  IfErrors 0 done
  SetErrorLevel 2
  Abort "$(CopyFailed)"
done:
SectionEnd

; Only what the installer put there: the user's work folder and anything else
; they keep in the program's folder stay.
Section "Uninstall"
  !include "${UNFILES}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Movarin.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
