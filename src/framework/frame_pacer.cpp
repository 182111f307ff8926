#include "framework/frame_pacer.h"

#include <algorithm>
#include <cmath>

namespace quarlo::fw {

namespace {
constexpr double kSlackMs = FramePacer::kSlackMs;
// A refresh this share of a period from a time counts as at it: the period is read in whole
// ticks of the performance counter.
constexpr double kSlackPeriods = 1e-3;
}  // namespace

double Refreshes::After(double ms) const {
  if (!(periodMs > 0)) return ms;
  return lastMs + (std::floor((ms - lastMs) / periodMs + kSlackPeriods) + 1) * periodMs;
}

double Refreshes::AtOrAfter(double ms) const {
  if (!(periodMs > 0)) return ms;
  return lastMs + std::ceil((ms - lastMs) / periodMs - kSlackPeriods) * periodMs;
}

double FramePacer::AfterRefresh(const Refreshes& refreshes) {
  return std::min(kAfterRefreshMs, refreshes.periodMs / 4);
}

void FramePacer::Restart(double nowMs, const std::optional<Refreshes>& refreshes) {
  earliestMs_ = nowMs;
  // Presented just after the next refresh, the step is seen on the one after.
  const double dueMs = refreshes ? refreshes->After(nowMs) + refreshes->periodMs / 2 : nowMs;
  originMs_ = dueMs - static_cast<double>(std::max<std::int64_t>(composed_ - 1, 0)) * kStepMs;
}

double FramePacer::PresentMs(const std::optional<Refreshes>& refreshes) const {
  if (!refreshes) return DueMs();
  // The first refresh at or after the step's time; a present just after the refresh before it
  // is seen on it. Never two presents between two refreshes.
  const double shownOn = refreshes->AtOrAfter(DueMs());
  return std::max(shownOn - refreshes->periodMs + AfterRefresh(*refreshes), earliestMs_);
}

int FramePacer::StepsToCompose(double nowMs, const std::optional<Refreshes>& refreshes) {
  // The next present comes after the next refresh at the soonest and is seen on the one after.
  earliestMs_ = refreshes ? refreshes->After(nowMs) + AfterRefresh(*refreshes) : nowMs;
  const double shownMs = refreshes ? refreshes->After(nowMs) + refreshes->periodMs : nowMs;
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

}  // namespace quarlo::fw
