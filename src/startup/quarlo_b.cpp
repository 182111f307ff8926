#include "startup/quarlo_b.h"

#include "rules/text.h"
#include "settings/settings.h"

namespace quarlo {
namespace {

// Every window is always looked for, by the wide titles they carry: in the ANSI code page a
// title such as "Quarloの設定" would not survive a Western system. The dialog has a title in each
// of its languages; a copy finds the other's whichever language either speaks.
bool OtherCopyIsShowing(os::Os& os) {
  const os::Handle saver = os.FindWindowW(nullptr, kSaverTitle);
  const os::Handle dialog = os.FindWindowW(nullptr, kDialogTitle);
  const os::Handle englishDialog = os.FindWindowW(nullptr, kDialogTitleEnglish);
  return saver != os::kNull || dialog != os::kNull || englishDialog != os::kNull;
}

}  // namespace

std::string SwitchCharacter(const std::string& commandText) {
  return Mid(UpperAscii(commandText), 2, 1);
}

std::int32_t PreviewHostHandle(const std::string& commandText) {
  return ToInt32(ReadLeadingNumber(Mid(commandText, 4))).value_or(0);
}

void EnableSystemKeys(os::Os& os, Bool16 flag) {
  const auto running = static_cast<std::int16_t>(~flag);
  os.SystemParametersInfoA(os::kSpiSetScreenSaverRunning,
                           static_cast<std::uint32_t>(static_cast<std::int32_t>(running)), nullptr,
                           0);
}

void Main(os::Os& os, Faces& faces) {
  if (OtherCopyIsShowing(os)) {
    os.ExitProcess(0);
    return;
  }
  // Before anything touches a file: a drive without its medium (a music path on a removable
  // disk) must fail quietly instead of putting the system's "No disk" box over the saver.
  os.SetErrorMode(os::kSemFailCriticalErrors | os::kSemNoOpenFileErrorBox);
  if (SwitchCharacter(os.CommandText()) == "P") {
    faces.StartPreview(os.CommandText());
    return;
  }
  LoadSettings(os);
  if (SwitchCharacter(os.CommandText()) == "C") {
    faces.ShowSettingsDialog();
    os.ExitProcess(0);
    return;
  }
  if (SwitchCharacter(os.CommandText()) != "S" && !os.CommandText().empty()) {
    os.ExitProcess(0);
    return;
  }
  if (SwitchCharacter(os.CommandText()) == "S") {
    os.ShowCursor(false);
    EnableSystemKeys(os, kFalse);
  }
  faces.LoadSaver();
}

}  // namespace quarlo
