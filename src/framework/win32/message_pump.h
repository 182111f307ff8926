#pragma once
// The one message pump of the program, beside the frame driver's wait: one pass handles every
// pending message of the thread (keys first through Tab and the forms' key preview), and the
// blocking loops (a modal form's, the program's last one) wait through the driver between
// passes, as the frame loop does. Private to the backend.

#include <windows.h>

#include <functional>

#include "framework/frame_driver.h"
#include "framework/win32/window_registry.h"

namespace quarlo::fw::win32 {

class MessagePump {
 public:
  MessagePump(WindowRegistry& windows, FrameDriver& frames) : windows_(windows), frames_(frames) {}

  // Handles every pending message once, then returns.
  void Pass();
  // Passes and waits until `done()` holds or the thread is told to quit.
  void PumpUntil(const std::function<bool()>& done);

 private:
  // Keyboard handling before a message is dispatched: the dialog keys and access keys of a form
  // (framework/keyboard.h) where the control with the focus does not want them, and a form with
  // KeyPreview sees every key first. True when the message has been consumed.
  bool PreTranslate(const MSG& message);

  WindowRegistry& windows_;
  FrameDriver& frames_;
  bool quit_ = false;
};

}  // namespace quarlo::fw::win32
