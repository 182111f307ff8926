// Win32Os: multimedia, the file chooser and the shell.
#include "os/win32/win32_os.h"

#include <windows.h>
#include <commdlg.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "os/win32/calls.h"
#include "os/win32/handles.h"

namespace quarlo::os {

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
  std::wstring filter = Utf16(record->filter);
  filter.push_back(L'\0');
  const std::wstring dialogTitle = Utf16(record->title);
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
