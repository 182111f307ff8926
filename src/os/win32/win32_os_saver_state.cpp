// Win32Os: what "why won't the saver start?" reads and mends: the user's and the policy's
// screen-saver values in the registry, the system folders as a 32-bit process sees them, what
// this process may write, the drives, and the power plan.
#include "os/win32/win32_os.h"

#include <windows.h>
#include <powrprof.h>
#include <shlobj.h>

#include <vector>

#include "os/win32/calls.h"
#include "os/win32/handles.h"

namespace quarlo::os {
namespace {

// Whether the token of this process is granted `access` by the object's security descriptor.
bool Granted(const std::wstring& path, DWORD access) {
  const SECURITY_INFORMATION wanted =
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD needed = 0;
  ::GetFileSecurityW(path.c_str(), wanted, nullptr, 0, &needed);
  std::vector<BYTE> descriptor(needed);
  OwnedHandle process;
  OwnedHandle token;
  // AccessCheck asks for an impersonation token; a copy of the process's own serves.
  if (needed == 0 ||
      !::GetFileSecurityW(path.c_str(), wanted, descriptor.data(), needed, &needed) ||
      !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, process.out()) ||
      !::DuplicateToken(process.get(), SecurityImpersonation, token.out())) {
    return false;
  }
  GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                             FILE_ALL_ACCESS};
  ::MapGenericMask(&access, &mapping);
  PRIVILEGE_SET privileges = {};
  DWORD privilegesLength = sizeof privileges;
  DWORD granted = 0;
  BOOL status = FALSE;
  return ::AccessCheck(descriptor.data(), token.get(), access, &mapping, &privileges,
                       &privilegesLength, &granted, &status) != FALSE &&
         status != FALSE;
}

// powrprof's calls, looked up when first called. Like wtsapi32, which the program imports, the
// library is looked for beside the program first: the tests put a stand-in there for Wine, whose
// scheme reads are stubs.
template <typename Function>
Function PowerCall(const char* name) {
  return LibraryCall<Function>(L"powrprof.dll", name);
}

using PowerReadValueIndex = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, LPDWORD);

std::uint32_t ReadValueIndex(PowerReadValueIndex call, Handle rootPowerKey, const Guid* scheme,
                             const Guid* subgroup, const Guid* setting, std::uint32_t* value) {
  if (call == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
  const GUID nativeScheme = ToNative(*scheme);
  const GUID nativeSubgroup = ToNative(*subgroup);
  const GUID nativeSetting = ToNative(*setting);
  DWORD answer = 0;
  const DWORD result =
      call(ToNative<HKEY>(rootPowerKey), &nativeScheme, &nativeSubgroup, &nativeSetting, &answer);
  if (result == ERROR_SUCCESS) *value = answer;
  return result;
}

}  // namespace

std::int32_t Win32Os::RegGetValueW(Handle key, const char* subKey, const char* value,
                                   std::uint32_t flags, std::string* data) {
  const WideArgument wideSubKey(subKey);
  const WideArgument wideValue(value);
  DWORD bytes = 0;
  LSTATUS result = ::RegGetValueW(ToNative<HKEY>(key), wideSubKey.get(), wideValue.get(), flags,
                                  nullptr, nullptr, &bytes);
  if (result != ERROR_SUCCESS) return result;
  // One character more than asked for, so that the text always ends in a NUL.
  std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>((text.size() - 1) * sizeof(wchar_t));
  result = ::RegGetValueW(ToNative<HKEY>(key), wideSubKey.get(), wideValue.get(), flags, nullptr,
                          text.data(), &bytes);
  if (result == ERROR_SUCCESS && data != nullptr) *data = FromWide(text.data());
  return result;
}

std::int32_t Win32Os::RegSetKeyValueW(Handle key, const char* subKey, const char* valueName,
                                      std::uint32_t type, const char* data) {
  const WideArgument wideSubKey(subKey);
  const WideArgument wideName(valueName);
  const std::wstring text = Wide(data);
  return ::RegSetKeyValueW(ToNative<HKEY>(key), wideSubKey.get(), wideName.get(), type,
                           text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::uint32_t Win32Os::GetLongPathNameW(const char* shortPath, std::string* longPath,
                                        std::uint32_t size) {
  const WideArgument wideShort(shortPath);
  return FillBuffer(longPath, size, [&](wchar_t* buffer, std::uint32_t length) {
    return ::GetLongPathNameW(wideShort.get(), buffer, length);
  });
}

std::uint32_t Win32Os::GetSystemDirectoryW(std::string* buffer, std::uint32_t size) {
  return FillBuffer(buffer, size, ::GetSystemDirectoryW);
}

std::uint32_t Win32Os::GetSystemWow64DirectoryW(std::string* buffer, std::uint32_t size) {
  return FillBuffer(buffer, size, ::GetSystemWow64DirectoryW);
}

std::uint32_t Win32Os::GetWindowsDirectoryW(std::string* buffer, std::uint32_t size) {
  return FillBuffer(buffer, size, ::GetWindowsDirectoryW);
}

bool Win32Os::IsWow64Process(Handle process, bool* wow64) {
  BOOL answer = FALSE;
  if (!::IsWow64Process(ToNative<HANDLE>(process), &answer)) return false;
  *wow64 = answer != FALSE;
  return true;
}

std::int32_t Win32Os::SHGetFolderPathW(Handle owner, int folder, Handle token, std::uint32_t flags,
                                       std::string* path) {
  static const auto call =
      LibraryCall<decltype(&::SHGetFolderPathW)>(L"shell32.dll", "SHGetFolderPathW");
  if (call == nullptr) return static_cast<std::int32_t>(E_NOTIMPL);
  wchar_t buffer[MAX_PATH + 1] = {};
  const HRESULT result = call(ToHwnd(owner), folder, ToNative<HANDLE>(token), flags, buffer);
  if (result == S_OK && path != nullptr) *path = FromWide(buffer);
  return result;
}

std::uint32_t Win32Os::GetFileAttributesW(const char* fileName) {
  const WideArgument wideName(fileName);
  return ::GetFileAttributesW(wideName.get());
}

bool Win32Os::GetProcessTokenInformation(int infoClass, std::uint32_t* value) {
  OwnedHandle token;
  DWORD answer = 0;
  DWORD length = 0;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.out()) ||
      !::GetTokenInformation(token.get(), static_cast<TOKEN_INFORMATION_CLASS>(infoClass), &answer,
                             sizeof answer, &length)) {
    return false;
  }
  *value = answer;
  return true;
}

bool Win32Os::MayWriteFile(const char* path) {
  std::wstring target = Wide(path);
  DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    // The attribute is no part of the security descriptor, yet it refuses every write.
    return (attributes & FILE_ATTRIBUTE_READONLY) == 0 && Granted(target, FILE_GENERIC_WRITE);
  }
  // The file is made in its folder; a folder missing on the way is made in the one above it.
  DWORD access = FILE_ADD_FILE;
  for (;;) {
    const std::size_t slash = target.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash < 2) return false;
    target.resize(slash == 2 && target[1] == L':' ? 3 : slash);  // a drive's root keeps its "\"
    attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && Granted(target, access);
    }
    if (target.size() <= 3) return false;
    access = FILE_ADD_SUBDIRECTORY;
  }
}

std::uint32_t Win32Os::GetLogicalDriveStringsW(std::uint32_t size, std::string* buffer) {
  std::vector<wchar_t> wide(static_cast<std::size_t>(size) + 1, L'\0');
  const DWORD n = ::GetLogicalDriveStringsW(size, wide.data());
  if (buffer != nullptr && n != 0 && n < size) {
    buffer->clear();
    for (const wchar_t* root = wide.data(); *root != L'\0'; root += wcslen(root) + 1) {
      *buffer += FromWide(root) + '\0';
    }
  }
  return n;
}

std::uint32_t Win32Os::GetDriveTypeW(const char* rootPathName) {
  const WideArgument wideRoot(rootPathName);
  return ::GetDriveTypeW(wideRoot.get());
}

std::uint32_t Win32Os::PowerGetActiveScheme(Handle userRootPowerKey, Guid* activePolicy) {
  static const auto call = PowerCall<decltype(&::PowerGetActiveScheme)>("PowerGetActiveScheme");
  if (call == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
  GUID* scheme = nullptr;
  const DWORD result = call(ToNative<HKEY>(userRootPowerKey), &scheme);
  if (result == ERROR_SUCCESS && scheme != nullptr) *activePolicy = FromNative(*scheme);
  // The system allocated the GUID for the caller ("PowerGetActiveScheme function").
  if (scheme != nullptr) ::LocalFree(scheme);
  return result;
}

std::uint32_t Win32Os::PowerReadACValueIndex(Handle rootPowerKey, const Guid* scheme,
                                             const Guid* subgroup, const Guid* setting,
                                             std::uint32_t* value) {
  static const auto call = PowerCall<PowerReadValueIndex>("PowerReadACValueIndex");
  return ReadValueIndex(call, rootPowerKey, scheme, subgroup, setting, value);
}

std::uint32_t Win32Os::PowerReadDCValueIndex(Handle rootPowerKey, const Guid* scheme,
                                             const Guid* subgroup, const Guid* setting,
                                             std::uint32_t* value) {
  static const auto call = PowerCall<PowerReadValueIndex>("PowerReadDCValueIndex");
  return ReadValueIndex(call, rootPowerKey, scheme, subgroup, setting, value);
}

std::int32_t Win32Os::CallNtPowerInformation(int informationLevel, const void* input,
                                             std::uint32_t inputLength, void* output,
                                             std::uint32_t outputLength) {
  static const auto call = PowerCall<decltype(&::CallNtPowerInformation)>("CallNtPowerInformation");
  constexpr LONG kStatusNotImplemented = static_cast<LONG>(0xC0000002);
  if (call == nullptr) return kStatusNotImplemented;
  return call(static_cast<POWER_INFORMATION_LEVEL>(informationLevel), const_cast<void*>(input),
              inputLength, output, outputLength);
}

bool Win32Os::GetSystemPowerStatus(std::uint8_t* acLineStatus) {
  SYSTEM_POWER_STATUS status = {};
  if (!::GetSystemPowerStatus(&status)) return false;
  *acLineStatus = status.ACLineStatus;
  return true;
}

}  // namespace quarlo::os
