// Win32Os: the language of Windows' user interface, the program's own texts, and the clipboard.
#include <windows.h>

#include <cstring>

#include "os/win32/answers.h"
#include "os/win32/handles.h"
#include "os/win32/wide.h"
#include "os/win32/win32_os.h"

namespace quarlo::os {

std::uint16_t Win32Os::GetUserDefaultUILanguage() { return ::GetUserDefaultUILanguage(); }

// The block of the one language asked for: LoadStringW would pick the thread's language, which
// Windows takes from its user interface and Wine from the locale.
std::optional<std::string> Win32Os::FindStringResourceExW(std::uint32_t id,
                                                          std::uint16_t language) {
  const HMODULE module = GetModuleHandleW(nullptr);
  const WORD block = static_cast<WORD>(id / 16 + 1);
  HRSRC found = ::FindResourceExW(module, reinterpret_cast<LPCWSTR>(RT_STRING),
                                  MAKEINTRESOURCEW(block), language);
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  const auto text = StringTableEntry(bytes, SizeofResource(module, found), id % 16);
  if (!text) return std::nullopt;
  return Utf8(*text);
}

bool Win32Os::OpenClipboard(Handle owner) { return ::OpenClipboard(ToHwnd(owner)) != FALSE; }

bool Win32Os::EmptyClipboard() { return ::EmptyClipboard() != FALSE; }

// "SetClipboardData": the block is GlobalAlloc'ed with GMEM_MOVEABLE; once the call succeeds the
// system owns it, and only a failed call leaves it to be freed here.
bool Win32Os::SetClipboardData(std::uint32_t format, const std::string& text) {
  if (format != CF_UNICODETEXT) return false;
  const std::wstring wide = Utf16(text);
  const SIZE_T bytes = (wide.size() + 1) * sizeof(wchar_t);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (block == nullptr) return false;
  void* memory = GlobalLock(block);
  if (memory == nullptr) {
    GlobalFree(block);
    return false;
  }
  std::memcpy(memory, wide.c_str(), bytes);
  GlobalUnlock(block);
  if (::SetClipboardData(CF_UNICODETEXT, block) == nullptr) {
    GlobalFree(block);
    return false;
  }
  return true;
}

bool Win32Os::CloseClipboard() { return ::CloseClipboard() != FALSE; }

}  // namespace quarlo::os
