#pragma once
// The driver of a frame loop. The animation advances in fixed steps of 1/60 s on a clock of its
// own, whatever the display's refresh rate: a step is composed ahead of its time, shown on the
// first refresh at or after its time, and every step is shown once. A display slower than 60 Hz
// shows only the latest of the steps due at each refresh; the steps between are composed (the
// animation keeps its pace) but never shown. While nobody can see the screen the loop composes
// and shows nothing and waits for messages only; it then goes on from the same step.
//
// The logic is portable and runs on any clock: a FramePlatform tells the time and does the
// waiting (the Win32 backend with the performance counter, a high-resolution timer and the
// compositor; the tests with a simulated clock and display).

#include <cstdint>
#include <functional>
#include <optional>

namespace quarlo::fw {

// When steps are due and whether a refresh should carry a present.
class FramePacer {
 public:
  static constexpr double kStepMs = 1000.0 / 60.0;
  // A loop this far behind (a machine too slow, a long stall) starts its clock afresh instead of
  // composing a burst of steps to catch up.
  static constexpr int kMostStepsPerPresent = 4;
  // A step due exactly at a refresh counts as due by it, whatever the rounding.
  static constexpr double kSlackMs = 1e-6;

  // `refreshHz` as the display reports it; 0 and 1 mean "unknown" and give 60 Hz.
  explicit FramePacer(int refreshHz);

  double RefreshPeriodMs() const { return refreshMs_; }
  // The step composed last is due now; the clock counts on from here. Used when the loop starts
  // and when it wakes from a pause, so that nothing is made up for the time it slept.
  void Restart(double nowMs);
  // How many steps to compose after a present, when the next present can be seen at `shownMs`
  // at the earliest: the next step (composed ahead of its time), and every later one due by then.
  int StepsToCompose(double shownMs);
  void Composed(int steps) { composed_ += steps; }
  // Steps composed since the loop started.
  std::int64_t Steps() const { return composed_; }
  // When the step composed last is due.
  double DueMs() const { return originMs_ + static_cast<double>(composed_ - 1) * kStepMs; }
  // With a compositor: a present made just after the refresh at `refreshMs` is shown on the
  // next one, so the step goes now when it is due by then.
  bool PresentOnRefresh(double refreshMs) const {
    return DueMs() <= refreshMs + refreshMs_ + kSlackMs;
  }
  // A refresh seen at `refreshMs`: the period is learnt from the refreshes themselves, since a
  // display reports a whole number (59 for 59.94 Hz).
  void Refreshed(double refreshMs);
  // Until when the loop may sleep on a timer before it looks at the refreshes (a compositor) or
  // presents (none). With a compositor it wakes two refreshes before the step's time, so that a
  // timer that wakes up to a refresh late still finds the refresh the present must follow.
  double WakeMs(bool onRefreshes) const {
    return onRefreshes ? DueMs() - 2 * refreshMs_ : DueMs();
  }

 private:
  double refreshMs_;
  std::optional<double> lastRefreshMs_;
  double originMs_ = 0;
  std::int64_t composed_ = 0;
};

// Whether anybody can see the screen: the console display is on (dimmed counts as on) and the
// session is neither locked nor disconnected from its console or remote client.
class Audience {
 public:
  // The console display state as the power setting notification gives it: 0 off, 1 on,
  // 2 dimmed.
  void DisplayState(std::uint32_t state) { displayOff_ = state == 0; }
  // A session change notification (WM_WTSSESSION_CHANGE's code).
  void SessionChange(std::uint32_t code);
  bool Watching() const { return !displayOff_ && !locked_ && !disconnected_; }

  // The session change codes.
  static constexpr std::uint32_t kConsoleConnect = 1;
  static constexpr std::uint32_t kConsoleDisconnect = 2;
  static constexpr std::uint32_t kRemoteConnect = 3;
  static constexpr std::uint32_t kRemoteDisconnect = 4;
  static constexpr std::uint32_t kSessionLock = 7;
  static constexpr std::uint32_t kSessionUnlock = 8;

 private:
  bool displayOff_ = false;
  bool locked_ = false;
  bool disconnected_ = false;
};

// What the loop drives: one step of the animation (composed in the back buffer), showing the
// buffer, and whether the loop goes on.
struct FrameSteps {
  std::function<void()> composeStep;
  std::function<void()> present;
  std::function<bool()> running;
};

// The clock and the waits of a frame loop. The waits handle the thread's messages (keys, clicks,
// timers) as they come.
class FramePlatform {
 public:
  virtual ~FramePlatform() = default;
  virtual double NowMs() = 0;
  virtual bool Watching() = 0;
  // Whether a compositor paces the presents (WaitForRefresh then waits for it).
  virtual bool Composited() = 0;
  // Handles the pending messages once, then any that come, until `deadlineMs` has passed or
  // `done()` holds (asked after each pass). With no deadline it waits for messages only.
  virtual void WaitUntil(std::optional<double> deadlineMs, const std::function<bool()>& done) = 0;
  // Waits for the compositor's next refresh and returns its time; nullopt when there is none
  // to wait for (any more): the present then goes to the screen at once.
  virtual std::optional<double> WaitForRefresh() = 0;
};

// Runs the loop until `steps.running()` is false: compose the next step, wait until it is due,
// present it, and so on.
void RunFrameLoop(FramePlatform& platform, FramePacer& pacer, const FrameSteps& steps);

}  // namespace quarlo::fw
