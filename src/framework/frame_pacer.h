#pragma once
// The pace of a frame loop: at most one frame per refresh of the display. Each frame has a
// deadline one refresh period after the previous one; a loop that has fallen more than a whole
// period behind starts afresh from now instead of rushing to catch up.

namespace quarlo::fw {

class FramePacer {
 public:
  // `refreshHz` as the display reports it; 0 and 1 mean "unknown" and give 60 Hz.
  explicit FramePacer(int refreshHz);

  double PeriodMs() const { return periodMs_; }
  // The time (in ms, on the caller's clock) until which the next frame should wait.
  double Deadline(double nowMs);
  // The frame has waited for its deadline: the next deadline is one period later.
  void Advance() { deadlineMs_ += periodMs_; }

 private:
  double periodMs_;
  double deadlineMs_ = 0;
  bool started_ = false;
};

}  // namespace quarlo::fw
