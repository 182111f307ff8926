#include "os/win32/win32_os.h"

#include <windows.h>
#include <commdlg.h>
#include <dwmapi.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shellscalingapi.h>
#include <wtsapi32.h>

#include <algorithm>
#include <vector>

#include "os/command_line.h"
#include "os/win32/answers.h"
#include "os/win32/handles.h"
#include "os/win32/wide.h"

namespace quarlo::os {
namespace {

std::wstring Widen(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0) {
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  }
  return wide;
}

std::string Narrow(std::wstring_view wide, UINT codePage) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(std::max(n, 0)), '\0');
  if (n > 0) {
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n,
                        nullptr, nullptr);
  }
  return text;
}

std::wstring Wide(const char* utf8) { return utf8 ? Widen(utf8, CP_UTF8) : std::wstring(); }
std::string FromWide(const wchar_t* wide) { return wide ? Narrow(wide, CP_UTF8) : std::string(); }

// A wide argument that may be NULL: the widened text, or NULL.
class WideArgument {
 public:
  explicit WideArgument(const char* utf8) : null_(utf8 == nullptr), text_(Wide(utf8)) {}
  const wchar_t* get() const { return null_ ? nullptr : text_.c_str(); }

 private:
  bool null_;
  std::wstring text_;
};

// A buffer of `size` wide characters holding `utf8`, cut to fit, NUL-filled after it.
std::vector<wchar_t> WideBuffer(const std::string& utf8, std::uint32_t size) {
  std::vector<wchar_t> buffer(static_cast<std::size_t>(size) + 1, L'\0');
  const std::wstring wide = Widen(utf8.substr(0, utf8.find('\0')), CP_UTF8);
  wide.copy(buffer.data(), std::min<std::size_t>(wide.size(), size));
  return buffer;
}

// A file handle that closes itself; false when the open failed.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (*this) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::wstring Utf16(std::string_view utf8) { return Widen(utf8, CP_UTF8); }
std::string Utf8(std::wstring_view wide) { return Narrow(wide, CP_UTF8); }

std::string Win32Os::ToAnsi(const std::string& utf8) {
  return Narrow(Widen(utf8, CP_UTF8), CP_ACP);
}
std::string Win32Os::FromAnsi(const std::string& ansi) {
  return Narrow(Widen(ansi, CP_ACP), CP_UTF8);
}

std::string Win32Os::CommandText() {
  return std::string(ArgumentText(FromWide(GetCommandLineW())));
}

std::string Win32Os::ModuleFileName() {
  // Long paths (\\?\ and beyond MAX_PATH) fit: the buffer grows until the name does.
  std::vector<wchar_t> path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return Narrow(std::wstring(path.data(), n), CP_UTF8);
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2, L'\0');
  }
}

Handle Win32Os::ModuleInstance() { return FromNative(GetModuleHandleA(nullptr)); }

void Win32Os::ExitProcess(std::uint32_t exitCode) { ::ExitProcess(exitCode); }

double Win32Os::SecondsSinceMidnight() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

std::uint32_t Win32Os::SetErrorMode(std::uint32_t mode) { return ::SetErrorMode(mode); }

std::uint32_t Win32Os::GetTempPathW(std::uint32_t size, std::string* buffer) {
  std::vector<wchar_t> wide(static_cast<std::size_t>(size) + 1, L'\0');
  const DWORD n = ::GetTempPathW(size, wide.data());
  if (buffer != nullptr) *buffer = FromWide(wide.data());
  return n;
}

std::uint32_t Win32Os::GetShortPathNameW(const char* longPath, std::string* shortPath,
                                         std::uint32_t size) {
  std::vector<wchar_t> wide(static_cast<std::size_t>(size) + 1, L'\0');
  const WideArgument wideLong(longPath);
  const DWORD n = ::GetShortPathNameW(wideLong.get(), wide.data(), size);
  if (shortPath != nullptr) *shortPath = FromWide(wide.data());
  return n;
}

bool Win32Os::ReadFileHead(const std::string& path, std::uint32_t count, std::string* head,
                           std::int64_t* fileSize) {
  const FileHandle file(CreateFileW(Wide(path.c_str()).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file || !GetFileSizeEx(file.get(), &size)) return false;
  std::string bytes(count, '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), count, &read, nullptr)) return false;
  bytes.resize(read);
  *head = std::move(bytes);
  *fileSize = size.QuadPart;
  return true;
}

Handle Win32Os::CopyFileFrom(const std::string& source, std::int64_t offset,
                             const std::string& target) {
  const FileHandle from(CreateFileW(Wide(source.c_str()).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER start;
  start.QuadPart = offset;
  if (!from || !SetFilePointerEx(from.get(), start, nullptr, FILE_BEGIN)) return kNull;
  HANDLE to = CreateFileW(Wide(target.c_str()).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (to == INVALID_HANDLE_VALUE) return kNull;
  // Marked for deletion from the start: a copy cut short, even by the end of the process, goes
  // with its handle. Unmarked, it could be left behind; so it is not made at all.
  if (!SetFileDispositionInfo(FromNative(to), true)) {
    ::CloseHandle(to);
    ::DeleteFileW(Wide(target.c_str()).c_str());
    return kNull;
  }
  std::vector<char> chunk(1 << 16);
  for (;;) {
    DWORD read = 0;
    DWORD written = 0;
    if (!ReadFile(from.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr) ||
        (read != 0 && (!WriteFile(to, chunk.data(), read, &written, nullptr) || written != read))) {
      ::CloseHandle(to);
      return kNull;
    }
    if (read == 0) return FromNative(to);
  }
}

bool Win32Os::SetFileDispositionInfo(Handle file, bool deleteFile) {
  FILE_DISPOSITION_INFO dispose = {static_cast<BOOLEAN>(deleteFile ? TRUE : FALSE)};
  return SetFileInformationByHandle(ToNative<HANDLE>(file), FileDispositionInfo, &dispose,
                                    sizeof dispose) != FALSE;
}

bool Win32Os::DeleteFileW(const char* fileName) {
  const WideArgument wideName(fileName);
  return ::DeleteFileW(wideName.get()) != FALSE;
}

Handle Win32Os::FindWindowW(const char* className, const char* windowName) {
  const WideArgument wideClass(className);
  const WideArgument wideName(windowName);
  return FromNative(::FindWindowW(wideClass.get(), wideName.get()));
}

int Win32Os::ShowCursor(bool show) { return ::ShowCursor(show ? TRUE : FALSE); }

bool Win32Os::SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* data,
                                    std::uint32_t winIni) {
  return ::SystemParametersInfoA(action, param, data, winIni) != FALSE;
}

bool Win32Os::SetWindowPos(Handle window, Handle insertAfter, int x, int y, int cx, int cy,
                           std::uint32_t flags) {
  return ::SetWindowPos(ToHwnd(window), ToHwnd(insertAfter), x, y, cx, cy, flags) != FALSE;
}

bool Win32Os::GetWindowRect(Handle window, Rect* rect) {
  RECT native = {rect->left, rect->top, rect->right, rect->bottom};
  const BOOL ok = ::GetWindowRect(ToHwnd(window), &native);
  if (ok) *rect = {native.left, native.top, native.right, native.bottom};
  return ok != FALSE;
}

std::int32_t Win32Os::GetWindowLongA(Handle window, int index) {
  return ::GetWindowLongA(ToHwnd(window), index);
}

std::int32_t Win32Os::SetWindowLongA(Handle window, int index, std::int32_t value) {
  return ::SetWindowLongA(ToHwnd(window), index, value);
}

Handle Win32Os::SetParent(Handle child, Handle newParent) {
  return FromNative(::SetParent(ToHwnd(child), ToHwnd(newParent)));
}

bool Win32Os::PostMessageA(Handle window, std::uint32_t message, std::uint32_t wParam,
                           std::int32_t lParam) {
  return ::PostMessageA(ToHwnd(window), message, wParam, lParam) != FALSE;
}

bool Win32Os::IsWindow(Handle window) { return ::IsWindow(ToHwnd(window)) != FALSE; }

bool Win32Os::DrawAnimatedRects(Handle window, int animation, const Rect* from, const Rect* to) {
  const RECT nativeFrom = {from->left, from->top, from->right, from->bottom};
  const RECT nativeTo = {to->left, to->top, to->right, to->bottom};
  return ::DrawAnimatedRects(ToHwnd(window), animation, &nativeFrom, &nativeTo) != FALSE;
}

bool Win32Os::GetCursorPos(Point* point) {
  POINT native = {point->x, point->y};
  const BOOL ok = ::GetCursorPos(&native);
  if (ok) *point = {native.x, native.y};
  return ok != FALSE;
}

Handle Win32Os::WindowFromPoint(Point point) {
  return FromNative(::WindowFromPoint(POINT{point.x, point.y}));
}

int Win32Os::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

int Win32Os::ScreenDeviceCaps(int index) {
  HDC screen = GetDC(nullptr);
  const int value = GetDeviceCaps(screen, index);
  ReleaseDC(nullptr, screen);
  return value;
}

namespace {

Rect FromRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

BOOL CALLBACK ForwardMonitor(HMONITOR monitor, HDC dc, LPRECT rect, LPARAM data) {
  const auto& callback = *reinterpret_cast<const MonitorEnumProc*>(data);
  return callback(FromNative(monitor), FromNative(dc), FromRect(*rect)) ? TRUE : FALSE;
}

}  // namespace

bool Win32Os::EnumDisplayMonitors(Handle dc, const Rect* clip, const MonitorEnumProc& callback) {
  RECT nativeClip = {};
  if (clip != nullptr) nativeClip = {clip->left, clip->top, clip->right, clip->bottom};
  return ::EnumDisplayMonitors(ToNative<HDC>(dc), clip != nullptr ? &nativeClip : nullptr,
                               &ForwardMonitor, reinterpret_cast<LPARAM>(&callback)) != FALSE;
}

bool Win32Os::GetMonitorInfoA(Handle monitor, MonitorInfo* info) {
  MONITORINFO native = {};
  native.cbSize = sizeof native;
  if (!::GetMonitorInfoA(ToNative<HMONITOR>(monitor), &native)) return false;
  *info = {FromRect(native.rcMonitor), FromRect(native.rcWork), native.dwFlags};
  return true;
}

Handle Win32Os::LoadCursorA(Handle instance, int resourceId) {
  return FromNative(::LoadCursorA(ToNative<HINSTANCE>(instance), MAKEINTRESOURCEA(resourceId)));
}

Handle Win32Os::SetCursor(Handle cursor) {
  return FromNative(::SetCursor(ToNative<HCURSOR>(cursor)));
}

bool Win32Os::GetVersionExW(OsVersion* version) {
  OSVERSIONINFOW native = {};
  native.dwOSVersionInfoSize = sizeof native;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExW(&native)) return false;
#pragma GCC diagnostic pop
  *version = {native.dwMajorVersion, native.dwMinorVersion, native.dwBuildNumber};
  return true;
}

bool Win32Os::QueryPerformanceFrequency(std::int64_t* frequency) {
  LARGE_INTEGER native;
  if (!::QueryPerformanceFrequency(&native)) return false;
  *frequency = native.QuadPart;
  return true;
}

bool Win32Os::QueryPerformanceCounter(std::int64_t* count) {
  LARGE_INTEGER native;
  if (!::QueryPerformanceCounter(&native)) return false;
  *count = native.QuadPart;
  return true;
}

Handle Win32Os::CreateWaitableTimerExW(std::uint32_t flags, std::uint32_t access) {
  return FromNative(::CreateWaitableTimerExW(nullptr, nullptr, flags, access));
}

bool Win32Os::SetWaitableTimer(Handle timer, std::int64_t dueTime) {
  LARGE_INTEGER due;
  due.QuadPart = dueTime;
  return ::SetWaitableTimer(ToNative<HANDLE>(timer), &due, 0, nullptr, nullptr, FALSE) != FALSE;
}

bool Win32Os::CloseHandle(Handle handle) {
  return ::CloseHandle(ToNative<HANDLE>(handle)) != FALSE;
}

std::uint32_t Win32Os::MsgWaitForMultipleObjectsEx(std::uint32_t count, const Handle* handles,
                                                   std::uint32_t milliseconds,
                                                   std::uint32_t wakeMask, std::uint32_t flags) {
  HANDLE native[MAXIMUM_WAIT_OBJECTS - 1] = {};
  if (count > std::size(native)) return WAIT_FAILED;
  for (std::uint32_t i = 0; i < count; ++i) native[i] = ToNative<HANDLE>(handles[i]);
  return ::MsgWaitForMultipleObjectsEx(count, count != 0 ? native : nullptr, milliseconds, wakeMask,
                                       flags);
}

void Win32Os::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint32_t Win32Os::timeBeginPeriod(std::uint32_t period) { return ::timeBeginPeriod(period); }

std::uint32_t Win32Os::timeEndPeriod(std::uint32_t period) { return ::timeEndPeriod(period); }

std::int32_t Win32Os::DwmGetCompositionTimingInfo(Handle window, CompositionTiming* timing) {
  DWM_TIMING_INFO native = {};
  native.cbSize = sizeof native;
  const HRESULT result = ::DwmGetCompositionTimingInfo(ToHwnd(window), &native);
  if (SUCCEEDED(result)) *timing = CompositionTimingFrom(native);
  return result;
}

Handle Win32Os::RegisterPowerSettingNotification(Handle recipient, const Guid& setting,
                                                 std::uint32_t flags) {
  const GUID native = ToNative(setting);
  return FromNative(
      ::RegisterPowerSettingNotification(ToNative<HANDLE>(recipient), &native, flags));
}

bool Win32Os::UnregisterPowerSettingNotification(Handle notification) {
  return ::UnregisterPowerSettingNotification(ToNative<HPOWERNOTIFY>(notification)) != FALSE;
}

bool Win32Os::WTSRegisterSessionNotification(Handle window, std::uint32_t flags) {
  return ::WTSRegisterSessionNotification(ToHwnd(window), flags) != FALSE;
}

bool Win32Os::WTSUnRegisterSessionNotification(Handle window) {
  return ::WTSUnRegisterSessionNotification(ToHwnd(window)) != FALSE;
}

bool Win32Os::WTSQuerySessionInformationW(Handle server, std::uint32_t sessionId, int infoClass,
                                          std::int32_t* value) {
  LPWSTR buffer = nullptr;
  DWORD bytes = 0;
  if (!::WTSQuerySessionInformationW(ToNative<HANDLE>(server), sessionId,
                                     static_cast<WTS_INFO_CLASS>(infoClass), &buffer, &bytes) ||
      buffer == nullptr) {
    return false;
  }
  OsVersion version;
  // Windows 7 and Server 2008 R2 report the lock flags the other way round.
  const bool reversed = GetVersionExW(&version) && version.major == 6 && version.minor == 1;
  const std::optional<std::int32_t> answer = infoClass == kWtsSessionInfoEx
                                                 ? SessionLockFrom(buffer, bytes, reversed)
                                                 : ConnectStateFrom(buffer, bytes);
  ::WTSFreeMemory(buffer);
  if (answer) *value = *answer;
  return answer.has_value();
}

namespace {

// A desktop's name (UOI_NAME); empty when it cannot be read.
std::wstring DesktopName(HDESK desktop) {
  wchar_t name[256] = {};
  DWORD needed = 0;
  if (desktop == nullptr ||
      !GetUserObjectInformationW(desktop, UOI_NAME, name, sizeof name - sizeof name[0], &needed)) {
    return {};
  }
  return name;
}

}  // namespace

bool Win32Os::ThreadDesktopHasInput() {
  // The secure desktop of a locked session refuses to be opened by the user's programs.
  HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
  if (input == nullptr) return false;
  const std::wstring inputName = DesktopName(input);
  CloseDesktop(input);
  // The thread's own desktop handle belongs to the system; it is not closed.
  const std::wstring ownName = DesktopName(GetThreadDesktop(GetCurrentThreadId()));
  if (inputName.empty() || ownName.empty()) return true;
  return CompareStringOrdinal(inputName.c_str(), -1, ownName.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool Win32Os::RegisterRawInputDevices(const RawInputDevice* devices, std::uint32_t count) {
  std::vector<RAWINPUTDEVICE> native(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    native[i] = {devices[i].usagePage, devices[i].usage, devices[i].flags,
                 ToHwnd(devices[i].target)};
  }
  return ::RegisterRawInputDevices(native.data(), count, sizeof(RAWINPUTDEVICE)) != FALSE;
}

namespace {

// A call looked up in a library, which is loaded at the first call and kept (LoadLibraryExW with
// `flags`): user32's of Windows 10 1607 on, which older systems lack; the file chooser's and the
// shell's, which the saver never needs and which bring in more (the common controls among it)
// that would otherwise take memory in every saver's process, both known DLLs of the system, only
// ever loaded from its own folder; and shcore's, which only Windows 8.1 on has, looked for in the
// system folder only. nullptr where the library or the call is missing.
template <typename Function>
Function LibraryCall(const wchar_t* library, const char* name, DWORD flags = 0) {
  HMODULE module = LoadLibraryExW(library, nullptr, flags);
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

std::uint32_t Win32Os::GetDpiForWindow(Handle window) {
  static const auto call = LibraryCall<UINT(WINAPI*)(HWND)>(L"user32.dll", "GetDpiForWindow");
  return call != nullptr ? call(ToHwnd(window)) : 0;
}

Handle Win32Os::MonitorFromWindow(Handle window) {
  return FromNative(::MonitorFromWindow(ToHwnd(window), MONITOR_DEFAULTTONEAREST));
}

std::uint32_t Win32Os::GetDpiForMonitor(Handle monitor) {
  static const auto call = LibraryCall<HRESULT(WINAPI*)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*)>(
      L"shcore.dll", "GetDpiForMonitor", LOAD_LIBRARY_SEARCH_SYSTEM32);
  UINT dpiX = 0;
  UINT dpiY = 0;
  if (call == nullptr ||
      FAILED(call(ToNative<HMONITOR>(monitor), MDT_EFFECTIVE_DPI, &dpiX, &dpiY))) {
    return 0;
  }
  return dpiX;
}

bool Win32Os::SetThreadDpiAwarenessContext(Handle context) {
  static const auto call =
      LibraryCall<HANDLE(WINAPI*)(HANDLE)>(L"user32.dll", "SetThreadDpiAwarenessContext");
  return call != nullptr && call(ToNative<HANDLE>(context)) != nullptr;
}

Handle Win32Os::GetWindowDpiAwarenessContext(Handle window) {
  static const auto call =
      LibraryCall<HANDLE(WINAPI*)(HWND)>(L"user32.dll", "GetWindowDpiAwarenessContext");
  return call != nullptr ? FromNative(call(ToHwnd(window))) : kNull;
}

bool Win32Os::GetRawInputData(Handle rawInput, RawInput* data) {
  RAWINPUT native = {};
  UINT size = sizeof native;
  if (::GetRawInputData(ToNative<HRAWINPUT>(rawInput), RID_INPUT, &native, &size,
                        sizeof(RAWINPUTHEADER)) == static_cast<UINT>(-1)) {
    return false;
  }
  *data = RawInputFrom(native);
  return true;
}

std::uint32_t Win32Os::GetPrivateProfileStringW(const char* section, const char* key,
                                                const char* defaultValue, std::string* buffer,
                                                std::uint32_t size, const char* fileName) {
  std::vector<wchar_t> wide(static_cast<std::size_t>(size) + 1, L'\0');
  const WideArgument wideSection(section);
  const WideArgument wideKey(key);
  const WideArgument wideDefault(defaultValue);
  const WideArgument wideFile(fileName);
  const DWORD n = ::GetPrivateProfileStringW(wideSection.get(), wideKey.get(), wideDefault.get(),
                                             wide.data(), size, wideFile.get());
  if (buffer != nullptr) *buffer = FromWide(wide.data());
  return n;
}

bool Win32Os::WritePrivateProfileStringW(const char* section, const char* key, const char* value,
                                         const char* fileName) {
  const WideArgument wideSection(section);
  const WideArgument wideKey(key);
  const WideArgument wideValue(value);
  const WideArgument wideFile(fileName);
  return ::WritePrivateProfileStringW(wideSection.get(), wideKey.get(), wideValue.get(),
                                      wideFile.get()) != FALSE;
}

bool Win32Os::CanOpenForReading(const std::string& ansiPath) {
  HANDLE file = CreateFileA(ansiPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_SUCCESS);
    return false;
  }
  ::CloseHandle(file);
  return true;
}

std::int32_t Win32Os::mciSendStringA(const char* command, char* returnString,
                                     std::uint32_t returnLength, Handle callback) {
  return static_cast<std::int32_t>(
      ::mciSendStringA(command, returnString, returnLength, ToHwnd(callback)));
}

bool Win32Os::mciGetErrorStringA(std::int32_t error, char* buffer, std::uint32_t length) {
  return ::mciGetErrorStringA(static_cast<MCIERROR>(error), buffer, length) != FALSE;
}

bool Win32Os::PlaySoundA(const char* sound, Handle module, std::uint32_t flags) {
  return ::PlaySoundA(sound, ToNative<HMODULE>(module), flags) != FALSE;
}

std::uint32_t Win32Os::waveOutGetNumDevs() { return ::waveOutGetNumDevs(); }

bool Win32Os::GetOpenFileNameW(OpenFileName* record) {
  std::vector<wchar_t> file = WideBuffer(record->file, record->maxFile);
  std::vector<wchar_t> title = WideBuffer(record->fileTitle, record->maxFileTitle);
  std::vector<wchar_t> custom = WideBuffer(record->customFilter, record->maxCustomFilter);
  // The filter keeps its NUL separators: widened as a whole, with one more NUL behind it.
  std::wstring filter = Widen(record->filter, CP_UTF8);
  filter.push_back(L'\0');
  const std::wstring dialogTitle = Widen(record->title, CP_UTF8);
  const WideArgument initialDir(record->initialDir);

  OPENFILENAMEW native = {};
  native.lStructSize = record->structSize;
  native.hwndOwner = ToHwnd(record->owner);
  native.hInstance = ToNative<HINSTANCE>(record->instance);
  native.lpstrFilter = record->filter.empty() ? nullptr : filter.c_str();
  native.lpstrCustomFilter = record->customFilter.empty() ? nullptr : custom.data();
  native.nMaxCustFilter = record->maxCustomFilter;
  native.nFilterIndex = record->filterIndex;
  native.lpstrFile = file.data();
  native.nMaxFile = record->maxFile;
  native.lpstrFileTitle = title.data();
  native.nMaxFileTitle = record->maxFileTitle;
  native.lpstrInitialDir = initialDir.get();
  native.lpstrTitle = dialogTitle.c_str();
  native.Flags = record->flags;

  static const auto call =
      LibraryCall<decltype(&::GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
  const BOOL ok = call != nullptr ? call(&native) : FALSE;
  record->file = FromWide(file.data());
  record->fileTitle = FromWide(title.data());
  return ok != FALSE;
}

Handle Win32Os::ShellExecuteA(Handle owner, const char* verb, const char* file,
                              const char* parameters, const char* directory, int showCommand) {
  static const auto call = LibraryCall<decltype(&::ShellExecuteA)>(L"shell32.dll", "ShellExecuteA");
  if (call == nullptr) return kNull;
  return FromNative(call(ToHwnd(owner), verb, file, parameters, directory, showCommand));
}

}  // namespace quarlo::os
