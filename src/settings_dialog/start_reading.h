#pragma once
// Reads what the start checks need (start_checks.h) through the OS boundary, with the calls an
// ordinary user may make. It waits on the file system, on a network drive too (the chosen saver,
// the music file), so the dialog reads after its first paint, never before: StartFindings is the
// seam it calls then.

#include <vector>

#include "os/os.h"
#include "settings_dialog/start_checks.h"

namespace quarlo {

// The user's screen-saver values, and those an organisation's policy puts in their place.
inline constexpr const char* kDesktopKey = "Control Panel\\Desktop";
inline constexpr const char* kPolicyDesktopKey =
    "Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";
inline constexpr const char* kSaverValue = "SCRNSAVE.EXE";

SystemFolders ReadSystemFolders(os::Os& os);
SaverState ReadSaverState(os::Os& os);

// The findings as the system stands now.
inline std::vector<StartFinding> StartFindings(os::Os& os) {
  return CheckStart(ReadSaverState(os));
}

}  // namespace quarlo
