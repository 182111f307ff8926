#include "os/win32/answers.h"

#include <cstring>

#include "os/win32/handles.h"

namespace quarlo::os {

std::optional<std::int32_t> SessionLockFrom(const void* buffer, DWORD bytes,
                                            bool reversedLockFlags) {
  WTSINFOEXW info;
  if (buffer == nullptr || bytes < sizeof info) return std::nullopt;
  std::memcpy(&info, buffer, sizeof info);
  if (info.Level != 1) return std::nullopt;
  const LONG flags = info.Data.WTSInfoExLevel1.SessionFlags;
  const LONG locked =
      reversedLockFlags ? QUARLO_WTS_SESSIONSTATE_UNLOCK : QUARLO_WTS_SESSIONSTATE_LOCK;
  const LONG unlocked =
      reversedLockFlags ? QUARLO_WTS_SESSIONSTATE_LOCK : QUARLO_WTS_SESSIONSTATE_UNLOCK;
  if (flags == locked) return kWtsSessionStateLock;
  if (flags == unlocked) return kWtsSessionStateUnlock;
  return kWtsSessionStateUnknown;
}

std::optional<std::int32_t> ConnectStateFrom(const void* buffer, DWORD bytes) {
  WTS_CONNECTSTATE_CLASS state;
  if (buffer == nullptr || bytes < sizeof state) return std::nullopt;
  std::memcpy(&state, buffer, sizeof state);
  return static_cast<std::int32_t>(state);
}

std::optional<PowerSettingChange> PowerSettingFrom(WPARAM wParam, LPARAM lParam) {
  if (wParam != PBT_POWERSETTINGCHANGE || lParam == 0) return std::nullopt;
  const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
  DWORD value = 0;
  if (setting->DataLength < sizeof value) return std::nullopt;
  std::memcpy(&value, setting->Data, sizeof value);
  return PowerSettingChange{FromNative(setting->PowerSetting), value};
}

RawInput RawInputFrom(const RAWINPUT& report) {
  RawInput input;
  input.type = report.header.dwType;
  if (report.header.dwType == RIM_TYPEKEYBOARD) {
    input.keyFlags = report.data.keyboard.Flags;
    input.virtualKey = report.data.keyboard.VKey;
  } else if (report.header.dwType == RIM_TYPEMOUSE) {
    input.buttonFlags = report.data.mouse.usButtonFlags;
  }
  return input;
}

CompositionTiming CompositionTimingFrom(const DWM_TIMING_INFO& timing) {
  return {timing.qpcRefreshPeriod, timing.qpcVBlank};
}

DpiChange DpiChangeFrom(WPARAM wParam, LPARAM lParam) {
  // The two halves of wParam hold the same value: the scale is one for both axes.
  DpiChange change{HIWORD(wParam), {}};
  if (lParam != 0) {
    const RECT& rect = *reinterpret_cast<const RECT*>(lParam);
    change.suggested = {rect.left, rect.top, rect.right, rect.bottom};
  }
  return change;
}

std::optional<std::wstring> StringTableEntry(const void* block, DWORD bytes, unsigned index) {
  static_assert(sizeof(WORD) == 2 && sizeof(WCHAR) == 2);
  if (block == nullptr || index >= 16) return std::nullopt;
  const auto* units = static_cast<const WCHAR*>(block);
  const std::size_t count = bytes / sizeof(WCHAR);
  std::size_t at = 0;
  for (unsigned skipped = 0; skipped < index; ++skipped) {
    if (at >= count) return std::nullopt;
    at += 1 + static_cast<WORD>(units[at]);
  }
  if (at >= count) return std::nullopt;
  const std::size_t length = static_cast<WORD>(units[at]);
  if (length == 0 || at + 1 + length > count) return std::nullopt;
  return std::wstring(units + at + 1, length);
}

}  // namespace quarlo::os
