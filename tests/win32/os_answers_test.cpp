// What Windows hands back, laid out by the SDK's own types exactly as Windows fills them, for the
// answers Wine cannot give itself: it fails the session query, its power-setting registration is
// a stub, it synthesises the compositor's timing, never changes a window's scale and hears no
// raw input in the background.

#include <gtest/gtest.h>

#include <windows.h>
#include <dwmapi.h>
#include <initguid.h>  // the power settings' GUIDs defined here, for the comparison
#include <wtsapi32.h>

#include <cstring>
#include <vector>

#include "os/win32/answers.h"
#include "os/win32/handles.h"

namespace quarlo::os {
namespace {

// A session query's buffer: WTSINFOEXW at `level` with the given lock flags.
std::vector<BYTE> SessionInfo(DWORD level, LONG flags, DWORD bytes = sizeof(WTSINFOEXW)) {
  WTSINFOEXW info = {};
  info.Level = level;
  info.Data.WTSInfoExLevel1.SessionId = 1;
  info.Data.WTSInfoExLevel1.SessionState = WTSActive;  // 0, the same number as a lock
  info.Data.WTSInfoExLevel1.SessionFlags = flags;
  std::vector<BYTE> buffer(sizeof info);
  std::memcpy(buffer.data(), &info, sizeof info);
  buffer.resize(bytes);
  return buffer;
}

TEST(OsAnswers, TheSessionsLockStateOnWindows10AndOnWindows7WhichReportsItTheOtherWayRound) {
  const struct {
    const char* what;
    std::vector<BYTE> buffer;
    bool windows7;
    std::optional<std::int32_t> lock;
  } cases[] = {
      {"Windows 10, unlocked", SessionInfo(1, 1), false, kWtsSessionStateUnlock},
      {"Windows 10, locked", SessionInfo(1, 0), false, kWtsSessionStateLock},
      {"Windows 7, unlocked", SessionInfo(1, 0), true, kWtsSessionStateUnlock},
      {"Windows 7, locked", SessionInfo(1, 1), true, kWtsSessionStateLock},
      {"unknown", SessionInfo(1, -1), false, kWtsSessionStateUnknown},
      {"another level", SessionInfo(2, 0), false, std::nullopt},
      {"cut short", SessionInfo(1, 0, 16), false, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SessionLockFrom(c.buffer.data(), static_cast<DWORD>(c.buffer.size()), c.windows7),
              c.lock)
        << c.what;
  }
  const WTS_CONNECTSTATE_CLASS disconnected = WTSDisconnected;
  EXPECT_EQ(ConnectStateFrom(&disconnected, sizeof disconnected), kWtsDisconnected);
}

TEST(OsAnswers, TheDisplayOnOffAndDimmedFromThePowerSettingNotification) {
  struct {
    POWERBROADCAST_SETTING setting;
    BYTE rest[3];
  } message = {};
  const auto change = [&](const GUID& guid, DWORD length, DWORD value) {
    message.setting.PowerSetting = guid;
    message.setting.DataLength = length;
    std::memcpy(message.setting.Data, &value, sizeof value);
    return PowerSettingFrom(PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&message));
  };
  for (const DWORD state : {0u, 1u, 2u}) {
    const auto seen = change(GUID_SESSION_DISPLAY_STATUS, sizeof(DWORD), state);
    ASSERT_TRUE(seen.has_value()) << state;
    EXPECT_EQ(seen->setting, kGuidSessionDisplayStatus);
    EXPECT_EQ(seen->value, state);
  }
  const auto power = change(GUID_MONITOR_POWER_ON, sizeof(DWORD), 0);
  ASSERT_TRUE(power.has_value());
  EXPECT_EQ(power->setting, kGuidMonitorPowerOn);
  EXPECT_FALSE(change(GUID_SESSION_DISPLAY_STATUS, 1, 0).has_value()) << "data too short";
  EXPECT_FALSE(PowerSettingFrom(PBT_APMRESUMEAUTOMATIC, 0).has_value());
}

TEST(OsAnswers, AKeyAndAButtonHeardInTheBackground) {
  RAWINPUT key = {};
  key.header.dwType = RIM_TYPEKEYBOARD;
  key.data.keyboard.Flags = RI_KEY_BREAK;
  key.data.keyboard.VKey = VK_SPACE;
  const RawInput heardKey = RawInputFrom(key);
  EXPECT_EQ(heardKey.type, kRimTypeKeyboard);
  EXPECT_EQ(heardKey.keyFlags, kRiKeyBreak);
  EXPECT_EQ(heardKey.virtualKey, VK_SPACE);

  RAWINPUT mouse = {};
  mouse.header.dwType = RIM_TYPEMOUSE;
  mouse.data.mouse.usButtonFlags = RI_MOUSE_RIGHT_BUTTON_DOWN;
  const RawInput heardButton = RawInputFrom(mouse);
  EXPECT_EQ(heardButton.type, kRimTypeMouse);
  EXPECT_EQ(heardButton.buttonFlags, RI_MOUSE_RIGHT_BUTTON_DOWN);
  EXPECT_NE(heardButton.buttonFlags & kRiMouseButtonsDown, 0);
}

TEST(OsAnswers, TheCompositorsTimingAndAChangeOfScale) {
  DWM_TIMING_INFO timing = {};
  timing.cbSize = sizeof timing;
  timing.qpcRefreshPeriod = 166667;
  timing.qpcVBlank = 123456789012;
  timing.qpcCompose = 1;
  const CompositionTiming read = CompositionTimingFrom(timing);
  EXPECT_EQ(read.refreshPeriod, 166667u);
  EXPECT_EQ(read.vBlank, 123456789012u);

  RECT suggested = {1920, -40, 3360, 1040};
  const DpiChange change =
      DpiChangeFrom(MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(change.dpi, 144u);
  EXPECT_EQ(change.suggested, (Rect{1920, -40, 3360, 1040}));
}

TEST(OsAnswers, TheHandleAndGuidNumbersAreTheSdks) {
  EXPECT_EQ(ToHwnd(kHwndTopmost), HWND_TOPMOST);
  EXPECT_EQ(ToNative<DPI_AWARENESS_CONTEXT>(kDpiAwarenessContextSystemAware),
            DPI_AWARENESS_CONTEXT_SYSTEM_AWARE);
  EXPECT_EQ(ToNative<HANDLE>(kWtsCurrentServer), WTS_CURRENT_SERVER_HANDLE);
  EXPECT_EQ(MAKEINTRESOURCEA(kIdcArrow), IDC_ARROW);
  EXPECT_EQ(MAKEINTRESOURCEA(kIdcWait), IDC_WAIT);
  EXPECT_TRUE(IsEqualGUID(ToNative(kGuidSessionDisplayStatus), GUID_SESSION_DISPLAY_STATUS));
  EXPECT_TRUE(IsEqualGUID(ToNative(kGuidMonitorPowerOn), GUID_MONITOR_POWER_ON));
}

}  // namespace
}  // namespace quarlo::os
