; The Quarlo installer. It puts Quarlo.scr into the 32-bit system folder, where the Screen Saver
; Settings page lists it, makes it the current user's screen saver when that option stays ticked,
; and registers an uninstaller in the system's list of programs.
;
; scripts/package.sh builds it:
;   makensis -DVERSION=1.0.0 -DSAVER=<Quarlo.scr> -DOUTFILE=<Quarlo-Setup-1.0.0.exe> quarlo.nsi
; and adds -DSIGN=<command> to have the uninstaller and the installer signed as they are made.
;
; The output must not depend on when or where it is built: no file times are stored
; (SetDateSave off), the compressor is fixed, and every input comes in through the defines above.

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
SetCompressorDictSize 8
SetDateSave off
SetOverwrite on
CRCCheck on

!ifndef VERSION
  !error "define VERSION, SAVER and OUTFILE (scripts/package.sh does)"
!endif
!ifndef SAVER
  !error "define VERSION, SAVER and OUTFILE (scripts/package.sh does)"
!endif
!ifndef OUTFILE
  !error "define VERSION, SAVER and OUTFILE (scripts/package.sh does)"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quarlo"
!define DESKTOP_KEY "Control Panel\Desktop"
; SystemParametersInfo: SPI_SETSCREENSAVEACTIVE, stored and announced
; (SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE).
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_STORE_AND_ANNOUNCE 3

Name "Quarlo"
OutFile "${OUTFILE}"
; Only the uninstaller lives here; the saver itself goes to the system folder.
InstallDir "$PROGRAMFILES\Quarlo"
BrandingText "Quarlo ${VERSION}"

!ifdef SIGN
  !uninstfinalize `${SIGN} "%1"` = 0
  !finalize `${SIGN} "%1"` = 0
!endif

!include MUI2.nsh
!include LogicLib.nsh

!define MUI_ICON "../assets/quarlo.ico"
!define MUI_UNICON "../assets/quarlo.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the fallback; MUI picks the one that matches the system's language.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString SaverSection ${LANG_ENGLISH} "Quarlo screen saver"
LangString SaverSection ${LANG_JAPANESE} "Quarlo スクリーン セーバー"
LangString CurrentSection ${LANG_ENGLISH} "Make Quarlo the current screen saver"
LangString CurrentSection ${LANG_JAPANESE} "Quarlo を現在のスクリーン セーバーにする"
LangString RemoveSettings ${LANG_ENGLISH} "Also delete your Quarlo settings (Quarlo.ini)?"
LangString RemoveSettings ${LANG_JAPANESE} "Quarlo の設定ファイル (Quarlo.ini) も削除しますか?"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Quarlo"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "Quarlo"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Quarlo Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) 2026 the Quarlo authors"

; The folder of the saver as every process sees it: SysWOW64 on 64-bit Windows (where a 32-bit
; program's System32 is redirected), System32 on 32-bit Windows. The settings page, the uninstall
; entry and the screen-saver host are 64-bit there, so they must be given this real folder.
Var SaverDir
Var SaverPath

!macro FIND_SAVER_DIR un
Function ${un}FindSaverDir
  System::Call 'kernel32::GetSystemWow64DirectoryW(w .r0, i ${NSIS_MAX_STRLEN}) i .r1'
  ${If} $1 = 0
    StrCpy $0 $SYSDIR
  ${EndIf}
  StrCpy $SaverDir $0
  StrCpy $SaverPath "$0\Quarlo.scr"
FunctionEnd
!macroend
!insertmacro FIND_SAVER_DIR ""
!insertmacro FIND_SAVER_DIR "un."

Function .onInit
  Call FindSaverDir
FunctionEnd

Function un.onInit
  Call un.FindSaverDir
FunctionEnd

Section "!$(SaverSection)" SaverSectionId
  SectionIn RO
  SetOutPath $SaverDir
  File "/oname=Quarlo.scr" "${SAVER}"
  SetOutPath $INSTDIR
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quarlo"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quarlo"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SaverPath,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SaverSectionId} $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The values the Screen Saver Settings page writes when the user picks Quarlo: the saver's short
; path and the saver switched on. The timeout stays as the user had it.
Section "$(CurrentSection)" CurrentSectionId
  GetFullPathName /SHORT $0 $SaverPath
  ${If} $0 == ""
    StrCpy $0 $SaverPath
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $0
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_STORE_AND_ANNOUNCE})'
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
SectionEnd

; Back to no screen saver, as choosing "(None)" on the settings page does, but only when the
; current one is the saver this uninstaller removes.
Function un.ClearCurrentSaver
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == ""
    Return
  ${EndIf}
  GetFullPathName /SHORT $1 $SaverPath
  ${If} $0 == $SaverPath
  ${OrIf} $0 == $1
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 0, p 0, i ${SPIF_STORE_AND_ANNOUNCE})'
  ${EndIf}
FunctionEnd

; The saver keeps Quarlo.ini beside itself. Run without administrator rights it cannot write the
; system folder, and file virtualisation puts the file in the user's VirtualStore instead: under
; System32 or SysWOW64, depending on the name the saver was started by. The user is asked first;
; the silent uninstall keeps the settings.
Function un.RemoveSettings
  StrCpy $2 $WINDIR "" 2  ; without the drive: \Windows
  StrCpy $3 "$LOCALAPPDATA\VirtualStore$2\System32\Quarlo.ini"
  StrCpy $4 "$LOCALAPPDATA\VirtualStore$2\SysWOW64\Quarlo.ini"
  ${IfNot} ${FileExists} "$SaverDir\Quarlo.ini"
  ${AndIfNot} ${FileExists} $3
  ${AndIfNot} ${FileExists} $4
    Return
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONQUESTION "$(RemoveSettings)" /SD IDNO IDNO keep
  Delete "$SaverDir\Quarlo.ini"
  Delete $3
  Delete $4
  keep:
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  Call un.ClearCurrentSaver
  Call un.RemoveSettings
  Delete /REBOOTOK $SaverPath
  Delete "$INSTDIR\Uninstall.exe"
  RMDir $INSTDIR
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
