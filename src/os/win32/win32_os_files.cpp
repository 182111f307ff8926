// Win32Os: the error mode, files, and the settings file.
#include "os/win32/win32_os.h"

#include <windows.h>

#include <vector>

#include "os/win32/calls.h"
#include "os/win32/handles.h"

namespace quarlo::os {

std::uint32_t Win32Os::SetErrorMode(std::uint32_t mode) { return ::SetErrorMode(mode); }

std::uint32_t Win32Os::GetTempPathW(std::uint32_t size, std::string* buffer) {
  return FillBuffer(buffer, size, [](wchar_t* wide, std::uint32_t length) {
    return ::GetTempPathW(length, wide);
  });
}

std::uint32_t Win32Os::GetShortPathNameW(const char* longPath, std::string* shortPath,
                                         std::uint32_t size) {
  const WideArgument wideLong(longPath);
  return FillBuffer(shortPath, size, [&](wchar_t* wide, std::uint32_t length) {
    return ::GetShortPathNameW(wideLong.get(), wide, length);
  });
}

bool Win32Os::ReadFileHead(const std::string& path, std::uint32_t count, std::string* head,
                           std::int64_t* fileSize) {
  const OwnedHandle file(CreateFileW(Wide(path.c_str()).c_str(), GENERIC_READ,
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
  const OwnedHandle from(CreateFileW(Wide(source.c_str()).c_str(), GENERIC_READ,
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

}  // namespace quarlo::os
