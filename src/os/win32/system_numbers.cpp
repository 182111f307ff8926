// The numbers os.h passes to the system are the SDK's own: each is checked here against its
// name in the mingw-w64 headers. Where those lack the name, the number is quoted from
// Microsoft's documentation beside its declaration (os.h, answers.h). Handles the headers define
// as pointers (HWND_TOPMOST, IDC_ARROW, DPI_AWARENESS_CONTEXT_SYSTEM_AWARE,
// WTS_CURRENT_SERVER_HANDLE, HKEY_CURRENT_USER) cannot be compared at compile time; the Wine
// tests compare them, or use them.

#include <windows.h>
#include <hidusage.h>
#include <mmsystem.h>
#include <powrprof.h>
#include <shlobj.h>
#include <wtsapi32.h>

#include "os/os.h"
#include "os/win32/wtsinfoex.h"

namespace quarlo::os {
namespace {

static_assert(kSpiSetScreenSaveActive == SPI_SETSCREENSAVEACTIVE);
static_assert(kSpiSetScreenSaverRunning == SPI_SETSCREENSAVERRUNNING);
static_assert(kSwpNoSize == SWP_NOSIZE && kSwpNoMove == SWP_NOMOVE &&
              kSwpNoActivate == SWP_NOACTIVATE);
static_assert(kGwlStyle == GWL_STYLE);
static_assert(kWsChild == WS_CHILD && kWsPopup == static_cast<LONG>(WS_POPUP));
static_assert(kWmClose == WM_CLOSE);
static_assert(kIdaniCaption == IDANI_CAPTION);
static_assert(kSndAsync == SND_ASYNC && kSndNoDefault == SND_NODEFAULT && kSndLoop == SND_LOOP);
static_assert(kSwShowNormal == SW_SHOWNORMAL);
static_assert(kSmCxScreen == SM_CXSCREEN && kSmCyScreen == SM_CYSCREEN);
static_assert(kLogPixelsX == LOGPIXELSX && kLogPixelsY == LOGPIXELSY && kVRefresh == VREFRESH);
static_assert(kSemFailCriticalErrors == SEM_FAILCRITICALERRORS &&
              kSemNoOpenFileErrorBox == SEM_NOOPENFILEERRORBOX);
static_assert(kMaxPath == MAX_PATH);
static_assert(kMonitorInfoFPrimary == MONITORINFOF_PRIMARY);

static_assert(kErrorSuccess == ERROR_SUCCESS &&
              kErrorCallNotImplemented == ERROR_CALL_NOT_IMPLEMENTED);
static_assert(kRrfRtRegSz == RRF_RT_REG_SZ && kRegSz == REG_SZ);
static_assert(kSpiGetScreenSaveTimeout == SPI_GETSCREENSAVETIMEOUT &&
              kSpiGetScreenSaveActive == SPI_GETSCREENSAVEACTIVE);
static_assert(kSpifUpdateIniFile == SPIF_UPDATEINIFILE && kSpifSendChange == SPIF_SENDCHANGE);
static_assert(kSystemExecutionState == SystemExecutionState);
static_assert(kEsDisplayRequired == ES_DISPLAY_REQUIRED);
static_assert(kTokenVirtualizationEnabled == TokenVirtualizationEnabled);
static_assert(kCsidlLocalAppData == CSIDL_LOCAL_APPDATA &&
              kCsidlCommonAppData == CSIDL_COMMON_APPDATA &&
              kCsidlProgramFiles == CSIDL_PROGRAM_FILES);
static_assert(kInvalidFileAttributes == INVALID_FILE_ATTRIBUTES);
static_assert(kCfUnicodeText == CF_UNICODETEXT);
static_assert(kDriveCdrom == DRIVE_CDROM && kAcLineOffline == AC_LINE_OFFLINE);

static_assert(kHidUsagePageGeneric == HID_USAGE_PAGE_GENERIC &&
              kHidUsageMouse == HID_USAGE_GENERIC_MOUSE &&
              kHidUsageKeyboard == HID_USAGE_GENERIC_KEYBOARD);
static_assert(kRidevRemove == RIDEV_REMOVE && kRidevInputSink == RIDEV_INPUTSINK);
static_assert(kRimInputSink == RIM_INPUTSINK);
static_assert(kRimTypeMouse == RIM_TYPEMOUSE && kRimTypeKeyboard == RIM_TYPEKEYBOARD);
static_assert(kRiKeyBreak == RI_KEY_BREAK);
static_assert(kRiMouseButtonsDown ==
              (RI_MOUSE_LEFT_BUTTON_DOWN | RI_MOUSE_RIGHT_BUTTON_DOWN |
               RI_MOUSE_MIDDLE_BUTTON_DOWN | RI_MOUSE_BUTTON_4_DOWN | RI_MOUSE_BUTTON_5_DOWN));

static_assert(kInfinite == INFINITE);
static_assert(kWaitObject0 == WAIT_OBJECT_0 && kWaitTimeout == WAIT_TIMEOUT &&
              kWaitFailed == WAIT_FAILED);
static_assert(kMwmoInputAvailable == MWMO_INPUTAVAILABLE);
static_assert(kTimerAllAccess == TIMER_ALL_ACCESS);
static_assert(kTimerrNoError == TIMERR_NOERROR);
// QS_ALLINPUT as Vista and 7 define it; the headers' QS_INPUT follows the build's WINVER.
static_assert(kQsAllInputVista == (QS_MOUSE | QS_KEY | QS_RAWINPUT | QS_POSTMESSAGE | QS_TIMER |
                                   QS_PAINT | QS_HOTKEY | QS_SENDMESSAGE));
static_assert(kDeviceNotifyWindowHandle == DEVICE_NOTIFY_WINDOW_HANDLE);
static_assert(kNotifyForThisSession == NOTIFY_FOR_THIS_SESSION);
static_assert(kWtsCurrentSession == WTS_CURRENT_SESSION);
static_assert(kWtsConnectState == WTSConnectState);
static_assert(kWtsDisconnected == WTSDisconnected);
static_assert(kWtsSessionInfoEx == QUARLO_WTS_SESSION_INFO_EX);
static_assert(kLangJapanese == LANG_JAPANESE && kPrimaryLanguageMask == PRIMARYLANGID(0xFFFF));
static_assert(kLangIdJapanese == MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN) &&
              kLangIdEnglishUs == MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
static_assert(kWtsSessionStateLock == QUARLO_WTS_SESSIONSTATE_LOCK &&
              kWtsSessionStateUnlock == QUARLO_WTS_SESSIONSTATE_UNLOCK);

}  // namespace
}  // namespace quarlo::os
