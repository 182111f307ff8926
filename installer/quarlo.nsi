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
; Started as another user than the one signed in to Windows ("Run as administrator" with an
; administrator's account), it leaves out the user's steps, which would land in that other
; user's profile, and says so (CheckDesktopUser). The uninstaller is split the same way.
;
; What runs with administrator rights, and what it loads:
; - The uninstaller's part is the Uninstall.exe in Quarlo's own folder, which only administrators
;   can change, run where it lies (_?=); never the copy of itself that an uninstaller runs from
;   the temporary folder, which the user can change.
; - The installer's part is Setup itself, the file the administrator is asked about (its name and
;   signature are on the prompt); no folder only administrators can change holds it before then.
; - Neither part calls a plug-in, so neither unpacks a DLL to load it. NSIS 3.08 unpacks plug-ins
;   into $PLUGINSDIR, a new folder in the process's $TEMP, which for an administrator approving
;   their own prompt is their everyday temporary folder; as an administrator it gives that folder
;   to administrators only, yet lets everyone empty and delete it, so that a process of the user
;   could put a folder of its own in its place between the unpacking and the loading. NSIS itself
;   loads system DLLs from the system folder only.
; - The machine's part decides its own folder: the uninstaller and the uninstall entry always go
;   to MACHINE_DIR, under the machine's program files folder, whatever /D= it is given; the
;   user's part refuses a /D= naming another folder.
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
; The session's user as DOMAIN\name, instead of the one Windows names: Wine has one user, and
; the tests name another one with it.
!define SESSION_USER "/SESSIONUSER="
; The one folder of the uninstaller.
!define MACHINE_DIR "$PROGRAMFILES\Quarlo"
; That copy's exit code when it is done but the Quarlo.scr in use could only be set aside; 0 when
; it is simply done, NSIS's 2 when it failed.
!define EXIT_SET_ASIDE 10
; ShellExecuteEx: SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI; the size of SHELLEXECUTEINFOW in a
; 32-bit process; the error of a declined elevation.
!define SEE_MASK_WAIT_NO_UI 0x440
!define SHELLEXECUTEINFO_SIZE 60
!define ERROR_CANCELLED 1223
; WTSQuerySessionInformation of this process's session: its user's name and domain;
; GetUserNameEx: DOMAIN\name.
!define WTS_CURRENT_SESSION -1
!define WTS_USER_NAME 5
!define WTS_DOMAIN_NAME 7
!define NAME_SAM_COMPATIBLE 2
!define DRIVE_REMOTE 4
; GetDeviceCaps: the screen's dots per inch; from 144 (150 %) on, the 200 % pictures.
!define LOGPIXELSX 88
!define LARGE_PICTURES_DPI 144

Name "Quarlo"
OutFile "${OUTFILE}"
; Only the uninstaller lives here; the saver itself goes to the system folder.
InstallDir "${MACHINE_DIR}"
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
; Quarlo's own pictures, drawn by assets/generate.py; on a large screen scale those drawn at 200 %
; (LoadLargePictures).
!define MUI_WELCOMEFINISHPAGE_BITMAP "../assets/installer_wizard.bmp"
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "../assets/installer_header.bmp"
!define MUI_CUSTOMFUNCTION_GUIINIT LoadLargePictures
!define MUI_CUSTOMFUNCTION_UNGUIINIT un.LoadLargePictures
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
; 1 when this process runs as another user than the one signed in to its session.
Var OtherUser
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
LangString OtherFolder ${LANG_ENGLISH} "Quarlo keeps its uninstaller in ${MACHINE_DIR}, which only administrators can change, and cannot be installed into $INSTDIR."
LangString OtherFolder ${LANG_JAPANESE} "Quarlo のアンインストーラーは、管理者だけが変更できる ${MACHINE_DIR} に置かれます。$INSTDIR にはインストールできません。"
LangString FromNetwork ${LANG_ENGLISH} "Quarlo could not be installed from a network drive: copy Setup to a folder on this computer and run it from there."
LangString FromNetwork ${LANG_JAPANESE} "ネットワーク ドライブからは Quarlo をインストールできませんでした。セットアップをこのコンピュータのフォルダーにコピーし、そこから実行してください。"
LangString OtherUserSetup ${LANG_ENGLISH} "Setup ran as another user than the one signed in to Windows, so it changed no one's screen saver: choose Quarlo in Screen Saver Settings."
LangString OtherUserSetup ${LANG_JAPANESE} "セットアップは Windows にサインインしているユーザーとは別のユーザーとして実行されたため、スクリーン セーバーを変更していません。「スクリーン セーバーの設定」で Quarlo を選んでください。"
LangString OtherUserRemove ${LANG_ENGLISH} "The uninstaller ran as another user than the one signed in to Windows, so it left that user's screen saver and settings alone: if Quarlo was the screen saver, choose another in Screen Saver Settings."
LangString OtherUserRemove ${LANG_JAPANESE} "アンインストーラーは Windows にサインインしているユーザーとは別のユーザーとして実行されたため、そのユーザーのスクリーン セーバーと設定には手を付けていません。Quarlo がスクリーン セーバーだった場合は、「スクリーン セーバーの設定」でほかのものを選んでください。"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Quarlo"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "Quarlo"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Quarlo Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) 2026 the Quarlo authors"


!macro SHARED_FUNCTIONS un
; 64-bit Windows has a SysWOW64 folder, and 32-bit Windows none; only administrators can make one.
Function ${un}FindSaverDir
  StrCpy $SaverDir $SYSDIR
  ${If} ${FileExists} "$WINDIR\SysWOW64\*.*"
    StrCpy $SaverDir "$WINDIR\SysWOW64"
  ${EndIf}
  StrCpy $SaverPath "$SaverDir\Quarlo.scr"
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

; Runs the machine's part with administrator rights (ShellExecuteEx "runas": the system asks for
; consent or an administrator's password, or asks nothing when this process already has them):
; the program and its arguments on the stack (the arguments on top), given the switch of the
; machine's part, /S (so that even NSIS's own errors show no box) and the language; waits for
; it. $0: its exit code, "declined" when the user refused, "failed" when it could not start.
Function ${un}RunMachinePart
  Exch $1
  Exch
  Exch $5
  System::Call '*(i ${SHELLEXECUTEINFO_SIZE}, i ${SEE_MASK_WAIT_NO_UI}, p $HWNDPARENT, w "runas", \
    w "$5", w "${MACHINE_PART} /S /LANG=$LANGUAGE $1", p 0, i ${SW_SHOWNORMAL}, \
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
  Pop $5
  Pop $1
FunctionEnd

; Sets $OtherUser when the user this process runs as is not the one signed in to its session.
; When either cannot be told, the process counts as the session's user.
Function ${un}CheckDesktopUser
  StrCpy $OtherUser 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "${SESSION_USER}" $1
  ${If} ${Errors}
    Push ${WTS_DOMAIN_NAME}
    Call ${un}SessionText
    Push ${WTS_USER_NAME}
    Call ${un}SessionText
    Pop $1
    Pop $2
    StrCpy $1 "$2\$1"
  ${EndIf}
  System::Call 'secur32::GetUserNameExW(i ${NAME_SAM_COMPATIBLE}, w .r2, *i ${NSIS_MAX_STRLEN}) i .r3'
  ${If} $3 <> 0
  ${AndIf} $1 != "\"
  ${AndIf} $1 != $2
    StrCpy $OtherUser 1
  ${EndIf}
FunctionEnd

; The text WTSQuerySessionInformation gives for this process's session and the class on the
; stack, or "", in place of the class.
Function ${un}SessionText
  Exch $0
  System::Call 'wtsapi32::WTSQuerySessionInformationW(p 0, i ${WTS_CURRENT_SESSION}, i r0, \
    *p .r1, *i .r2) i .r3'
  StrCpy $0 ""
  ${If} $3 <> 0
    System::Call 'kernel32::lstrcpynW(w .r0, p r1, i ${NSIS_MAX_STRLEN})'
    System::Call 'wtsapi32::WTSFreeMemory(p r1)'
  ${EndIf}
  Exch $0
FunctionEnd

; A name that no file has: <file>.<n>.<kind>, for the file and the kind on the stack (the kind on
; top; the name is left there). Beside Quarlo.scr it does not end in .scr, so the settings page
; does not list it.
Function ${un}FreeName
  Exch $0
  Exch
  Exch $1
  Push $2
  StrCpy $2 0
  ${Do}
    IntOp $2 $2 + 1
  ${LoopWhile} ${FileExists} "$1.$2.$0"
  StrCpy $0 "$1.$2.$0"
  Pop $2
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

; The header's picture, and the installer's welcome and finish pages' one, drawn at 200 % when
; the screen's scale is 150 % or more: the pages fit them to their size, which grows with the
; scale.
Function ${un}LoadLargePictures
  System::Call 'user32::GetDC(p 0) p .r0'
  System::Call 'gdi32::GetDeviceCaps(p r0, i ${LOGPIXELSX}) i .r1'
  System::Call 'user32::ReleaseDC(p 0, p r0)'
  ${If} $1 < ${LARGE_PICTURES_DPI}
    Return
  ${EndIf}
  File "/oname=$PLUGINSDIR\modern-header.bmp" "../assets/installer_header@200.bmp"
  SetBrandingImage /IMGID=1046 /RESIZETOFIT "$PLUGINSDIR\modern-header.bmp"
  !if "${un}" == ""
    File "/oname=$PLUGINSDIR\modern-wizard.bmp" "../assets/installer_wizard@200.bmp"
  !endif
FunctionEnd

; The part's start. The machine's part takes its folder from nobody; the installer's user part
; refuses to be told another one; the user's part finds out whether it runs as the session's user.
Function ${un}Start
  Call ${un}FindSaverDir
  Call ${un}ReadSwitches
  ${If} $MachinePart = 1
    StrCpy $INSTDIR "${MACHINE_DIR}"
    SetSilent silent
    Return
  ${EndIf}
  !if "${un}" == ""
    ${If} $INSTDIR != "${MACHINE_DIR}"
      MessageBox MB_OK|MB_ICONSTOP "$(OtherFolder)" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  !endif
  Call ${un}CheckDesktopUser
FunctionEnd
!macroend
!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

Function .onInit
  Call Start
FunctionEnd

Function un.onInit
  Call un.Start
FunctionEnd

; The program the machine's part runs from: Setup itself, but on a network drive through the
; share's network path, which the copy with administrator rights may see when it does not see
; the user's drive letters. $0: that path; $1: 1 when Setup is on the network.
Function SetupFile
  StrCpy $0 $EXEPATH
  StrCpy $1 $EXEPATH 2
  StrCpy $2 $EXEPATH 1 1
  ${If} $1 == "\\"
    StrCpy $1 1
    Return
  ${ElseIf} $2 != ":"
    StrCpy $1 0
    Return
  ${EndIf}
  System::Call 'kernel32::GetDriveTypeW(w "$1\") i .r2'
  ${If} $2 <> ${DRIVE_REMOTE}
    StrCpy $1 0
    Return
  ${EndIf}
  System::Call 'mpr::WNetGetConnectionW(w r1, w .r2, *i ${NSIS_MAX_STRLEN}) i .r3'
  ${If} $3 = 0
    StrCpy $3 $EXEPATH "" 2
    StrCpy $0 "$2$3"
  ${EndIf}
  StrCpy $1 1
FunctionEnd

Section "!$(SaverSection)" SaverSectionId
  SectionIn RO
  ${If} $MachinePart = 1
    ; Unpacked beside the old file under a name of its own, for PlaceSaver to put in place.
    Push $SaverPath
    Push "new"
    Call FreeName
    Pop $1
    SetOverwrite try
    File "/oname=$1" "${SAVER}"
    SetOverwrite on
    Call InstallForMachine
    Return
  ${EndIf}
  Call SetupFile
  Push $0
  Push ""
  Call RunMachinePart
  ${If} $0 == "declined"
    DetailPrint "$(InstallDeclined)"
    Abort "$(InstallDeclined)"
  ${ElseIf} $0 == ${EXIT_SET_ASIDE}
    Push "$(SetAside)"
    Call Note
  ${ElseIf} $0 != 0
  ${AndIf} $1 = 1
    DetailPrint "$(FromNetwork)"
    Abort "$(FromNetwork)"
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
    Push $SaverPath
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
; does this, and only when it runs as the session's user.
Section "$(CurrentSection)" CurrentSectionId
  ${If} $MachinePart = 1
    Return
  ${EndIf}
  ${If} $OtherUser = 1
    Push "$(OtherUserSetup)"
    Call Note
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
; Run as another user than the session's, it leaves that profile alone: only the file in the
; system folder counts.
Function un.AskRemoveSettings
  StrCpy $R0 ""
  StrCpy $2 $WINDIR "" 2  ; without the drive: \Windows
  StrCpy $R1 "$LOCALAPPDATA\VirtualStore$2\System32\Quarlo.ini"
  StrCpy $R2 "$LOCALAPPDATA\VirtualStore$2\SysWOW64\Quarlo.ini"
  ${If} $OtherUser = 1
    StrCpy $R1 ""
    StrCpy $R2 ""
  ${EndIf}
  ${IfNot} ${FileExists} "$SaverDir\Quarlo.ini"
  ${AndIfNot} ${FileExists} $R1
  ${AndIfNot} ${FileExists} $R2
    Return
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONQUESTION "$(RemoveSettings)" /SD IDNO IDNO keep
  StrCpy $R0 "${SETTINGS_TOO}"
  keep:
FunctionEnd

; Deletes the file on the stack, or, while it is in use, renames it and has Windows delete it when
; it next starts: renamed first, so that the deletion cannot take a file installed there before
; then. $0: where the file is left, when it is.
Function un.DeleteOrSetAside
  Exch $1
  Push $1
  Push "old"
  Call un.FreeName
  Pop $0
  ClearErrors
  Rename $1 $0
  ${If} ${Errors}
    StrCpy $0 $1
  ${EndIf}
  Delete /REBOOTOK $0
  Pop $1
FunctionEnd

; The machine's part, in the install folder's uninstaller with administrator rights. It runs from
; that folder, so on Windows its own file, and with it the folder, goes at the next start.
Function un.RemoveForMachine
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "${SETTINGS_TOO}" $1
  ${IfNot} ${Errors}
    Delete "$SaverDir\Quarlo.ini"
  ${EndIf}
  Push $SaverPath
  Call un.DeleteOrSetAside
  ${If} ${FileExists} $0
    SetErrorLevel ${EXIT_SET_ASIDE}
  ${EndIf}
  Push "$INSTDIR\Uninstall.exe"
  Call un.DeleteOrSetAside
  SetOutPath $SaverDir
  RMDir /REBOOTOK $INSTDIR
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
FunctionEnd

Section "Uninstall"
  ${If} $MachinePart = 1
    Call un.RemoveForMachine
    Return
  ${EndIf}
  SetShellVarContext current
  Call un.AskRemoveSettings
  ; Never this copy, which runs from the temporary folder.
  Push "${MACHINE_DIR}\Uninstall.exe"
  Push "$R0 _?=${MACHINE_DIR}"
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
  ${If} $OtherUser = 1
    Push "$(OtherUserRemove)"
    Call un.Note
    Return
  ${EndIf}
  Call un.ClearCurrentSaver
  ${If} $R0 != ""
    Delete $R1
    Delete $R2
  ${EndIf}
SectionEnd
