#pragma once
// The real operating system: each function forwards to the Win32 call of the same name.

#include "os/os.h"

namespace quarlo::os {

class Win32Os : public Os {
 public:
  std::string ToAnsi(const std::string& utf8) override;
  std::string FromAnsi(const std::string& ansi) override;
  std::string CommandText() override;
  std::string ModuleFileName() override;
  Handle ModuleInstance() override;
  void ExitProcess(std::uint32_t exitCode) override;
  double SecondsSinceMidnight() override;

  std::uint32_t SetErrorMode(std::uint32_t mode) override;
  std::uint32_t GetTempPathW(std::uint32_t size, std::string* buffer) override;
  std::uint32_t GetShortPathNameW(const char* longPath, std::string* shortPath,
                                  std::uint32_t size) override;
  bool ReadFileHead(const std::string& path, std::uint32_t count, std::string* head,
                    std::int64_t* fileSize) override;
  Handle CopyFileFrom(const std::string& source, std::int64_t offset,
                      const std::string& target) override;
  bool SetFileDispositionInfo(Handle file, bool deleteFile) override;
  bool DeleteFileW(const char* fileName) override;

  Handle FindWindowW(const char* className, const char* windowName) override;
  int ShowCursor(bool show) override;
  bool SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* data,
                             std::uint32_t winIni) override;
  bool SetWindowPos(Handle window, Handle insertAfter, int x, int y, int cx, int cy,
                    std::uint32_t flags) override;
  bool GetWindowRect(Handle window, Rect* rect) override;
  std::int32_t GetWindowLongA(Handle window, int index) override;
  std::int32_t SetWindowLongA(Handle window, int index, std::int32_t value) override;
  Handle SetParent(Handle child, Handle newParent) override;
  bool PostMessageA(Handle window, std::uint32_t message, std::uint32_t wParam,
                    std::int32_t lParam) override;
  bool IsWindow(Handle window) override;
  bool DrawAnimatedRects(Handle window, int animation, const Rect* from, const Rect* to) override;
  bool GetCursorPos(Point* point) override;
  Handle WindowFromPoint(Point point) override;
  int GetSystemMetrics(int index) override;
  int ScreenDeviceCaps(int index) override;
  bool EnumDisplayMonitors(Handle dc, const Rect* clip, const MonitorEnumProc& callback) override;
  bool GetMonitorInfoA(Handle monitor, MonitorInfo* info) override;
  Handle LoadCursorA(Handle instance, int resourceId) override;
  Handle SetCursor(Handle cursor) override;

  bool GetVersionExW(OsVersion* version) override;
  bool QueryPerformanceFrequency(std::int64_t* frequency) override;
  bool QueryPerformanceCounter(std::int64_t* count) override;
  Handle CreateWaitableTimerExW(std::uint32_t flags, std::uint32_t access) override;
  bool SetWaitableTimer(Handle timer, std::int64_t dueTime) override;
  bool CloseHandle(Handle handle) override;
  std::uint32_t MsgWaitForMultipleObjectsEx(std::uint32_t count, const Handle* handles,
                                            std::uint32_t milliseconds, std::uint32_t wakeMask,
                                            std::uint32_t flags) override;
  void Sleep(std::uint32_t milliseconds) override;
  std::uint32_t timeBeginPeriod(std::uint32_t period) override;
  std::uint32_t timeEndPeriod(std::uint32_t period) override;
  std::int32_t DwmGetCompositionTimingInfo(Handle window, CompositionTiming* timing) override;
  Handle RegisterPowerSettingNotification(Handle recipient, const Guid& setting,
                                          std::uint32_t flags) override;
  bool UnregisterPowerSettingNotification(Handle notification) override;
  bool WTSRegisterSessionNotification(Handle window, std::uint32_t flags) override;
  bool WTSUnRegisterSessionNotification(Handle window) override;
  bool WTSQuerySessionInformationW(Handle server, std::uint32_t sessionId, int infoClass,
                                   std::int32_t* value) override;
  bool ThreadDesktopHasInput() override;
  bool RegisterRawInputDevices(const RawInputDevice* devices, std::uint32_t count) override;
  std::uint32_t GetDpiForWindow(Handle window) override;
  Handle MonitorFromWindow(Handle window) override;
  std::uint32_t GetDpiForMonitor(Handle monitor) override;
  bool SetThreadDpiAwarenessContext(Handle context) override;
  Handle GetWindowDpiAwarenessContext(Handle window) override;
  bool GetRawInputData(Handle rawInput, RawInput* data) override;

  std::uint32_t GetPrivateProfileStringW(const char* section, const char* key,
                                         const char* defaultValue, std::string* buffer,
                                         std::uint32_t size, const char* fileName) override;
  bool WritePrivateProfileStringW(const char* section, const char* key, const char* value,
                                  const char* fileName) override;
  bool CanOpenForReading(const std::string& ansiPath) override;

  std::int32_t mciSendStringA(const char* command, char* returnString, std::uint32_t returnLength,
                              Handle callback) override;
  bool mciGetErrorStringA(std::int32_t error, char* buffer, std::uint32_t length) override;
  bool PlaySoundA(const char* sound, Handle module, std::uint32_t flags) override;
  std::uint32_t waveOutGetNumDevs() override;

  bool GetOpenFileNameW(OpenFileName* record) override;
  Handle ShellExecuteA(Handle owner, const char* verb, const char* file, const char* parameters,
                       const char* directory, int showCommand) override;

  std::uint16_t GetUserDefaultUILanguage() override;
  std::optional<std::string> FindStringResourceExW(std::uint32_t id,
                                                   std::uint16_t language) override;
  bool OpenClipboard(Handle owner) override;
  bool EmptyClipboard() override;
  bool SetClipboardData(std::uint32_t format, const std::string& text) override;
  bool CloseClipboard() override;

  // What "why won't the saver start?" reads and mends (win32_os_saver_state.cpp).
  std::int32_t RegGetValueW(Handle key, const char* subKey, const char* value, std::uint32_t flags,
                            std::string* data) override;
  std::int32_t RegSetKeyValueW(Handle key, const char* subKey, const char* valueName,
                               std::uint32_t type, const char* data) override;
  std::uint32_t GetLongPathNameW(const char* shortPath, std::string* longPath,
                                 std::uint32_t size) override;
  std::uint32_t GetSystemDirectoryW(std::string* buffer, std::uint32_t size) override;
  std::uint32_t GetSystemWow64DirectoryW(std::string* buffer, std::uint32_t size) override;
  std::uint32_t GetWindowsDirectoryW(std::string* buffer, std::uint32_t size) override;
  bool IsWow64Process(Handle process, bool* wow64) override;
  std::int32_t SHGetFolderPathW(Handle owner, int folder, Handle token, std::uint32_t flags,
                                std::string* path) override;
  std::uint32_t GetFileAttributesW(const char* fileName) override;
  bool GetProcessTokenInformation(int infoClass, std::uint32_t* value) override;
  bool MayWriteFile(const char* path) override;
  std::uint32_t GetLogicalDriveStringsW(std::uint32_t size, std::string* buffer) override;
  std::uint32_t GetDriveTypeW(const char* rootPathName) override;
  std::uint32_t PowerGetActiveScheme(Handle userRootPowerKey, Guid* activePolicy) override;
  std::uint32_t PowerReadACValueIndex(Handle rootPowerKey, const Guid* scheme, const Guid* subgroup,
                                      const Guid* setting, std::uint32_t* value) override;
  std::uint32_t PowerReadDCValueIndex(Handle rootPowerKey, const Guid* scheme, const Guid* subgroup,
                                      const Guid* setting, std::uint32_t* value) override;
  std::int32_t CallNtPowerInformation(int informationLevel, const void* input,
                                      std::uint32_t inputLength, void* output,
                                      std::uint32_t outputLength) override;
  bool GetSystemPowerStatus(std::uint8_t* acLineStatus) override;
};

}  // namespace quarlo::os
