// Win32Os: what the frame driver asks of the system: the version, the clock, waits and
// timers, the compositor, power and session notifications, the input desktop, raw input and the
// display scale.
#include "os/win32/win32_os.h"

#include <windows.h>
#include <dwmapi.h>
#include <mmsystem.h>
#include <shellscalingapi.h>
#include <wtsapi32.h>

#include <iterator>
#include <optional>
#include <vector>

#include "os/win32/answers.h"
#include "os/win32/calls.h"
#include "os/win32/handles.h"

namespace quarlo::os {

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

}  // namespace quarlo::os
