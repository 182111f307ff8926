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
  // Presented now, the step is seen on the next refresh.
  const double dueMs = refreshes ? refreshes->After(nowMs) - refreshes->periodMs / 2 : nowMs;
  originMs_ = dueMs - static_cast<double>(composed_) * kStepMs;
}

double FramePacer::PresentMs(const std::optional<Refreshes>& refreshes) const {
  if (!refreshes) return std::max(DueMs(), earliestMs_);
  // The first refresh at or after the step's time; a present just after the refresh before it
  // is seen on it. Never two presents between two refreshes.
  const double shownOn = refreshes->AtOrAfter(DueMs());
  return std::max(shownOn - refreshes->periodMs + AfterRefresh(*refreshes), earliestMs_);
}

int FramePacer::StepsToShow(double nowMs, const std::optional<Refreshes>& refreshes) {
  // This present is seen on the next refresh.
  const double shownMs = refreshes ? refreshes->After(nowMs) : nowMs;
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

void FramePacer::Presented(int steps, double nowMs, const std::optional<Refreshes>& refreshes) {
  composed_ += steps;
  // The next present comes after the refresh that shows this one: composing may have taken it
  // past the refresh the steps were due by.
  earliestMs_ = refreshes ? refreshes->After(nowMs) + AfterRefresh(*refreshes) : nowMs;
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
