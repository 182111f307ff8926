// Win32Os: code pages, the process, and the window manager.
#include "os/win32/win32_os.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "os/command_line.h"
#include "os/win32/calls.h"
#include "os/win32/handles.h"

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

}  // namespace quarlo::os
