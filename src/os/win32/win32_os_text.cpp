// Win32Os: the language of Windows' user interface and the program's own texts.
#include <windows.h>

#include "os/win32/answers.h"
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

}  // namespace quarlo::os
