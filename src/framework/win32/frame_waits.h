#pragma once
// The waits of a frame loop on the real system, held for as long as the loop runs: the
// compositor's refreshes (DwmFlush, looked up at run time so that the program imports nothing
// the oldest systems lack), a high-resolution waitable timer where the system has one, else a
// 1 ms timer resolution taken here and given back at the end, and the notifications that tell
// whether anybody watches (the console display's state, the session's lock and connection).

#include <windows.h>

#include "framework/frame_pacer.h"

namespace quarlo::fw {
class Win32Backend;
}

namespace quarlo::fw::win32 {

// GUID_CONSOLE_DISPLAY_STATE, the power setting of the console display (0 off, 1 on, 2 dimmed).
inline constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

class FrameWaits final : public FramePlatform {
 public:
  // `window` receives the display-state and session notifications; `refreshMs` is the period the
  // display reports, for telling a real refresh from a flush that returned at once.
  FrameWaits(Win32Backend& backend, HWND window, double refreshMs);
  ~FrameWaits() override;
  FrameWaits(const FrameWaits&) = delete;
  FrameWaits& operator=(const FrameWaits&) = delete;

  double NowMs() override;
  bool Watching() override;
  bool Composited() override;
  void WaitUntil(std::optional<double> deadlineMs, const std::function<bool()>& done) override;
  std::optional<double> WaitForRefresh() override;

 private:
  void UseTimer();
  void UseCompositor();
  void ListenToTheAudience();
  void StopListening();
  // Sleeps until `deadlineMs` or the next message, whichever comes first; never spins.
  void Sleep(std::optional<double> deadlineMs);

  Win32Backend& backend_;
  HWND window_;
  double refreshMs_;
  LARGE_INTEGER frequency_ = {};
  HANDLE timer_ = nullptr;    // high resolution; none: whole milliseconds at a 1 ms resolution
  bool periodTaken_ = false;  // timeBeginPeriod(1) is ours to give back
  HMODULE dwmapi_ = nullptr;
  HRESULT(WINAPI* dwmFlush_)() = nullptr;
  bool composited_ = false;
  double lastRefreshMs_ = -1e9;
  int quickRefreshes_ = 0;
  HMODULE wtsapi_ = nullptr;
  BOOL(WINAPI* unregisterSession_)(HWND) = nullptr;
  bool sessionRegistered_ = false;
  HANDLE displayNotification_ = nullptr;
  BOOL(WINAPI* unregisterPowerSetting_)(HANDLE) = nullptr;
};

}  // namespace quarlo::fw::win32
