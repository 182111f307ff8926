#include "framework/frame_pacer.h"

namespace quarlo::fw {

FramePacer::FramePacer(int refreshHz) : periodMs_(1000.0 / (refreshHz > 1 ? refreshHz : 60)) {}

double FramePacer::Deadline(double nowMs) {
  if (!started_ || nowMs - deadlineMs_ > periodMs_) {
    started_ = true;
    deadlineMs_ = nowMs;
  }
  return deadlineMs_;
}

}  // namespace quarlo::fw
