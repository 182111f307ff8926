#pragma once
// The one boundary to the operating system. Each function mirrors the Win32 call of the same
// name, with the same argument shapes in portable types; the Win32 implementation forwards one
// to one, and tests use a recording fake (tests/support/fake_os.h).
//
// Texts handed to the *A functions are byte strings in the system's ANSI code page: convert with
// ToAnsi before the call and FromAnsi after it. The *W functions take and give UTF-8; the Win32
// side converts to and from UTF-16, so they hold any text whatever the code page. Everything
// else in the program holds UTF-8.
//
// Every call comes from the program's one GUI thread, except CopyFileFrom and CloseHandle: the
// plain copy of a music file also makes them from a thread of its own.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quarlo::os {

// Window, instance, cursor and device-context handles are 32-bit values on the target.
using Handle = std::int32_t;
inline constexpr Handle kNull = 0;

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// What GetMonitorInfoA tells of one monitor: its rectangle on the virtual screen, the part of it
// not taken by task bars, and kMonitorInfoFPrimary for the primary monitor.
struct MonitorInfo {
  Rect monitor;
  Rect work;
  std::uint32_t flags = 0;
  friend bool operator==(const MonitorInfo&, const MonitorInfo&) = default;
};

// The callback of EnumDisplayMonitors: a monitor's handle, the device context (kNull when none
// was given) and the monitor's rectangle; returns false to stop the enumeration.
using MonitorEnumProc = std::function<bool(Handle monitor, Handle dc, const Rect& rect)>;

// System constants the program passes (kSpiSetScreenSaverRunning is SPI_SETSCREENSAVERRUNNING).
inline constexpr std::uint32_t kSpiSetScreenSaveActive = 17;
inline constexpr std::uint32_t kSpiSetScreenSaverRunning = 97;
inline constexpr Handle kHwndTopmost = -1;
inline constexpr std::uint32_t kSwpNoSize = 0x0001;
inline constexpr std::uint32_t kSwpNoMove = 0x0002;
inline constexpr std::uint32_t kSwpNoActivate = 0x0010;
inline constexpr int kGwlStyle = -16;
inline constexpr std::int32_t kWsChild = 0x40000000;
inline constexpr std::int32_t kWsPopup = static_cast<std::int32_t>(0x80000000u);
inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr int kIdaniCaption = 3;
inline constexpr std::uint32_t kSndAsync = 0x0001;
inline constexpr std::uint32_t kSndNoDefault = 0x0002;
inline constexpr std::uint32_t kSndLoop = 0x0008;
inline constexpr int kSwShowNormal = 1;
inline constexpr int kIdcArrow = 32512;
inline constexpr int kIdcWait = 32514;
inline constexpr int kSmCxScreen = 0;
inline constexpr int kSmCyScreen = 1;
inline constexpr int kLogPixelsX = 88;
inline constexpr int kLogPixelsY = 90;
inline constexpr int kVRefresh = 116;
inline constexpr std::uint32_t kSemFailCriticalErrors = 0x0001;
inline constexpr std::uint32_t kSemNoOpenFileErrorBox = 0x8000;
inline constexpr std::uint32_t kMaxPath = 260;
inline constexpr std::uint32_t kMonitorInfoFPrimary = 1;

// The version the system reports (GetVersionExW: the real one, since the manifest names every
// version the program knows).
struct OsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
};

// A GUID as the power-setting notifications name them.
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
  friend bool operator==(const Guid&, const Guid&) = default;
};

// The fields of DWM_TIMING_INFO the program reads: the display's refresh period and the time of
// the last vertical blank, in performance-counter ticks.
struct CompositionTiming {
  std::uint64_t refreshPeriod = 0;
  std::uint64_t vBlank = 0;
};

// Raw input: a device to hear (the keyboard is usage 6, the mouse 2, both on the generic desktop
// page 1), and what one input report says of a key or of the mouse's buttons.
struct RawInputDevice {
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
  std::uint32_t flags = 0;
  Handle target = kNull;
};
struct RawInput {
  std::uint32_t type = 0;  // kRimTypeMouse or kRimTypeKeyboard
  std::uint16_t keyFlags = 0;
  std::uint16_t virtualKey = 0;
  std::uint16_t buttonFlags = 0;
};
inline constexpr std::uint16_t kHidUsagePageGeneric = 1;
inline constexpr std::uint16_t kHidUsageMouse = 2;
inline constexpr std::uint16_t kHidUsageKeyboard = 6;
inline constexpr std::uint32_t kRidevRemove = 0x00000001;
inline constexpr std::uint32_t kRidevInputSink = 0x00000100;
inline constexpr std::uint32_t kRimInputSink = 1;  // WM_INPUT's wParam: heard in the background
inline constexpr std::uint32_t kRimTypeMouse = 0;
inline constexpr std::uint32_t kRimTypeKeyboard = 1;
inline constexpr std::uint16_t kRiKeyBreak = 0x0001;
// The button-down flags of the left, right, middle and two side buttons.
inline constexpr std::uint16_t kRiMouseButtonsDown = 0x0001 | 0x0004 | 0x0010 | 0x0040 | 0x0100;

// DPI_AWARENESS_CONTEXT_SYSTEM_AWARE.
inline constexpr Handle kDpiAwarenessContextSystemAware = -2;

// Waits, timers and messages.
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 258;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;
inline constexpr std::uint32_t kMwmoInputAvailable = 0x0004;
// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION ("CreateWaitableTimerExW", Windows 10 1803 on).
inline constexpr std::uint32_t kCreateWaitableTimerHighResolution = 0x00000002;
inline constexpr std::uint32_t kTimerAllAccess = 0x001F0003;
inline constexpr std::uint32_t kTimerrNoError = 0;
// The message queue's wake flags (QS_*): QS_ALLINPUT is kQsAllInputVista on Vista and 7; from
// Windows 8 on it adds touch and pointer input (QS_TOUCH, QS_POINTER: "GetQueueStatus"), which
// earlier systems refuse in a wait; the headers name them only for builds that require Windows 8.
inline constexpr std::uint32_t kQsAllInputVista = 0x04FF;
inline constexpr std::uint32_t kQsTouch = 0x0800;
inline constexpr std::uint32_t kQsPointer = 0x1000;
// Power-setting and session notifications.
inline constexpr std::uint32_t kDeviceNotifyWindowHandle = 0;
inline constexpr std::uint32_t kNotifyForThisSession = 0;
inline constexpr Handle kWtsCurrentServer = 0;
inline constexpr std::uint32_t kWtsCurrentSession = 0xFFFFFFFF;
inline constexpr int kWtsConnectState = 8;  // value: WTS_CONNECTSTATE_CLASS
// WTSSessionInfoEx ("WTS_INFO_CLASS enumeration"); its value: the lock state below.
inline constexpr int kWtsSessionInfoEx = 25;
inline constexpr std::int32_t kWtsDisconnected = 4;
// The session's lock state as WTSINFOEX_LEVEL1's SessionFlags documents it.
inline constexpr std::int32_t kWtsSessionStateLock = 0;
inline constexpr std::int32_t kWtsSessionStateUnlock = 1;
inline constexpr std::int32_t kWtsSessionStateUnknown = -1;
// GUID_SESSION_DISPLAY_STATUS (Windows 8 on) and GUID_MONITOR_POWER_ON (before): the display of
// the session (0 off, 1 on, 2 dimmed) and the monitor's power (0 off, 1 on).
inline constexpr Guid kGuidSessionDisplayStatus = {
    0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};
inline constexpr Guid kGuidMonitorPowerOn = {
    0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

// --- What "why won't the saver start?" reads and mends (see the block at the end of Os) ----------
inline constexpr Handle kHkeyCurrentUser = static_cast<Handle>(0x80000001u);
inline constexpr Handle kCurrentProcess = -1;  // GetCurrentProcess()'s pseudo handle
inline constexpr std::int32_t kErrorSuccess = 0;
inline constexpr std::uint32_t kErrorCallNotImplemented = 120;  // a call this system lacks
inline constexpr std::uint32_t kRrfRtRegSz = 0x00000002;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kSpiGetScreenSaveTimeout = 14;
inline constexpr std::uint32_t kSpiGetScreenSaveActive = 16;
inline constexpr std::uint32_t kSpifUpdateIniFile = 0x01;
inline constexpr std::uint32_t kSpifSendChange = 0x02;
inline constexpr int kSystemExecutionState = 16;  // POWER_INFORMATION_LEVEL: a ULONG of ES_* flags
inline constexpr std::uint32_t kEsDisplayRequired = 0x00000002;
inline constexpr std::uint8_t kAcLineOffline = 0;  // SYSTEM_POWER_STATUS: on battery
inline constexpr int kTokenVirtualizationEnabled = 24;
inline constexpr int kCsidlLocalAppData = 0x001c;
inline constexpr int kCsidlCommonAppData = 0x0023;
inline constexpr int kCsidlProgramFiles = 0x0026;
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFF;
inline constexpr std::uint32_t kDriveCdrom = 5;
// The power settings of a plan ("Power Setting GUIDs"): the display's and the sleep's subgroups
// and their idle timeouts, in seconds.
inline constexpr Guid kGuidVideoSubgroup = {
    0x7516b95f, 0xf776, 0x4464, {0x8c, 0x53, 0x06, 0x16, 0x7f, 0x40, 0xcc, 0x99}};
inline constexpr Guid kGuidVideoPowerdownTimeout = {
    0x3c0bc021, 0xc8a8, 0x4e07, {0xa9, 0x73, 0x6b, 0x14, 0xcb, 0xcb, 0x2b, 0x7e}};
inline constexpr Guid kGuidSleepSubgroup = {
    0x238c9fa8, 0x0aad, 0x41ed, {0x83, 0xf4, 0x97, 0xbe, 0x24, 0x2c, 0x8f, 0x20}};
inline constexpr Guid kGuidStandbyTimeout = {
    0x29f6c1db, 0x86da, 0x48c5, {0x9f, 0xdb, 0xf2, 0xb6, 0x7b, 0x1f, 0x44, 0xda}};

// The fields of the file-open record that the program sets; the Win32 side lays them out as
// OPENFILENAMEW. Texts are UTF-8; the filter holds its NUL separators. The file buffers are sized
// by maxFile / maxFileTitle in UTF-16 characters and come back with the UTF-8 form of whatever
// the dialog wrote into them, up to their first NUL.
struct OpenFileName {
  std::uint32_t structSize = 0;
  Handle owner = kNull;
  Handle instance = kNull;
  std::string filter;
  std::string customFilter;  // empty means none (NULL)
  std::uint32_t maxCustomFilter = 0;
  std::uint32_t filterIndex = 0;
  std::string file;
  std::uint32_t maxFile = 0;
  std::string fileTitle;
  std::uint32_t maxFileTitle = 0;
  const char* initialDir = nullptr;
  std::string title;
  std::uint32_t flags = 0;
};

class Os {
 public:
  virtual ~Os() = default;

  // --- Code page and process -------------------------------------------------------------
  virtual std::string ToAnsi(const std::string& utf8) = 0;
  virtual std::string FromAnsi(const std::string& ansi) = 0;
  // The argument text of the process as the system passes it, without the program's path
  // (ArgumentText over GetCommandLineW).
  virtual std::string CommandText() = 0;
  // GetModuleFileNameW(NULL, ...): the program's path, whatever the code page can hold.
  virtual std::string ModuleFileName() = 0;
  virtual Handle ModuleInstance() = 0;
  // Ends the process at once; on the real system it does not return.
  virtual void ExitProcess(std::uint32_t exitCode) = 0;
  // Seconds since midnight, local time, as the time-of-day seed of the random generator.
  virtual double SecondsSinceMidnight() = 0;

  // --- Process error mode and files -----------------------------------------------------------
  virtual std::uint32_t SetErrorMode(std::uint32_t mode) = 0;
  // The file functions below are the wide ones: paths in UTF-8, any character. `size` and the
  // results count UTF-16 characters as the real buffers do: the length written without its NUL,
  // the size needed (NUL included) when the buffer is too small, 0 for a failure.
  virtual std::uint32_t GetTempPathW(std::uint32_t size, std::string* buffer) = 0;
  virtual std::uint32_t GetShortPathNameW(const char* longPath, std::string* shortPath,
                                          std::uint32_t size) = 0;
  // Reads up to `count` bytes from the start of the file into `head` and its length into
  // `fileSize`; false when the file cannot be opened or read.
  virtual bool ReadFileHead(const std::string& path, std::uint32_t count, std::string* head,
                            std::int64_t* fileSize) = 0;
  // Creates `target` (replacing any file of that name) holding the bytes of `source` from
  // `offset` to its end, and returns it open and marked for deletion: it goes when it is closed,
  // or with the process, unless SetFileDispositionInfo keeps it first. kNull, and no target left
  // behind, when the copy fails.
  virtual Handle CopyFileFrom(const std::string& source, std::int64_t offset,
                              const std::string& target) = 0;
  // SetFileInformationByHandle(file, FileDispositionInfo, ...): whether the open file is deleted
  // when it is closed.
  virtual bool SetFileDispositionInfo(Handle file, bool deleteFile) = 0;
  virtual bool DeleteFileW(const char* fileName) = 0;

  // --- Window manager ----------------------------------------------------------------------
  // Windows are titled in UTF-16, so they are looked up by their wide titles.
  virtual Handle FindWindowW(const char* className, const char* windowName) = 0;
  virtual int ShowCursor(bool show) = 0;
  virtual bool SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* data,
                                     std::uint32_t winIni) = 0;
  virtual bool SetWindowPos(Handle window, Handle insertAfter, int x, int y, int cx, int cy,
                            std::uint32_t flags) = 0;
  virtual bool GetWindowRect(Handle window, Rect* rect) = 0;
  virtual std::int32_t GetWindowLongA(Handle window, int index) = 0;
  virtual std::int32_t SetWindowLongA(Handle window, int index, std::int32_t value) = 0;
  virtual Handle SetParent(Handle child, Handle newParent) = 0;
  virtual bool PostMessageA(Handle window, std::uint32_t message, std::uint32_t wParam,
                            std::int32_t lParam) = 0;
  virtual bool IsWindow(Handle window) = 0;
  virtual bool DrawAnimatedRects(Handle window, int animation, const Rect* from,
                                 const Rect* to) = 0;
  virtual bool GetCursorPos(Point* point) = 0;
  virtual Handle WindowFromPoint(Point point) = 0;
  virtual int GetSystemMetrics(int index) = 0;
  // GetDeviceCaps on the screen's device context.
  virtual int ScreenDeviceCaps(int index) = 0;
  virtual bool EnumDisplayMonitors(Handle dc, const Rect* clip,
                                   const MonitorEnumProc& callback) = 0;
  virtual bool GetMonitorInfoA(Handle monitor, MonitorInfo* info) = 0;
  virtual Handle LoadCursorA(Handle instance, int resourceId) = 0;
  virtual Handle SetCursor(Handle cursor) = 0;

  // --- Time, waits, the compositor, power and session -------------------------------------------
  virtual bool GetVersionExW(OsVersion* version) = 0;
  virtual bool QueryPerformanceFrequency(std::int64_t* frequency) = 0;
  virtual bool QueryPerformanceCounter(std::int64_t* count) = 0;
  // A timer without a name or security attributes; kNull when the system refuses the flags.
  virtual Handle CreateWaitableTimerExW(std::uint32_t flags, std::uint32_t access) = 0;
  // `dueTime` in 100 ns units, negative for a time relative to now; no period, no routine.
  virtual bool SetWaitableTimer(Handle timer, std::int64_t dueTime) = 0;
  virtual bool CloseHandle(Handle handle) = 0;
  virtual std::uint32_t MsgWaitForMultipleObjectsEx(std::uint32_t count, const Handle* handles,
                                                    std::uint32_t milliseconds,
                                                    std::uint32_t wakeMask,
                                                    std::uint32_t flags) = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  virtual std::uint32_t timeBeginPeriod(std::uint32_t period) = 0;
  virtual std::uint32_t timeEndPeriod(std::uint32_t period) = 0;
  // HRESULTs: 0 (S_OK) or more for success.
  virtual std::int32_t DwmGetCompositionTimingInfo(Handle window, CompositionTiming* timing) = 0;
  virtual Handle RegisterPowerSettingNotification(Handle recipient, const Guid& setting,
                                                  std::uint32_t flags) = 0;
  virtual bool UnregisterPowerSettingNotification(Handle notification) = 0;
  virtual bool WTSRegisterSessionNotification(Handle window, std::uint32_t flags) = 0;
  virtual bool WTSUnRegisterSessionNotification(Handle window) = 0;
  // One number of the session's information: for kWtsConnectState the connection state, for
  // kWtsSessionInfoEx whether it is locked (kWtsSessionStateLock, ...Unlock or ...Unknown, with
  // Windows 7's reversed flags already put right); false when the query fails.
  virtual bool WTSQuerySessionInformationW(Handle server, std::uint32_t sessionId, int infoClass,
                                           std::int32_t* value) = 0;
  // Whether the calling thread's desktop is the one that receives the input and is seen
  // (OpenInputDesktop, the two desktops' names compared): false while another desktop has the
  // input, above all the secure desktop of a locked session, which the program may not even open;
  // true when the names cannot be read.
  virtual bool ThreadDesktopHasInput() = 0;
  virtual bool RegisterRawInputDevices(const RawInputDevice* devices, std::uint32_t count) = 0;
  // The dots per inch of the window's monitor (Windows 10 1607 on); 0 where the system has no
  // such call.
  virtual std::uint32_t GetDpiForWindow(Handle window) = 0;
  // The monitor a window is on, or the nearest one (MONITOR_DEFAULTTONEAREST).
  virtual Handle MonitorFromWindow(Handle window) = 0;
  // A monitor's effective dots per inch (GetDpiForMonitor of shcore, MDT_EFFECTIVE_DPI, Windows
  // 8.1 on); 0 where the system has no such call or it fails.
  virtual std::uint32_t GetDpiForMonitor(Handle monitor) = 0;
  // The thread's windows from now on are aware of scales as `context` says (Windows 10 1607 on;
  // before, false and nothing changes). kDpiAwarenessContextSystemAware: the screen's scale.
  virtual bool SetThreadDpiAwarenessContext(Handle context) = 0;
  // The awareness a window was created with; kNull where the system has no such call.
  virtual Handle GetWindowDpiAwarenessContext(Handle window) = 0;
  // The report a WM_INPUT message carries (its lParam); false when it cannot be read.
  virtual bool GetRawInputData(Handle rawInput, RawInput* data) = 0;

  // --- Settings file -------------------------------------------------------------------------
  // The wide profile functions: the file's path may hold any character. The system still keeps
  // an existing ANSI file (and creates a new one) in the ANSI code page, converting keys and
  // values with it. `buffer` receives the value up to its first NUL; `size` counts UTF-16
  // characters, the NUL included, as the real buffer does.
  virtual std::uint32_t GetPrivateProfileStringW(const char* section, const char* key,
                                                 const char* defaultValue, std::string* buffer,
                                                 std::uint32_t size, const char* fileName) = 0;
  virtual bool WritePrivateProfileStringW(const char* section, const char* key, const char* value,
                                          const char* fileName) = 0;
  // Opens the file for reading and closes it again; true when the open succeeded.
  virtual bool CanOpenForReading(const std::string& ansiPath) = 0;

  // --- Multimedia -----------------------------------------------------------------------------
  virtual std::int32_t mciSendStringA(const char* command, char* returnString,
                                      std::uint32_t returnLength, Handle callback) = 0;
  virtual bool mciGetErrorStringA(std::int32_t error, char* buffer, std::uint32_t length) = 0;
  virtual bool PlaySoundA(const char* sound, Handle module, std::uint32_t flags) = 0;
  virtual std::uint32_t waveOutGetNumDevs() = 0;

  // --- Common dialogs and shell ---------------------------------------------------------------
  virtual bool GetOpenFileNameW(OpenFileName* record) = 0;
  virtual Handle ShellExecuteA(Handle owner, const char* verb, const char* file,
                               const char* parameters, const char* directory, int showCommand) = 0;

  // --- Language and the program's own texts ---------------------------------------------------
  // The language of Windows' user interface (GetUserDefaultUILanguage): a LANGID, whose low ten
  // bits are the primary language (kLangJapanese, ...).
  virtual std::uint16_t GetUserDefaultUILanguage() = 0;
  // The text `id` of the program's string table in `language` (a LANGID): entry id % 16 of the
  // block FindResourceExW(module, RT_STRING, id / 16 + 1, language) finds, in UTF-8. nullopt
  // when the program has no block in that language, or the entry is empty.
  virtual std::optional<std::string> FindStringResourceExW(std::uint32_t id,
                                                           std::uint16_t language) = 0;
  // The clipboard, for a text the user copies: opened for a window, emptied (which makes that
  // window its owner), given the text and closed again. SetClipboardData takes kCfUnicodeText
  // only: the Win32 side hands the system the UTF-16 text, NUL included, in a moveable global
  // block, which the system owns from then on.
  virtual bool OpenClipboard(Handle owner) = 0;
  virtual bool EmptyClipboard() = 0;
  virtual bool SetClipboardData(std::uint32_t format, const std::string& text) = 0;
  virtual bool CloseClipboard() = 0;

  // --- What "why won't the saver start?" reads and mends -------------------------------------
  // Calls an ordinary user may make. Registry values are text (REG_SZ; REG_EXPAND_SZ comes back
  // expanded), in UTF-8; results are Win32 error codes (kErrorSuccess). SystemParametersInfoA
  // above answers the screen saver's gets (a 32-bit BOOL or UINT in `data`) and announces the
  // change of SPI_SETSCREENSAVEACTIVE.
  virtual std::int32_t RegGetValueW(Handle key, const char* subKey, const char* value,
                                    std::uint32_t flags, std::string* data) = 0;
  virtual std::int32_t RegSetKeyValueW(Handle key, const char* subKey, const char* valueName,
                                       std::uint32_t type, const char* data) = 0;
  // Paths and folders, sized and counted as GetShortPathNameW above: 0 for a failure (a path
  // that is not there; no SysWOW64 on 32-bit Windows).
  virtual std::uint32_t GetLongPathNameW(const char* shortPath, std::string* longPath,
                                         std::uint32_t size) = 0;
  virtual std::uint32_t GetSystemDirectoryW(std::string* buffer, std::uint32_t size) = 0;
  virtual std::uint32_t GetSystemWow64DirectoryW(std::string* buffer, std::uint32_t size) = 0;
  virtual std::uint32_t GetWindowsDirectoryW(std::string* buffer, std::uint32_t size) = 0;
  virtual bool IsWow64Process(Handle process, bool* wow64) = 0;
  // HRESULT; the folder's path, MAX_PATH at most.
  virtual std::int32_t SHGetFolderPathW(Handle owner, int folder, Handle token, std::uint32_t flags,
                                        std::string* path) = 0;
  virtual std::uint32_t GetFileAttributesW(const char* fileName) = 0;
  // GetTokenInformation of this process's token, for the classes that answer one DWORD.
  virtual bool GetProcessTokenInformation(int infoClass, std::uint32_t* value) = 0;
  // Whether this process may write the file (AccessCheck of its security descriptor with this
  // process's token; false for a read-only file), or, when it is not there, make it in the nearest
  // folder that is. Nothing is opened for writing, so file virtualisation copies nothing.
  virtual bool MayWriteFile(const char* path) = 0;
  // The drives' root folders, each followed by a NUL.
  virtual std::uint32_t GetLogicalDriveStringsW(std::uint32_t size, std::string* buffer) = 0;
  virtual std::uint32_t GetDriveTypeW(const char* rootPathName) = 0;
  // The power plan (powrprof, looked up when first called: where it lacks a call, the call answers
  // kErrorCallNotImplemented, and CallNtPowerInformation STATUS_NOT_IMPLEMENTED).
  virtual std::uint32_t PowerGetActiveScheme(Handle userRootPowerKey, Guid* activePolicy) = 0;
  virtual std::uint32_t PowerReadACValueIndex(Handle rootPowerKey, const Guid* scheme,
                                              const Guid* subgroup, const Guid* setting,
                                              std::uint32_t* value) = 0;
  virtual std::uint32_t PowerReadDCValueIndex(Handle rootPowerKey, const Guid* scheme,
                                              const Guid* subgroup, const Guid* setting,
                                              std::uint32_t* value) = 0;
  // NTSTATUS: 0 for success.
  virtual std::int32_t CallNtPowerInformation(int informationLevel, const void* input,
                                              std::uint32_t inputLength, void* output,
                                              std::uint32_t outputLength) = 0;
  // SYSTEM_POWER_STATUS's ACLineStatus: 0 on battery, 1 on mains, 255 unknown.
  virtual bool GetSystemPowerStatus(std::uint8_t* acLineStatus) = 0;
};

// Languages (LANGIDs and their primary languages, "Language Identifier Constants and Strings").
inline constexpr std::uint16_t kPrimaryLanguageMask = 0x03FF;
inline constexpr std::uint16_t kLangJapanese = 0x11;
inline constexpr std::uint16_t kLangIdJapanese = 0x0411;   // ja-JP
inline constexpr std::uint16_t kLangIdEnglishUs = 0x0409;  // en-US
// The clipboard's format of UTF-16 text.
inline constexpr std::uint32_t kCfUnicodeText = 13;

// True when the ANSI code page holds `utf8` as it is: converted there and back it comes out the
// same, with no "?" or look-alike in place of a character the code page lacks.
inline bool AnsiCanHold(Os& os, const std::string& utf8) {
  return os.FromAnsi(os.ToAnsi(utf8)) == utf8;
}

}  // namespace quarlo::os
