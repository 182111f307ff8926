#pragma once
// A scriptable operating system for tests. Every call is recorded as one readable line in the
// shape of the real call, e.g.
//   SystemParametersInfoA(97, -1, NULL, 0)
//   FindWindowW(NULL, "Quarlo_Main")
// and answered from the public fields below. Its ANSI code page is UTF-8 unless a test chooses
// another, so texts read the same in the recorded lines as in the test; the *W functions take
// UTF-8 in every code page.

#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "os/os.h"

namespace quarlo::testing {

class FakeOs : public os::Os {
 public:
  // --- What the fake answers ------------------------------------------------------------------
  std::string commandText;
  std::string moduleFileName = "C:\\Saver\\Quarlo.scr";
  os::Handle moduleInstance = 0x400000;
  double secondsSinceMidnight = 43200.0;
  // Files by path (UTF-8, as the wide functions name them), with their bytes, for ReadFileHead,
  // CopyFileFrom and DeleteFileW. A target in a folder listed in unwritableFolders cannot be
  // created.
  std::map<std::string, std::string> files;
  std::set<std::string> unwritableFolders;
  std::string tempPath = "C:\\Users\\me\\Temp\\";  // GetTempPathW; empty: the call fails
  // GetShortPathNameW: the short forms of paths; any other path is its own short form, as on a
  // volume that keeps no short names.
  std::map<std::string, std::string> shortPaths;
  // The ANSI code page ToAnsi and FromAnsi convert with, as Windows does: 65001 (UTF-8), 1252 or
  // 932. A character the code page lacks becomes "?"; bytes it cannot read become U+FFFD (65001),
  // or U+30FB (932). Every byte of 1252 reads and writes back unchanged.
  std::uint32_t codePage = 65001;
  std::map<std::string, os::Handle> windowsByTitle;      // for FindWindowW
  std::map<os::Handle, os::Rect> windowRects;            // for GetWindowRect
  std::map<os::Handle, std::int32_t> windowStyles;       // GWL_STYLE per window
  std::set<os::Handle> liveWindows;                      // for IsWindow
  std::optional<os::Point> cursorPos = os::Point{0, 0};  // nullopt: GetCursorPos fails
  os::Handle windowUnderCursor = os::kNull;
  std::map<int, int> systemMetrics = {{os::kSmCxScreen, 1024}, {os::kSmCyScreen, 768}};
  std::map<int, int> deviceCaps = {
      {os::kLogPixelsX, 96}, {os::kLogPixelsY, 96}, {os::kVRefresh, 60}};
  // The monitors in the order EnumDisplayMonitors lists them; the handle of monitors[i] is
  // kFirstMonitor + i.
  static constexpr os::Handle kFirstMonitor = 0x10001;
  std::vector<os::MonitorInfo> monitors = {
      {{0, 0, 1024, 768}, {0, 0, 1024, 728}, os::kMonitorInfoFPrimary}};
  // Settings files as the wide profile functions see them: path -> section -> key -> value, in
  // UTF-8. Section and key match case-insensitively (ASCII letters); a value is read as the system
  // reads it from the file: blanks round it dropped, then one pair of enclosing quotes. A write
  // stores what the file in the ANSI code page will hold.
  std::map<std::string, std::map<std::string, std::map<std::string, std::string>>> profiles;
  // Fills profiles[path] from the bytes of a settings file, parsed as the system parses one: a
  // UTF-8 or UTF-16 byte-order mark, otherwise the ANSI code page; lines end at CR or LF;
  // "[name]" up to the last "]" opens a section; "key = value" with blanks round the key and in
  // front of the value dropped; the first of a repeated key wins; lines before any section
  // belong to the nameless one.
  void LoadProfileFile(const std::string& path, const std::string& bytes);
  std::set<std::string> readableFiles;  // for CanOpenForReading
  bool everyFileReadable = false;       // CanOpenForReading answers true for any path
  // MCI: answers a command; the reply text is copied into the caller's buffer (bounded). A
  // failing answer (code not 0) with an empty reply leaves the buffer as it was.
  std::function<std::int32_t(const std::string& command, std::string& reply)> mci;
  std::function<std::optional<std::string>(std::int32_t error)> mciErrorText;
  std::uint32_t waveOutDevices = 1;
  // Time and waits. The performance counter counts 10 MHz from `nowMs` (its reads are not
  // recorded). A wait on a timer, or with a timeout, goes on to its deadline, up to
  // `waitLateMs` late (a scheduler tick without a fine timer resolution is 15.6 ms), unless the
  // message scripted at `messageAtMs` comes first; a wait with neither goes on to that message,
  // or returns at once as if a message were there. Sleep moves the clock on.
  double nowMs = 1000.0;
  double waitLateMs = 0;
  std::optional<double> messageAtMs;
  bool waitsFail = false;            // MsgWaitForMultipleObjectsEx answers WAIT_FAILED
  bool highResolutionTimers = true;  // CreateWaitableTimerExW takes the high-resolution flag
  os::OsVersion version = {10, 0, 19045};
  // The compositor: refreshes at this rate from time 0; 0 means none (its timing call fails).
  double refreshHz = 60;
  // The session now: WTSQuerySessionInformationW's answers (nullopt: the query fails).
  std::optional<std::int32_t> connectState = 0;  // WTSActive
  std::optional<std::int32_t> sessionLock = os::kWtsSessionStateUnlock;
  // ThreadDesktopHasInput: asked only while the session is reported locked, when the secure
  // desktop normally has the input.
  bool threadDesktopHasInput = false;
  // What GetDpiForWindow answers for any window (0: the system has no such call).
  std::uint32_t windowDpi = 96;
  // What GetDpiForMonitor answers for any monitor (0: the system has no such call).
  std::uint32_t monitorDpi = 96;
  // Raw input reports by the handle a WM_INPUT carries.
  std::map<os::Handle, os::RawInput> rawInputs;
  // File-open dialog: the path the user picks, or nullopt for Cancel.
  std::optional<std::string> openFileChoice;
  std::optional<os::OpenFileName> lastOpenFileName;

  // --- What "why won't the saver start?" reads (fake_os_saver_state.cpp) ----------------------
  std::map<std::string, std::string> registry;  // HKCU's text values by "subkey\\value name"
  std::uint32_t screenSaveActive = 1;           // SPI_GETSCREENSAVEACTIVE, SPI_SETSCREENSAVEACTIVE
  std::uint32_t screenSaveTimeout = 600;        // SPI_GETSCREENSAVETIMEOUT
  // The files and folders there, by each name they may be given, with their long names.
  std::map<std::string, std::string> longPaths;
  std::set<std::string> writablePaths;  // MayWriteFile
  // The system folders; no SysWOW64 on 32-bit Windows, and WOW64 wherever there is one.
  std::string systemDirectory = "C:\\Windows\\system32";
  std::string wow64Directory;
  std::string windowsDirectory = "C:\\Windows";
  std::string localAppData = "C:\\Users\\me\\AppData\\Local";  // SHGetFolderPathW's only answer
  std::uint32_t tokenVirtualization = 0;
  // The active plan's display-off and sleep timeouts in seconds, on mains and on battery;
  // nullopt: powrprof lacks the calls, as Wine's lacks the plan's. The drives and the execution
  // state are not to be had.
  using PowerPlan = std::pair<std::uint32_t, std::uint32_t>;
  std::optional<PowerPlan> acPlan = PowerPlan{900, 1800};
  std::optional<PowerPlan> dcPlan = PowerPlan{300, 900};
  std::uint8_t acLineStatus = 1;

  // --- What the program did ---------------------------------------------------------------------
  const std::vector<std::string>& calls() const { return calls_; }
  std::vector<std::string> callsStartingWith(const std::string& prefix) const;
  void clearCalls() { calls_.clear(); }
  bool exited() const { return exitCode_.has_value(); }
  std::optional<std::uint32_t> exitCode() const { return exitCode_; }
  int cursorShowCount() const { return cursorShowCount_; }

  // --- os::Os ------------------------------------------------------------------------------------
  std::string ToAnsi(const std::string& utf8) override;
  std::string FromAnsi(const std::string& ansi) override;
  std::string CommandText() override;
  std::string ModuleFileName() override;
  os::Handle ModuleInstance() override { return moduleInstance; }
  void ExitProcess(std::uint32_t exitCode) override;
  double SecondsSinceMidnight() override { return secondsSinceMidnight; }

  std::uint32_t SetErrorMode(std::uint32_t mode) override;
  std::uint32_t GetTempPathW(std::uint32_t size, std::string* buffer) override;
  std::uint32_t GetShortPathNameW(const char* longPath, std::string* shortPath,
                                  std::uint32_t size) override;
  bool ReadFileHead(const std::string& path, std::uint32_t count, std::string* head,
                    std::int64_t* fileSize) override;
  // The copy is in `files` as soon as it is made, open and marked for deletion: closed (or at
  // ExitProcess) it goes unless SetFileDispositionInfo kept it.
  os::Handle CopyFileFrom(const std::string& source, std::int64_t offset,
                          const std::string& target) override;
  bool SetFileDispositionInfo(os::Handle file, bool deleteFile) override;
  bool DeleteFileW(const char* fileName) override;

  os::Handle FindWindowW(const char* className, const char* windowName) override;
  int ShowCursor(bool show) override;
  bool SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* data,
                             std::uint32_t winIni) override;
  bool SetWindowPos(os::Handle window, os::Handle insertAfter, int x, int y, int cx, int cy,
                    std::uint32_t flags) override;
  bool GetWindowRect(os::Handle window, os::Rect* rect) override;
  std::int32_t GetWindowLongA(os::Handle window, int index) override;
  std::int32_t SetWindowLongA(os::Handle window, int index, std::int32_t value) override;
  os::Handle SetParent(os::Handle child, os::Handle newParent) override;
  bool PostMessageA(os::Handle window, std::uint32_t message, std::uint32_t wParam,
                    std::int32_t lParam) override;
  bool IsWindow(os::Handle window) override;
  bool DrawAnimatedRects(os::Handle window, int animation, const os::Rect* from,
                         const os::Rect* to) override;
  bool GetCursorPos(os::Point* point) override;
  os::Handle WindowFromPoint(os::Point point) override;
  int GetSystemMetrics(int index) override;
  int ScreenDeviceCaps(int index) override;
  bool EnumDisplayMonitors(os::Handle dc, const os::Rect* clip,
                           const os::MonitorEnumProc& callback) override;
  bool GetMonitorInfoA(os::Handle monitor, os::MonitorInfo* info) override;
  os::Handle LoadCursorA(os::Handle instance, int resourceId) override;
  os::Handle SetCursor(os::Handle cursor) override;

  std::uint32_t GetPrivateProfileStringW(const char* section, const char* key,
                                         const char* defaultValue, std::string* buffer,
                                         std::uint32_t size, const char* fileName) override;
  bool WritePrivateProfileStringW(const char* section, const char* key, const char* value,
                                  const char* fileName) override;
  bool CanOpenForReading(const std::string& ansiPath) override;

  std::int32_t mciSendStringA(const char* command, char* returnString, std::uint32_t returnLength,
                              os::Handle callback) override;
  bool mciGetErrorStringA(std::int32_t error, char* buffer, std::uint32_t length) override;
  bool PlaySoundA(const char* sound, os::Handle module, std::uint32_t flags) override;
  std::uint32_t waveOutGetNumDevs() override;

  bool GetOpenFileNameW(os::OpenFileName* record) override;
  os::Handle ShellExecuteA(os::Handle owner, const char* verb, const char* file,
                           const char* parameters, const char* directory, int showCommand) override;

  bool GetVersionExW(os::OsVersion* version) override;
  bool QueryPerformanceFrequency(std::int64_t* frequency) override;
  bool QueryPerformanceCounter(std::int64_t* count) override;
  os::Handle CreateWaitableTimerExW(std::uint32_t flags, std::uint32_t access) override;
  bool SetWaitableTimer(os::Handle timer, std::int64_t dueTime) override;
  bool CloseHandle(os::Handle handle) override;
  std::uint32_t MsgWaitForMultipleObjectsEx(std::uint32_t count, const os::Handle* handles,
                                            std::uint32_t milliseconds, std::uint32_t wakeMask,
                                            std::uint32_t flags) override;
  void Sleep(std::uint32_t milliseconds) override;
  std::uint32_t timeBeginPeriod(std::uint32_t period) override;
  std::uint32_t timeEndPeriod(std::uint32_t period) override;
  std::int32_t DwmGetCompositionTimingInfo(os::Handle window,
                                           os::CompositionTiming* timing) override;
  os::Handle RegisterPowerSettingNotification(os::Handle recipient, const os::Guid& setting,
                                              std::uint32_t flags) override;
  bool UnregisterPowerSettingNotification(os::Handle notification) override;
  bool WTSRegisterSessionNotification(os::Handle window, std::uint32_t flags) override;
  bool WTSUnRegisterSessionNotification(os::Handle window) override;
  bool WTSQuerySessionInformationW(os::Handle server, std::uint32_t sessionId, int infoClass,
                                   std::int32_t* value) override;
  bool ThreadDesktopHasInput() override;
  bool RegisterRawInputDevices(const os::RawInputDevice* devices, std::uint32_t count) override;
  std::uint32_t GetDpiForWindow(os::Handle window) override;
  os::Handle MonitorFromWindow(os::Handle window) override;
  std::uint32_t GetDpiForMonitor(os::Handle monitor) override;
  bool SetThreadDpiAwarenessContext(os::Handle context) override;
  os::Handle GetWindowDpiAwarenessContext(os::Handle window) override;
  bool GetRawInputData(os::Handle rawInput, os::RawInput* data) override;

  // --- Language and the program's own texts ----------------------------------------------------
  // Windows' user-interface language; the program's string tables are the product's own, read
  // from its resource script. Neither is recorded: the texts are the program's constants.
  std::uint16_t uiLanguage = os::kLangIdJapanese;
  std::uint16_t GetUserDefaultUILanguage() override { return uiLanguage; }
  std::optional<std::string> FindStringResourceExW(std::uint32_t id,
                                                   std::uint16_t language) override;
  // The clipboard's text, as the last successful SetClipboardData left it.
  std::optional<std::string> clipboard;
  bool OpenClipboard(os::Handle owner) override;
  bool EmptyClipboard() override;
  bool SetClipboardData(std::uint32_t format, const std::string& text) override;
  bool CloseClipboard() override;

  std::int32_t RegGetValueW(os::Handle key, const char* subKey, const char* value,
                            std::uint32_t flags, std::string* data) override;
  std::int32_t RegSetKeyValueW(os::Handle key, const char* subKey, const char* valueName,
                               std::uint32_t type, const char* data) override;
  std::uint32_t GetLongPathNameW(const char* shortPath, std::string* longPath,
                                 std::uint32_t size) override;
  std::uint32_t GetSystemDirectoryW(std::string* buffer, std::uint32_t) override {
    return Answer(systemDirectory, buffer);
  }
  std::uint32_t GetSystemWow64DirectoryW(std::string* buffer, std::uint32_t) override {
    return Answer(wow64Directory, buffer);
  }
  std::uint32_t GetWindowsDirectoryW(std::string* buffer, std::uint32_t) override {
    return Answer(windowsDirectory, buffer);
  }
  bool IsWow64Process(os::Handle, bool* wow64) override {
    return *wow64 = !wow64Directory.empty(), true;
  }
  std::int32_t SHGetFolderPathW(os::Handle, int folder, os::Handle, std::uint32_t,
                                std::string* path) override {
    return folder == os::kCsidlLocalAppData ? (*path = localAppData, 0) : 0x80004005;  // E_FAIL
  }
  std::uint32_t GetFileAttributesW(const char* fileName) override {
    return longPaths.count(fileName) > 0 ? 0x80 : os::kInvalidFileAttributes;  // NORMAL
  }
  bool GetProcessTokenInformation(int infoClass, std::uint32_t* value) override {
    return *value = tokenVirtualization, infoClass == os::kTokenVirtualizationEnabled;
  }
  bool MayWriteFile(const char* path) override { return writablePaths.count(path) > 0; }
  std::uint32_t GetLogicalDriveStringsW(std::uint32_t, std::string*) override { return 0; }
  std::uint32_t GetDriveTypeW(const char*) override { return 1; }  // DRIVE_NO_ROOT_DIR
  std::uint32_t PowerGetActiveScheme(os::Handle, os::Guid* scheme) override {
    return acPlan || dcPlan ? (*scheme = {}, os::kErrorSuccess) : os::kErrorCallNotImplemented;
  }
  std::uint32_t PowerReadACValueIndex(os::Handle, const os::Guid*, const os::Guid*,
                                      const os::Guid* setting, std::uint32_t* value) override {
    return ReadPlan(acPlan, *setting, value);
  }
  std::uint32_t PowerReadDCValueIndex(os::Handle, const os::Guid*, const os::Guid*,
                                      const os::Guid* setting, std::uint32_t* value) override {
    return ReadPlan(dcPlan, *setting, value);
  }
  std::int32_t CallNtPowerInformation(int, const void*, std::uint32_t, void*,
                                      std::uint32_t) override {
    return static_cast<std::int32_t>(0xC0000002);  // STATUS_NOT_IMPLEMENTED
  }
  bool GetSystemPowerStatus(std::uint8_t* status) override { return *status = acLineStatus, true; }

  // Formats a text argument as the recorded lines show it: NULL or the text in double quotes.
  static std::string Quote(const char* text);

 private:
  void Record(std::string line) { calls_.push_back(std::move(line)); }
  static std::uint32_t Answer(const std::string& text, std::string* buffer);
  static std::uint32_t ReadPlan(const std::optional<PowerPlan>& plan, const os::Guid& setting,
                                std::uint32_t* value);

  struct OpenFile {
    std::string path;
    bool deleteOnClose = false;
    bool closed = false;
  };
  static constexpr os::Handle kFirstFile = 0x7001;
  void CloseFile(OpenFile& file);

  std::vector<std::string> calls_;
  std::map<os::Handle, OpenFile> openFiles_;
  std::optional<std::uint32_t> exitCode_;
  int cursorShowCount_ = 0;
  std::optional<double> timerDueMs_;
  std::mt19937 lateness_{7};
};

// Builds the expected list of recorded lines in a test: lines({"A()", "B(1)"}).
inline std::vector<std::string> lines(std::initializer_list<std::string> items) { return items; }

}  // namespace quarlo::testing
