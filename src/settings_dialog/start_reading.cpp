#include "settings_dialog/start_reading.h"

#include <vector>

#include "settings/settings.h"

namespace quarlo {
namespace {

// The longest path the wide calls take, in UTF-16 characters.
constexpr std::uint32_t kLongestPath = 32768;

std::optional<std::string> RegistryText(os::Os& os, const char* subKey, const char* value) {
  std::string text;
  if (os.RegGetValueW(os::kHkeyCurrentUser, subKey, value, os::kRrfRtRegSz, &text) !=
      os::kErrorSuccess) {
    return std::nullopt;
  }
  return text;
}

std::string Folder(os::Os& os, std::uint32_t (os::Os::*call)(std::string*, std::uint32_t)) {
  std::string path;
  return (os.*call)(&path, os::kMaxPath) != 0 ? path : std::string();
}

// The long name of a file as this process names it; empty when it is not there.
std::string LongName(os::Os& os, const std::string& path) {
  std::string name;
  if (path.empty() || os.GetLongPathNameW(path.c_str(), &name, kLongestPath) == 0) return {};
  return name;
}

// The file a SCRNSAVE.EXE value names, as the host finds it. The host starts the value as a
// command, so a name without a folder is looked for as a program is: in the system folder, then in
// the Windows folder.
std::string SaverFile(os::Os& os, const std::string& stored, const SystemFolders& folders) {
  const std::vector<std::string> places =
      stored.find('\\') != std::string::npos
          ? std::vector<std::string>{stored}
          : std::vector<std::string>{folders.system + "\\" + stored,
                                     folders.windows + "\\" + stored};
  for (const std::string& place : places) {
    const std::string name = LongName(os, PathFromHere(place, folders));
    if (!name.empty()) return HostPath(name, folders);
  }
  return {};
}

NamedSaver ReadNamedSaver(os::Os& os, const char* subKey, const SystemFolders& folders) {
  NamedSaver saver{RegistryText(os, subKey, kSaverValue).value_or(""), ""};
  if (!saver.stored.empty()) saver.file = SaverFile(os, saver.stored, folders);
  return saver;
}

std::optional<std::uint32_t> SpiNumber(os::Os& os, std::uint32_t action) {
  std::uint32_t value = 0;
  if (!os.SystemParametersInfoA(action, 0, &value, 0)) return std::nullopt;
  return value;
}

void ReadPowerPlan(os::Os& os, SaverState& s) {
  os::Guid scheme;
  if (os.PowerGetActiveScheme(os::kNull, &scheme) != os::kErrorSuccess) return;
  std::uint8_t acLine = 1;
  s.onBattery = os.GetSystemPowerStatus(&acLine) && acLine == os::kAcLineOffline;
  const auto readIndex =
      s.onBattery ? &os::Os::PowerReadDCValueIndex : &os::Os::PowerReadACValueIndex;
  const auto read = [&](const os::Guid& subgroup,
                        const os::Guid& setting) -> std::optional<std::uint32_t> {
    std::uint32_t seconds = 0;
    if ((os.*readIndex)(os::kNull, &scheme, &subgroup, &setting, &seconds) != os::kErrorSuccess) {
      return std::nullopt;
    }
    return seconds;
  };
  s.displayOffSeconds = read(os::kGuidVideoSubgroup, os::kGuidVideoPowerdownTimeout);
  s.sleepSeconds = read(os::kGuidSleepSubgroup, os::kGuidStandbyTimeout);
}

// File virtualisation ("UAC virtualization") gives a 32-bit program without a
// requestedExecutionLevel, writing where the user may not, a copy of the file of its own: the same
// path under %LOCALAPPDATA%\VirtualStore, without the drive. It does so for the Windows folder,
// the program files and the programs' common data.
bool Virtualised(os::Os& os, const SystemFolders& folders, const std::string& path) {
  std::uint32_t enabled = 0;
  if (!os.GetProcessTokenInformation(os::kTokenVirtualizationEnabled, &enabled) || enabled == 0) {
    return false;
  }
  if (InFolder(path, folders.windows)) return true;
  for (const int folder : {os::kCsidlProgramFiles, os::kCsidlCommonAppData}) {
    std::string root;
    if (os.SHGetFolderPathW(os::kNull, folder, os::kNull, 0, &root) == 0 && InFolder(path, root)) {
      return true;
    }
  }
  return false;
}

void ReadSettingsPlace(os::Os& os, const SystemFolders& folders, SaverState& s) {
  s.settingsFile = SettingsPath(os);
  s.mayWriteSettings = os.MayWriteFile(s.settingsFile.c_str());
  std::string localAppData;
  if (s.settingsFile.size() < 2 || s.settingsFile[1] != ':' ||
      !Virtualised(os, folders, s.settingsFile) ||
      os.SHGetFolderPathW(os::kNull, os::kCsidlLocalAppData, os::kNull, 0, &localAppData) != 0) {
    return;
  }
  s.virtualStoreFile = localAppData + "\\VirtualStore" + s.settingsFile.substr(2);
  s.virtualStoreCopy =
      os.GetFileAttributesW(s.virtualStoreFile.c_str()) != os::kInvalidFileAttributes;
  s.mayWriteVirtualStore = os.MayWriteFile(s.virtualStoreFile.c_str());
}

// Whether a CD drive is there, from the drives' list rather than the multimedia device, which
// may wait for a disc to spin up.
std::optional<bool> CdDrive(os::Os& os) {
  std::string roots;
  if (os.GetLogicalDriveStringsW(os::kMaxPath, &roots) == 0) return std::nullopt;
  for (std::size_t at = 0, end; (end = roots.find('\0', at)) != std::string::npos; at = end + 1) {
    if (os.GetDriveTypeW(roots.substr(at, end - at).c_str()) == os::kDriveCdrom) return true;
  }
  return false;
}

void ReadMusic(os::Os& os, SaverState& s) {
  const Settings& settings = SaverSettings();
  s.musicSource = settings.MusicSource;
  s.musicFile = settings.MusicFile;
  if (s.musicSource == kMusicFile) s.musicFileThere = FileExists(os, s.musicFile);
  if (s.musicSource == kMusicCd) s.cdDrive = CdDrive(os);
}

}  // namespace

SystemFolders ReadSystemFolders(os::Os& os) {
  SystemFolders folders;
  folders.system = Folder(os, &os::Os::GetSystemDirectoryW);
  folders.wow64 = Folder(os, &os::Os::GetSystemWow64DirectoryW);
  folders.windows = Folder(os, &os::Os::GetWindowsDirectoryW);
  bool wow64 = false;
  folders.wow64Process =
      os.IsWow64Process(os::kCurrentProcess, &wow64) && wow64 && !folders.wow64.empty();
  return folders;
}

SaverState ReadSaverState(os::Os& os) {
  const SystemFolders folders = ReadSystemFolders(os);
  SaverState s;
  const std::string module = os.ModuleFileName();
  const std::string name = LongName(os, module);
  s.thisFile = HostPath(name.empty() ? module : name, folders);
  s.chosen = ReadNamedSaver(os, kDesktopKey, folders);
  if (const auto active = SpiNumber(os, os::kSpiGetScreenSaveActive))
    s.screenSaveActive = *active != 0;
  s.timeoutSeconds = SpiNumber(os, os::kSpiGetScreenSaveTimeout);
  s.policyActive = RegistryText(os, kPolicyDesktopKey, "ScreenSaveActive");
  s.policySaver = ReadNamedSaver(os, kPolicyDesktopKey, folders);
  s.policyTimeout = RegistryText(os, kPolicyDesktopKey, "ScreenSaveTimeOut");
  ReadPowerPlan(os, s);
  std::uint32_t executionState = 0;
  if (os.CallNtPowerInformation(os::kSystemExecutionState, nullptr, 0, &executionState,
                                sizeof executionState) == 0) {
    s.executionState = executionState;
  }
  ReadSettingsPlace(os, folders, s);
  ReadMusic(os, s);
  return s;
}

}  // namespace quarlo
