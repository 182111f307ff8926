#include "framework/frame_driver.h"

#include <algorithm>
#include <cmath>

namespace quarlo::fw {
namespace {

// A compositor whose period lies outside this range is taken for none.
constexpr double kShortestRefreshMs = 1000.0 / 1000;
constexpr double kLongestRefreshMs = 1000.0 / 10;
// A waitable timer counts in 100 ns units.
constexpr double kTimerUnitsPerMs = 10000.0;

}  // namespace

FrameDriver::FrameDriver(os::Os& os, std::function<void()> pass)
    : os_(os), pass_(std::move(pass)) {}

FrameDriver::~FrameDriver() { StopListening(); }

void FrameDriver::KnowTheSystem() {
  if (known_) return;
  known_ = true;
  if (!os_.GetVersionExW(&version_)) version_ = {};
  // Touch and pointer input wake a wait from Windows 8 on; Vista and 7 fail a wait that asks.
  if (AtLeast(6, 2)) wakeMask_ |= os::kQsTouch | os::kQsPointer;
  std::int64_t frequency = 0;
  if (os_.QueryPerformanceFrequency(&frequency) && frequency > 0) frequency_ = frequency;
}

bool FrameDriver::AtLeast(std::uint32_t major, std::uint32_t minor) const {
  return version_.major > major || (version_.major == major && version_.minor >= minor);
}

double FrameDriver::NowMs() {
  KnowTheSystem();
  std::int64_t count = 0;
  os_.QueryPerformanceCounter(&count);
  return static_cast<double>(count) * 1000.0 / static_cast<double>(frequency_);
}

void FrameDriver::WaitAndPass(std::optional<double> deadlineMs) {
  KnowTheSystem();
  std::uint32_t timeout = os::kInfinite;
  std::uint32_t handles = 0;
  double left = 0;
  if (deadlineMs) {
    left = *deadlineMs - NowMs();
    if (left <= 0) {
      pass_();
      return;
    }
    if (timer_ != os::kNull && os_.SetWaitableTimer(timer_, -static_cast<std::int64_t>(std::ceil(
                                                                left * kTimerUnitsPerMs)))) {
      handles = 1;
    } else {
      // Rounded up: a wait of 0 ms would come straight back and spin.
      timeout = static_cast<std::uint32_t>(std::ceil(left));
    }
  }
  const std::uint32_t woke = os_.MsgWaitForMultipleObjectsEx(
      handles, handles != 0 ? &timer_ : nullptr, timeout, wakeMask_, os::kMwmoInputAvailable);
  if (woke == os::kWaitFailed) {
    os_.Sleep(deadlineMs ? std::max<std::uint32_t>(static_cast<std::uint32_t>(std::ceil(left)), 1)
                         : kFailedWaitMs);
  }
  pass_();
}

void FrameDriver::TakeResolution() {
  if (timer_ == os::kNull && !periodTaken_)
    periodTaken_ = os_.timeBeginPeriod(1) == os::kTimerrNoError;
}

void FrameDriver::GiveBackResolution() {
  if (periodTaken_) os_.timeEndPeriod(1);
  periodTaken_ = false;
}

std::optional<Refreshes> FrameDriver::ReadRefreshes() {
  // The period and the phase of the refreshes change slowly: they are read afresh a few times a
  // second, not for every frame.
  const double nowMs = NowMs();
  if (refreshesReadMs_ && nowMs - *refreshesReadMs_ < kRefreshesValidMs) return refreshes_;
  refreshesReadMs_ = nowMs;
  refreshes_ = ReadCompositionTiming();
  return refreshes_;
}

std::optional<Refreshes> FrameDriver::ReadCompositionTiming() {
  os::CompositionTiming timing;
  // Without composition (Vista and 7 with it switched off) the call fails.
  if (os_.DwmGetCompositionTimingInfo(os::kNull, &timing) < 0) return std::nullopt;
  const double scale = 1000.0 / static_cast<double>(frequency_);
  const Refreshes refreshes{static_cast<double>(timing.vBlank) * scale,
                            static_cast<double>(timing.refreshPeriod) * scale};
  if (timing.vBlank == 0 || !(refreshes.periodMs >= kShortestRefreshMs) ||
      !(refreshes.periodMs <= kLongestRefreshMs)) {
    return std::nullopt;
  }
  return refreshes;
}

void FrameDriver::Run(const Frame& frame, const std::function<bool()>& running,
                      const std::function<void(bool watched)>& watchChanged) {
  if (!running()) return;
  KnowTheSystem();
  // Systems before Windows 10 1803 refuse the flag; their waits need the 1 ms resolution.
  timer_ = os_.CreateWaitableTimerExW(os::kCreateWaitableTimerHighResolution, os::kTimerAllAccess);
  FramePacer pacer;
  // From the start, and from the end of a pause: the next step goes as soon as can be.
  const auto restart = [&] {
    refreshesReadMs_.reset();
    pacer.Restart(NowMs(), ReadRefreshes());
  };
  restart();
  // The first step is shown at once, watched or not: a window that starts unseen (a session
  // locked already) holds its first picture until it is seen and the frames go on.
  frame(1);
  pacer.Presented(1, NowMs(), ReadRefreshes());
  bool paused = false;
  while (running()) {
    const std::optional<double> lookAgainMs = FollowInputDesktop();
    if (!Watching()) {
      if (!paused && watchChanged) watchChanged(false);
      paused = true;
      // Only a message (the display on again, the session unlocked, a key, a music timer) wakes
      // the loop, or the time to look at a locked session's desktop again.
      GiveBackResolution();
      WaitAndPass(lookAgainMs);
      continue;
    }
    if (paused) {
      paused = false;
      restart();
      if (watchChanged) watchChanged(true);
      continue;
    }
    TakeResolution();
    const std::optional<Refreshes> refreshes = ReadRefreshes();
    const double presentMs = pacer.PresentMs(refreshes);
    WaitAndPass(presentMs);
    // A message came first (or ended the loop, or the audience): look again.
    const double nowMs = NowMs();
    if (!running() || !Watching() || nowMs < presentMs) continue;
    const int steps = pacer.StepsToShow(nowMs, refreshes);
    frame(steps);
    pacer.Presented(steps, NowMs(), refreshes);
  }
  GiveBackResolution();
  if (timer_ != os::kNull) os_.CloseHandle(timer_);
  timer_ = os::kNull;
}

void FrameDriver::Listen(os::Handle window) {
  KnowTheSystem();
  StopListening();
  audience_ = Audience{};
  if (window == os::kNull) return;
  window_ = window;
  // The session's own display from Windows 8 on; the monitor's power before. The state now is
  // sent at once on registering, and again on each change.
  displaySetting_ = AtLeast(6, 2) ? os::kGuidSessionDisplayStatus : os::kGuidMonitorPowerOn;
  displayNotification_ =
      os_.RegisterPowerSettingNotification(window, displaySetting_, os::kDeviceNotifyWindowHandle);
  sessionRegistered_ = os_.WTSRegisterSessionNotification(window, os::kNotifyForThisSession);
  // The session notifications report changes only: a session locked or disconnected already
  // is read here.
  std::int32_t value = 0;
  if (os_.WTSQuerySessionInformationW(os::kWtsCurrentServer, os::kWtsCurrentSession,
                                      os::kWtsConnectState, &value) &&
      value == os::kWtsDisconnected) {
    audience_.SessionChange(Audience::kConsoleDisconnect);
  }
  if (os_.WTSQuerySessionInformationW(os::kWtsCurrentServer, os::kWtsCurrentSession,
                                      os::kWtsSessionInfoEx, &value) &&
      value == os::kWtsSessionStateLock) {
    SessionChange(Audience::kSessionLock);
  }
}

void FrameDriver::SessionChange(std::uint32_t code) {
  audience_.SessionChange(code);
  if (code == Audience::kSessionLock) LookAtInputDesktop();
}

void FrameDriver::LookAtInputDesktop() {
  audience_.InputDesktop(os_.ThreadDesktopHasInput());
  inputDesktopSeenMs_ = NowMs();
}

std::optional<double> FrameDriver::FollowInputDesktop() {
  if (!audience_.Locked()) return std::nullopt;
  if (NowMs() - inputDesktopSeenMs_ >= kInputDesktopCheckMs) LookAtInputDesktop();
  return inputDesktopSeenMs_ + kInputDesktopCheckMs;
}

void FrameDriver::StopListening() {
  if (displayNotification_ != os::kNull)
    os_.UnregisterPowerSettingNotification(displayNotification_);
  if (sessionRegistered_) os_.WTSUnRegisterSessionNotification(window_);
  displayNotification_ = os::kNull;
  sessionRegistered_ = false;
  window_ = os::kNull;
}

void FrameDriver::PowerSetting(const os::Guid& setting, std::uint32_t value) {
  if (displayNotification_ != os::kNull && setting == displaySetting_)
    audience_.DisplayState(value);
}

}  // namespace quarlo::fw
