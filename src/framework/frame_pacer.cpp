#include "framework/frame_pacer.h"

#include <algorithm>
#include <cmath>

namespace quarlo::fw {

FramePacer::FramePacer(int refreshHz) : refreshMs_(1000.0 / (refreshHz > 1 ? refreshHz : 60)) {}

void FramePacer::Restart(double nowMs) {
  originMs_ = nowMs - static_cast<double>(std::max<std::int64_t>(composed_ - 1, 0)) * kStepMs;
}

int FramePacer::StepsToCompose(double shownMs) {
  // Steps 0..k are due by shownMs.
  const double due = std::floor((shownMs + kSlackMs - originMs_) / kStepMs) + 1;
  const double behind = due - static_cast<double>(composed_);
  if (behind > kMostStepsPerPresent) {
    // The next step is due then and the clock counts on from it.
    originMs_ = shownMs - static_cast<double>(composed_) * kStepMs;
    return 1;
  }
  return behind > 1 ? static_cast<int>(behind) : 1;
}

void FramePacer::Refreshed(double refreshMs) {
  if (lastRefreshMs_) {
    // The loop may have slept over a few refreshes; an interval far from the period (a stall,
    // a pause) teaches nothing.
    const double gap = refreshMs - *lastRefreshMs_;
    const double count = std::round(gap / refreshMs_);
    if (count >= 1 && count <= 8) {
      const double period = gap / count;
      if (std::abs(period - refreshMs_) < refreshMs_ / 10) refreshMs_ += (period - refreshMs_) / 8;
    }
  }
  lastRefreshMs_ = refreshMs;
}

void Audience::SessionChange(std::uint32_t code) {
  switch (code) {
    case kSessionLock:
      locked_ = true;
      break;
    case kSessionUnlock:
      locked_ = false;
      break;
    case kConsoleDisconnect:
    case kRemoteDisconnect:
      disconnected_ = true;
      break;
    case kConsoleConnect:
    case kRemoteConnect:
      disconnected_ = false;
      break;
    default:
      break;
  }
}

namespace {

void Compose(FramePacer& pacer, const FrameSteps& steps, int count) {
  for (int i = 0; i < count && steps.running(); ++i) {
    steps.composeStep();
    pacer.Composed(1);
  }
}

}  // namespace

void RunFrameLoop(FramePlatform& platform, FramePacer& pacer, const FrameSteps& steps) {
  if (!steps.running()) return;
  pacer.Restart(platform.NowMs());
  Compose(pacer, steps, 1);
  // Whether the clock has been set against the compositor's refreshes since it last started.
  bool aligned = false;
  double lastRefresh = 0;
  while (steps.running()) {
    const bool watching = platform.Watching();
    const auto lookAgain = [&] { return !steps.running() || platform.Watching() != watching; };
    if (!watching) {
      // No timer: only a message (the display on again, the session unlocked, a key, a music
      // timer) wakes the loop. The step composed before stays the next to be shown.
      platform.WaitUntil(std::nullopt, lookAgain);
      pacer.Restart(platform.NowMs());
      aligned = false;
      continue;
    }
    const bool composited = platform.Composited();
    platform.WaitUntil(pacer.WakeMs(composited), lookAgain);
    if (lookAgain()) continue;
    if (composited) {
      const std::optional<double> refresh = platform.WaitForRefresh();
      if (!refresh) continue;
      lastRefresh = *refresh;
      pacer.Refreshed(*refresh);
      if (!aligned) {
        // Steps fall due half a refresh before the refresh that shows them, as far from either
        // neighbour as can be, so that a late wake-up or an uneven refresh moves no step to
        // another refresh. The step composed goes now.
        pacer.Restart(*refresh + pacer.RefreshPeriodMs() / 2);
        aligned = true;
      }
      // Too early for this refresh: one more message pass, then the next refresh.
      if (!pacer.PresentOnRefresh(*refresh)) continue;
    }
    steps.present();
    // Seen at once without a compositor; with one, on the refresh after the next at the soonest.
    const double shown =
        composited ? lastRefresh + 2 * pacer.RefreshPeriodMs() : platform.NowMs();
    Compose(pacer, steps, pacer.StepsToCompose(shown));
  }
}

}  // namespace quarlo::fw
