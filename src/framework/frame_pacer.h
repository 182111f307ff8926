#pragma once
// The pace of an animation, decided without a clock of its own. The animation advances in fixed
// steps of 1/60 s whatever the display's refresh rate: each step is composed when its present is
// due and shown once, on the first refresh at or after its time. A display slower than 60 Hz shows
// only the latest of the steps due at each refresh; the steps between are composed (the animation
// keeps its pace) but never shown. The frame driver (frame_driver.h) asks it what to do next.

#include <cstdint>
#include <optional>

namespace quarlo::fw {

// The compositor's refreshes: when the latest one was and how far apart they are, in ms. A
// present is seen on the first refresh after it.
struct Refreshes {
  double lastMs = 0;
  double periodMs = 0;
  // The first refresh after `ms`, and the first at or after it (a refresh a hair's breadth
  // away counts as at `ms`).
  double After(double ms) const;
  double AtOrAfter(double ms) const;
};

class FramePacer {
 public:
  static constexpr double kStepMs = 1000.0 / 60.0;
  // A loop this far behind (a machine too slow, a long stall) starts its clock afresh instead of
  // composing a burst of steps to catch up.
  static constexpr int kMostStepsPerPresent = 4;
  // A present waits this long after the refresh before the one that shows it, so that a timer
  // that fires a little early still finds that refresh past.
  static constexpr double kAfterRefreshMs = 1.0;
  // A step due exactly at a refresh counts as due by it, whatever the rounding.
  static constexpr double kSlackMs = 1e-6;

  // The next step is to be shown as soon as can be, and the clock counts on from it: used when
  // the loop starts and when it wakes from a pause, so that nothing is made up for the time it
  // slept. With a compositor the step falls due half a refresh before the refresh that shows it,
  // as far from either neighbour as can be, so that a late wake-up or an uneven refresh moves no
  // step to another refresh.
  void Restart(double nowMs, const std::optional<Refreshes>& refreshes);
  // When to present the next step: at its time without a compositor; with one, just after the
  // refresh before the first refresh at or after its time.
  double PresentMs(const std::optional<Refreshes>& refreshes) const;
  // For a present at `nowMs`, how many steps to compose before it: every step due by the refresh
  // that shows it (at least the next one), the last of them shown.
  int StepsToShow(double nowMs, const std::optional<Refreshes>& refreshes);
  // The steps were composed and the last of them presented at `nowMs`.
  void Presented(int steps, double nowMs, const std::optional<Refreshes>& refreshes);
  // When the next step is due.
  double DueMs() const { return originMs_ + static_cast<double>(composed_) * kStepMs; }

 private:
  static double AfterRefresh(const Refreshes& refreshes);

  double originMs_ = 0;
  // The next present goes no earlier: just after the refresh that follows the last present.
  double earliestMs_ = 0;
  // Steps composed so far: the next step is this one.
  std::int64_t composed_ = 0;
};

// Whether anybody can see the screen: the session's display is on (dimmed counts as on), the
// session is not disconnected from its console or remote client, and it is not locked behind
// another desktop. A saver that asks for the logon screen on resume runs on a desktop of its own
// and stays on the screen while the session is already reported locked: a lock hides it only
// once its desktop no longer has the input.
class Audience {
 public:
  // The display's state as the power-setting notification gives it: 0 off, 1 on, 2 dimmed.
  void DisplayState(std::uint32_t state) { displayOff_ = state == 0; }
  // A session change notification (WM_WTSSESSION_CHANGE's code).
  void SessionChange(std::uint32_t code);
  // Whether the window's desktop has the input now.
  void InputDesktop(bool own) { inputElsewhere_ = !own; }
  bool Locked() const { return locked_; }
  bool Watching() const { return !displayOff_ && !disconnected_ && !(locked_ && inputElsewhere_); }

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
  bool inputElsewhere_ = false;
  bool disconnected_ = false;
};

}  // namespace quarlo::fw
