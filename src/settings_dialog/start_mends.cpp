#include "settings_dialog/start_mends.h"

#include "settings_dialog/start_reading.h"

namespace quarlo {

bool UseQuarlo(os::Os& os) {
  const std::string module = os.ModuleFileName();
  // The short name, as Setup and the Settings page write it: the host puts the switch after the
  // name unquoted, so the name holds no blank. A volume that keeps no short names gives the long.
  std::string name;
  if (os.GetShortPathNameW(module.c_str(), &name, os::kMaxPath) == 0 || name.empty()) name = module;
  name = HostPath(name, ReadSystemFolders(os));
  // SPIF_UPDATEINIFILE stores ScreenSaveActive "1" beside it.
  return os.RegSetKeyValueW(os::kHkeyCurrentUser, kDesktopKey, kSaverValue, os::kRegSz,
                            name.c_str()) == os::kErrorSuccess &&
         os.SystemParametersInfoA(os::kSpiSetScreenSaveActive, 1, nullptr,
                                  os::kSpifUpdateIniFile | os::kSpifSendChange);
}

bool OpenPowerOptions(os::Os& os, os::Handle owner) {
  std::string system;
  if (os.GetSystemDirectoryW(&system, os::kMaxPath) == 0) return false;
  // The Power Options item by its canonical name, on the page of the active plan's settings
  // ("Canonical Names of Control Panel Items"): Windows Vista to 11 all open it, where Settings'
  // own page (ms-settings:powersleep) is Windows 10's on.
  const std::string control = os.ToAnsi(system + "\\control.exe");
  const os::Handle opened = os.ShellExecuteA(owner, "open", control.c_str(),
                                             "/name Microsoft.PowerOptions /page pagePlanSettings",
                                             nullptr, os::kSwShowNormal);
  // ShellExecute's result is above 32 when the program started.
  return opened > 32;
}

bool RunMend(os::Os& os, Mend mend, os::Handle owner) {
  switch (mend) {
    case Mend::kUseQuarlo:
      return UseQuarlo(os);
    case Mend::kOpenPowerOptions:
      return OpenPowerOptions(os, owner);
    case Mend::kNone:
      break;
  }
  return false;
}

}  // namespace quarlo
