#pragma once
// What the files of Win32Os share: wide arguments and buffers, a kernel handle that closes itself,
// and the calls looked up at run time (which the backend's accessibility, framework/win32, looks
// up too). Only the Win32 sides include it.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "os/win32/wide.h"

namespace quarlo::os {

inline std::wstring Wide(const char* utf8) { return utf8 ? Utf16(utf8) : std::wstring(); }
inline std::string FromWide(const wchar_t* wide) { return wide ? Utf8(wide) : std::string(); }

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
inline std::vector<wchar_t> WideBuffer(const std::string& utf8, std::uint32_t size) {
  std::vector<wchar_t> buffer(static_cast<std::size_t>(size) + 1, L'\0');
  const std::wstring wide = Utf16(utf8.substr(0, utf8.find('\0')));
  wide.copy(buffer.data(), std::min<std::size_t>(wide.size(), size));
  return buffer;
}

// A wide call that fills a buffer of `size` characters and answers as GetSystemDirectoryW does:
// `buffer` takes the text only when it fits.
template <typename Call>
std::uint32_t FillBuffer(std::string* buffer, std::uint32_t size, Call call) {
  std::vector<wchar_t> wide(static_cast<std::size_t>(size) + 1, L'\0');
  const std::uint32_t n = call(wide.data(), size);
  if (buffer != nullptr && n != 0 && n < size) *buffer = FromWide(wide.data());
  return n;
}

// A kernel handle that closes itself; false when the open failed, which CreateFileW answers with
// INVALID_HANDLE_VALUE and the calls that fill a HANDLE (out()) leave as NULL.
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() {
    if (*this) CloseHandle(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE* out() { return &handle_; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

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

}  // namespace quarlo::os
