// The start checks on the state as Windows holds it: Wine's registry and files, and the power plan
// of the stand-in powrprof.dll (tests/e2e/helpers), which Wine's DLL overrides let in at any load.

#include <windows.h>

#include <gtest/gtest.h>

#include "os/win32/wide.h"
#include "os/win32/win32_os.h"
#include "settings/settings.h"
#include "settings_dialog/start_mends.h"
#include "settings_dialog/start_reading.h"

namespace quarlo {
namespace {

using enum Finding;
using C = Check;

Finding FindingOf(os::Os& os, Check check) {
  for (const StartFinding& found : StartFindings(os)) {
    if (found.check == check) return found.what;
  }
  return Finding{-1};
}

TEST(StartChecksOnWine, EachCheckFindsTheStateAsWindowsHoldsItAndUseQuarloMendsIt) {
  os::Win32Os os;
  const std::string self = os.ModuleFileName();
  std::string shortSelf;  // as Setup and the Settings page write it
  os.GetShortPathNameW(self.c_str(), &shortSelf, MAX_PATH);
  const auto set = [&](const char* key, const char* value, const char* text) {
    os.RegSetKeyValueW(os::kHkeyCurrentUser, key, value, REG_SZ, text);
  };
  set("Software\\Wine\\DllOverrides", "powrprof", "native");
  SetDllDirectoryA((self.substr(0, self.rfind('\\')) + "\\tests\\e2e\\helpers").c_str());
  const struct {
    const char* saver;
    const char* policyActive;  // nullptr: no policy
    const char* displayOff;    // seconds; Wine waits 300
    const char* executionState;
    std::int16_t music;  // none of Wine's drives is a CD drive
    Check check;
    Finding expected;
  } rows[] = {
      {shortSelf.c_str(), nullptr, "0", "4", 0, C::kChosenSaver, kQuarloChosen},
      {"notepad.exe", nullptr, "0", "4", 0, C::kChosenSaver, kOtherSaverChosen},  // a bare name
      {self.c_str(), "0", "0", "4", 0, C::kPolicy, kPolicyOff},
      {self.c_str(), nullptr, "60", "4", 0, C::kPower, kDisplayOffFirst},
      {self.c_str(), nullptr, "0", "6", 0, C::kDisplayHeld, kDisplayHeld},
      {self.c_str(), nullptr, "0", "4", 0, C::kSettingsKept, kSettingsBeside},
      {self.c_str(), nullptr, "0", "4", kMusicCd, C::kMusic, kNoCdDrive},
  };
  for (const auto& row : rows) {
    set(kDesktopKey, kSaverValue, row.saver);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kPolicyDesktopKey, "ScreenSaveActive");
    if (row.policyActive != nullptr) set(kPolicyDesktopKey, "ScreenSaveActive", row.policyActive);
    SetEnvironmentVariableA("QUARLO_DISPLAY_OFF", row.displayOff);
    SetEnvironmentVariableA("QUARLO_EXECUTION_STATE", row.executionState);
    SaverSettings().MusicSource = row.music;
    EXPECT_EQ(FindingOf(os, row.check), row.expected) << "row " << &row - rows;
  }
  ResetSaverSettings();

  // Another saver, saving off: "Use Quarlo" makes this file the saver, and saving on.
  set(kDesktopKey, kSaverValue, "C:\\windows\\gone.scr");
  SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_UPDATEINIFILE);
  ASSERT_TRUE(UseQuarlo(os));
  EXPECT_EQ(FindingOf(os, C::kChosenSaver), kQuarloChosen);
  EXPECT_EQ(FindingOf(os, C::kSavingOn), kSavingOn);
}

// Copy: the list is on the clipboard as the system's Unicode text, in any script.
TEST(StartChecksOnWine, CopyLeavesTheTextOnTheClipboardAsUnicodeText) {
  os::Win32Os os;
  HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                               nullptr);
  const std::string text = "Quarlo が始まらないときは\r\nMusic: C:\\R&B\\Олег.mp3\r\n";
  ASSERT_TRUE(os.OpenClipboard(static_cast<os::Handle>(reinterpret_cast<INT_PTR>(owner))));
  EXPECT_TRUE(os.EmptyClipboard());
  EXPECT_TRUE(os.SetClipboardData(os::kCfUnicodeText, text));
  EXPECT_TRUE(os.CloseClipboard());
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  const auto* copied = static_cast<const wchar_t*>(data ? GlobalLock(data) : nullptr);
  EXPECT_EQ(copied ? os::Utf8(copied) : "", text);
  if (copied) GlobalUnlock(data);
  CloseClipboard();
  DestroyWindow(owner);
}

}  // namespace
}  // namespace quarlo
