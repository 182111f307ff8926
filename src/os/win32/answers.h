#pragma once
// What Windows hands back, turned into the boundary's own values: a query's buffer, a
// notification's or a message's parameters. Each answer is read through the SDK's own type, or
// through the one declared here from Microsoft's documented definition where the mingw-w64
// headers lack it, so that no offset is written by hand. The Win32 side calls these; the Wine
// tests feed them bytes laid out as Windows lays them, for the answers Wine cannot give.

#include <windows.h>
#include <dwmapi.h>
#include <wtsapi32.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "os/os.h"
#include "os/win32/wtsinfoex.h"

namespace quarlo::os {

// DWM_TIMING_INFO is packed to single bytes (pshpack1.h in dwmapi.h of both SDKs).
static_assert(offsetof(DWM_TIMING_INFO, qpcRefreshPeriod) == 12);
static_assert(offsetof(DWM_TIMING_INFO, qpcVBlank) == 28);
static_assert(sizeof(DWM_TIMING_INFO) == 292);
// POWERBROADCAST_SETTING: the GUID, the data's length, then the data itself.
static_assert(offsetof(POWERBROADCAST_SETTING, DataLength) == 16);
static_assert(offsetof(POWERBROADCAST_SETTING, Data) == 20);

// WTSQuerySessionInformationW's answer for WTSSessionInfoEx: whether the session is locked
// (kWtsSessionStateLock, kWtsSessionStateUnlock or kWtsSessionStateUnknown, as the documented
// values mean them). Windows 7 and Server 2008 R2 (`reversedLockFlags`) report the two flags the
// other way round. nullopt when the buffer holds no level-1 answer.
std::optional<std::int32_t> SessionLockFrom(const void* buffer, DWORD bytes,
                                            bool reversedLockFlags);
// Its answer for WTSConnectState: the WTS_CONNECTSTATE_CLASS.
std::optional<std::int32_t> ConnectStateFrom(const void* buffer, DWORD bytes);

// WM_POWERBROADCAST: a power setting's new value (the first DWORD of its data), for
// PBT_POWERSETTINGCHANGE only.
struct PowerSettingChange {
  Guid setting;
  std::uint32_t value = 0;
};
std::optional<PowerSettingChange> PowerSettingFrom(WPARAM wParam, LPARAM lParam);

// One raw input report (GetRawInputData's RAWINPUT): a key or the mouse's buttons.
RawInput RawInputFrom(const RAWINPUT& report);

// DwmGetCompositionTimingInfo's answer.
CompositionTiming CompositionTimingFrom(const DWM_TIMING_INFO& timing);

// WM_DPICHANGED: the window's new dots per inch and the rectangle Windows suggests for it.
struct DpiChange {
  std::uint32_t dpi = 0;
  Rect suggested;
};
DpiChange DpiChangeFrom(WPARAM wParam, LPARAM lParam);

// One text of a string-table block as FindResourceExW(RT_STRING) finds it ("STRINGTABLE
// resource"): the block holds 16 texts in turn, each a 16-bit count of UTF-16 code units followed
// by that many units, without a NUL. The text at `index` (0 to 15); nullopt when it is empty or
// the block ends before it.
std::optional<std::wstring> StringTableEntry(const void* block, DWORD bytes, unsigned index);

}  // namespace quarlo::os
