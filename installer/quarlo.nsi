; The Quarlo installer. It puts Quarlo.scr into the 32-bit system folder, where the Screen Saver
; Settings page lists it, makes it the current user's screen saver when that option stays ticked,
; and registers an uninstaller in the system's list of programs.
;
; It starts with the rights of the user who runs it and does that user's steps itself; the steps
; for the whole machine (the system folder and the uninstall entry) it leaves to a copy of itself
; that it runs with administrator rights and waits for (RunMachinePart). When a standard user
; types an administrator's password, that copy runs as the administrator, whose HKCU is not the
; user's: so it writes nothing there. Started with administrator rights already (UAC off, or
; Wine), it is the same: the copy starts without a prompt, and this process is still the user.
; The uninstaller is split the same way.
;
; scripts/package.sh builds it:
;   makensis -DVERSION=1.0.0 -DSAVER=<Quarlo.scr> -DOUTFILE=<Quarlo-Setup-1.0.0.exe> quarlo.nsi
; and adds -DSIGN=<command> to have the uninstaller and the installer signed as they are made.
;
; The output must not depend on when or where it is built: no file times are stored
; (SetDateSave off), the compressor is fixed, and every input comes in through the defines above.

Unicode true
ManifestDPIAware true
RequestExecutionLevel user
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

; The private switches of the copy that does the machine's part: the switch itself, the language
; the user's copy speaks (/LANG=<id>), and, for the uninstaller, that the settings file in the
; system folder goes too.
!define MACHINE_PART "/MACHINEPART"
!define SETTINGS_TOO "/SETTINGS"
; That copy's exit code when it is done but the Quarlo.scr in use could only be set aside; 0 when
; it is simply done, NSIS's 2 when it failed.
!define EXIT_SET_ASIDE 10
; ShellExecuteEx: SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI; the size of SHELLEXECUTEINFOW in a
; 32-bit process; the error of a declined elevation.
!define SEE_MASK_WAIT_NO_UI 0x440
!define SHELLEXECUTEINFO_SIZE 60
!define ERROR_CANCELLED 1223

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
!include FileFunc.nsh

!define MUI_ICON "../assets/quarlo.ico"
!define MUI_UNICON "../assets/quarlo.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
; Anything the user should know (a step that could not be done for them, a file set aside) goes
; between the two sentences of the usual finish text.
!define MUI_FINISHPAGE_TEXT "$(Installed)$Notes$\r$\n$\r$\n$(CloseSetup)"

; The folder of the saver as every process sees it: SysWOW64 on 64-bit Windows (where a 32-bit
; program's System32 is redirected), System32 on 32-bit Windows. The settings page, the uninstall
; entry and the screen-saver host are 64-bit there, so they must be given this real folder.
Var SaverDir
Var SaverPath
; 1 in the copy that does the machine's part.
Var MachinePart
; What the finish page adds to its text.
Var Notes

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
LangString Installed ${LANG_ENGLISH} "Quarlo has been installed on your computer."
LangString Installed ${LANG_JAPANESE} "Quarlo は、このコンピュータにインストールされました。"
LangString CloseSetup ${LANG_ENGLISH} "Click Finish to close Setup."
LangString CloseSetup ${LANG_JAPANESE} "「完了」をクリックしセットアップを閉じます。"
LangString SetAside ${LANG_ENGLISH} "The Quarlo.scr that was in use has been renamed; Windows deletes it when it next starts."
LangString SetAside ${LANG_JAPANESE} "使用中だった Quarlo.scr は名前を変えてあり、次に Windows が起動するときに削除されます。"
LangString NotCurrent ${LANG_ENGLISH} "Quarlo could not be made your screen saver: choose it in Screen Saver Settings."
LangString NotCurrent ${LANG_JAPANESE} "Quarlo を現在のスクリーン セーバーにできませんでした。「スクリーン セーバーの設定」で選んでください。"
LangString StillCurrent ${LANG_ENGLISH} "Quarlo is still set as your screen saver: choose another in Screen Saver Settings."
LangString StillCurrent ${LANG_JAPANESE} "スクリーン セーバーは Quarlo のままです。「スクリーン セーバーの設定」でほかのものを選んでください。"
LangString InstallDeclined ${LANG_ENGLISH} "Quarlo was not installed: it goes into the system folder, which needs administrator rights."
LangString InstallDeclined ${LANG_JAPANESE} "Quarlo はインストールされませんでした。システム フォルダーに入れるには管理者の権限が必要です。"
LangString InstallFailed ${LANG_ENGLISH} "Quarlo could not be installed into the system folder."
LangString InstallFailed ${LANG_JAPANESE} "Quarlo をシステム フォルダーにインストールできませんでした。"
LangString RemoveDeclined ${LANG_ENGLISH} "Quarlo was not removed: taking it out of the system folder needs administrator rights."
LangString RemoveDeclined ${LANG_JAPANESE} "Quarlo は削除されませんでした。システム フォルダーから削除するには管理者の権限が必要です。"
LangString RemoveFailed ${LANG_ENGLISH} "Quarlo could not be removed from the system folder."
LangString RemoveFailed ${LANG_JAPANESE} "Quarlo をシステム フォルダーから削除できませんでした。"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Quarlo"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "Quarlo"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Quarlo Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) 2026 the Quarlo authors"


!macro SHARED_FUNCTIONS un
Function ${un}FindSaverDir
  System::Call 'kernel32::GetSystemWow64DirectoryW(w .r0, i ${NSIS_MAX_STRLEN}) i .r1'
  ${If} $1 = 0
    StrCpy $0 $SYSDIR
  ${EndIf}
  StrCpy $SaverDir $0
  StrCpy $SaverPath "$0\Quarlo.scr"
FunctionEnd

; Sets $MachinePart, and the language the user's copy passed on, from the command line.
Function ${un}ReadSwitches
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "${MACHINE_PART}" $1
  ${If} ${Errors}
    Return
  ${EndIf}
  StrCpy $MachinePart 1
  ${GetOptions} $0 "/LANG=" $1
  ${IfNot} ${Errors}
    StrCpy $LANGUAGE $1
  ${EndIf}
FunctionEnd

; Runs this program again with administrator rights (ShellExecuteEx "runas": the system asks for
; consent or an administrator's password, or asks nothing when this process already has them)
; with the switch of the machine's part, the language, and the arguments on the stack; waits for
; it. $0: its exit code, "declined" when the user refused, "failed" when it could not start.
Function ${un}RunMachinePart
  Exch $1
  System::Call '*(i ${SHELLEXECUTEINFO_SIZE}, i ${SEE_MASK_WAIT_NO_UI}, p $HWNDPARENT, w "runas", \
    w "$EXEPATH", w "${MACHINE_PART} /LANG=$LANGUAGE $1", p 0, i ${SW_SHOWNORMAL}, \
    p, p, p, p, i, p, p) p .r2'
  System::Call 'shell32::ShellExecuteExW(p r2) i .r0 ?e'
  Pop $3
  System::Call '*$2(i, i, p, p, p, p, p, i, p, p, p, p, i, p, p .r4)'
  System::Free $2
  ${If} $0 = 0
  ${OrIf} $4 = 0
    ${If} $3 = ${ERROR_CANCELLED}
      StrCpy $0 "declined"
    ${Else}
      StrCpy $0 "failed"
    ${EndIf}
  ${Else}
    System::Call 'kernel32::WaitForSingleObject(p r4, i -1)'
    System::Call 'kernel32::GetExitCodeProcess(p r4, *i .r0) i .r3'
    System::Call 'kernel32::CloseHandle(p r4)'
    ${If} $3 = 0
      StrCpy $0 "failed"
    ${EndIf}
  ${EndIf}
  Pop $1
FunctionEnd

; A name in the system folder that no file has: Quarlo.scr.<n>.<kind> (the kind on the stack; the
; name is left there). It does not end in .scr, so the settings page does not list it.
Function ${un}FreeName
  Exch $0
  Push $1
  StrCpy $1 0
  ${Do}
    IntOp $1 $1 + 1
  ${LoopWhile} ${FileExists} "$SaverDir\Quarlo.scr.$1.$0"
  StrCpy $0 "$SaverDir\Quarlo.scr.$1.$0"
  Pop $1
  Exch $0
FunctionEnd

; Something the user should know, in the details of the progress page; the installer also puts
; it on its finish page.
Function ${un}Note
  Exch $0
  DetailPrint $0
  SetDetailsView show
  StrCpy $Notes "$Notes$\r$\n$\r$\n$0"
  Pop $0
FunctionEnd
!macroend
!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

Function .onInit
  Call FindSaverDir
  Call ReadSwitches
  ${If} $MachinePart = 1
    SetSilent silent
  ${EndIf}
FunctionEnd

Function un.onInit
  Call un.FindSaverDir
  Call un.ReadSwitches
  ${If} $MachinePart = 1
    SetSilent silent
  ${EndIf}
FunctionEnd

Section "!$(SaverSection)" SaverSectionId
  SectionIn RO
  ${If} $MachinePart = 1
    ; Unpacked beside the old file under a name of its own, for PlaceSaver to put in place.
    Push "new"
    Call FreeName
    Pop $1
    SetOverwrite try
    File "/oname=$1" "${SAVER}"
    SetOverwrite on
    Call InstallForMachine
    Return
  ${EndIf}
  Push "/D=$INSTDIR"
  Call RunMachinePart
  ${If} $0 == "declined"
    DetailPrint "$(InstallDeclined)"
    Abort "$(InstallDeclined)"
  ${ElseIf} $0 == ${EXIT_SET_ASIDE}
    Push "$(SetAside)"
    Call Note
  ${ElseIf} $0 != 0
    DetailPrint "$(InstallFailed)"
    Abort "$(InstallFailed)"
  ${EndIf}
SectionEnd

; Puts the new Quarlo.scr, unpacked beside the old one as $1, in place without ever leaving the
; folder without one. The copy that the settings page keeps loaded for its preview can be neither
; overwritten nor deleted, but it can be renamed: the old file is renamed, the new one takes its
; name, and the old one is deleted, or, while it is in use, when Windows next starts.
; $0: "" when done, "set aside" when done but the old file waits for the restart, "failed" when
; nothing changed.
Function PlaceSaver
  StrCpy $0 "failed"
  ${IfNot} ${FileExists} $1
    Return
  ${EndIf}
  StrCpy $2 ""
  ${If} ${FileExists} $SaverPath
    Push "old"
    Call FreeName
    Pop $2
    ClearErrors
    Rename $SaverPath $2
    ${If} ${Errors}
      Delete $1
      Return
    ${EndIf}
  ${EndIf}
  ClearErrors
  Rename $1 $SaverPath
  ${If} ${Errors}
    ${If} $2 != ""
      Rename $2 $SaverPath
    ${EndIf}
    Delete $1
    Return
  ${EndIf}
  StrCpy $0 ""
  ${If} $2 != ""
    Delete /REBOOTOK $2
    ${If} ${FileExists} $2
      StrCpy $0 "set aside"
    ${EndIf}
  ${EndIf}
FunctionEnd

; The machine's part, in the copy with administrator rights: nothing here touches HKCU.
Function InstallForMachine
  Call PlaceSaver
  ${If} $0 == "failed"
    Abort
  ${EndIf}
  ClearErrors
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
  SectionGetSize ${SaverSectionId} $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
  ${If} ${Errors}
    Abort
  ${EndIf}
  ${If} $0 == "set aside"
    SetErrorLevel ${EXIT_SET_ASIDE}
  ${EndIf}
FunctionEnd

; The values the Screen Saver Settings page writes when the user picks Quarlo: the saver's short
; path and the saver switched on. The timeout stays as the user had it. Only the user's own copy
; does this.
Section "$(CurrentSection)" CurrentSectionId
  ${If} $MachinePart = 1
    Return
  ${EndIf}
  GetFullPathName /SHORT $0 $SaverPath
  ${If} $0 == ""
    StrCpy $0 $SaverPath
  ${EndIf}
  ClearErrors
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $0
  ${If} ${Errors}
    Push "$(NotCurrent)"
    Call Note
    Return
  ${EndIf}
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
    ClearErrors
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${If} ${Errors}
      Push "$(StillCurrent)"
      Call un.Note
      Return
    ${EndIf}
    System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 0, p 0, i ${SPIF_STORE_AND_ANNOUNCE})'
  ${EndIf}
FunctionEnd

; The saver keeps Quarlo.ini beside itself. Run without administrator rights it cannot write the
; system folder, and file virtualisation puts the file in the user's VirtualStore instead: under
; System32 or SysWOW64, depending on the name the saver was started by. The user is asked first;
; the silent uninstall keeps the settings. $R0: the switch that has the machine's part delete the
; file in the system folder, or "" to keep the settings.
Function un.AskRemoveSettings
  StrCpy $R0 ""
  StrCpy $2 $WINDIR "" 2  ; without the drive: \Windows
  StrCpy $R1 "$LOCALAPPDATA\VirtualStore$2\System32\Quarlo.ini"
  StrCpy $R2 "$LOCALAPPDATA\VirtualStore$2\SysWOW64\Quarlo.ini"
  ${IfNot} ${FileExists} "$SaverDir\Quarlo.ini"
  ${AndIfNot} ${FileExists} $R1
  ${AndIfNot} ${FileExists} $R2
    Return
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONQUESTION "$(RemoveSettings)" /SD IDNO IDNO keep
  StrCpy $R0 "${SETTINGS_TOO}"
  keep:
FunctionEnd

; The machine's part, in the copy with administrator rights. A Quarlo.scr still in use is renamed
; first, so that its deletion at the next start cannot take a Quarlo.scr installed before then.
Function un.RemoveForMachine
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "${SETTINGS_TOO}" $1
  ${IfNot} ${Errors}
    Delete "$SaverDir\Quarlo.ini"
  ${EndIf}
  Push "old"
  Call un.FreeName
  Pop $0
  ClearErrors
  Rename $SaverPath $0
  ${If} ${Errors}
    StrCpy $0 $SaverPath
  ${EndIf}
  Delete /REBOOTOK $0
  ${If} ${FileExists} $0
    SetErrorLevel ${EXIT_SET_ASIDE}
  ${EndIf}
  Delete "$INSTDIR\Uninstall.exe"
  RMDir $INSTDIR
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
FunctionEnd

Section "Uninstall"
  ${If} $MachinePart = 1
    Call un.RemoveForMachine
    Return
  ${EndIf}
  SetShellVarContext current
  Call un.AskRemoveSettings
  Push "$R0 _?=$INSTDIR"
  Call un.RunMachinePart
  ${If} $0 == "declined"
    DetailPrint "$(RemoveDeclined)"
    Abort "$(RemoveDeclined)"
  ${ElseIf} $0 == ${EXIT_SET_ASIDE}
    Push "$(SetAside)"
    Call un.Note
  ${ElseIf} $0 != 0
    DetailPrint "$(RemoveFailed)"
    Abort "$(RemoveFailed)"
  ${EndIf}
  Call un.ClearCurrentSaver
  ${If} $R0 != ""
    Delete $R1
    Delete $R2
  ${EndIf}
SectionEnd
