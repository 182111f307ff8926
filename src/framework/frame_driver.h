#pragma once
// The frame driver: the one owner of time and events while an animation runs, over the system's
// own calls (os::Os). The first step is shown at once; then each frame is one wait, one message
// pass, and the frame itself: the wait
// sleeps until the frame's present is due (on a high-resolution waitable timer, or at a 1 ms timer
// resolution taken only while frames run) or until a message comes, whichever is first; the pass
// then handles every pending message (keys, clicks, the music's timers); then the steps due are
// composed and the last of them shown at once. Where a compositor runs, its refreshes are read,
// not waited for: a present goes just after the refresh before the one that is to show it. The
// pace itself is FramePacer's decision.
//
// The driver also follows whether anybody watches the animation's window: the session's display
// (on, dimmed or off) and the session's lock and connection, registered when the window is
// created and given up before it is destroyed; the session's state is read at the start, since
// the notifications report only changes. A locked session hides the window only once its desktop
// no longer has the input (see Audience), which the driver looks at while the lock lasts. While
// nobody watches, the loop composes and shows nothing, holds no timer resolution and sleeps until
// a message comes (or, while locked, until it is time to look at the desktop again).

#include <cstdint>
#include <functional>
#include <optional>

#include "framework/frame_pacer.h"
#include "os/os.h"

namespace quarlo::fw {

// What a frame loop drives: compose `steps` steps of the animation (one, or more to catch up)
// and show the last of them.
using Frame = std::function<void(int steps)>;

class FrameDriver {
 public:
  // `pass` handles every pending message of the thread once.
  FrameDriver(os::Os& os, std::function<void()> pass);
  ~FrameDriver();
  FrameDriver(const FrameDriver&) = delete;
  FrameDriver& operator=(const FrameDriver&) = delete;

  // Runs frames while `running()` holds: wait until the next step is due, pass the messages,
  // compose the steps due and show the last, and so on. `watchChanged` hears when the loop pauses
  // (false) and goes on (true).
  void Run(const Frame& frame, const std::function<bool()>& running,
           const std::function<void(bool watched)>& watchChanged);
  // One wait until `deadlineMs` (none: until a message comes) or the next message, whichever
  // comes first, then one message pass. A wait the system fails sleeps instead: never a spin.
  void WaitAndPass(std::optional<double> deadlineMs);
  double NowMs();

  // --- Who watches the window that shows the frames -------------------------------------------
  void Listen(os::Handle window);
  // Safe to call again, and when nothing is registered.
  void StopListening();
  // The notifications as the window receives them.
  void PowerSetting(const os::Guid& setting, std::uint32_t value);
  void SessionChange(std::uint32_t code);
  bool Watching() const { return audience_.Watching(); }

  // A wait that failed sleeps this long when it had no deadline.
  static constexpr std::uint32_t kFailedWaitMs = 50;
  // How long the compositor's refreshes, once read, are taken as they were.
  static constexpr double kRefreshesValidMs = 250;
  // While the session is reported locked, how often the loop looks whether the window's desktop
  // still has the input, running or paused.
  static constexpr double kInputDesktopCheckMs = 1000;

 private:
  // Reads the system's version and the performance counter's frequency, once.
  void KnowTheSystem();
  bool AtLeast(std::uint32_t major, std::uint32_t minor) const;
  void TakeResolution();
  void GiveBackResolution();
  // The compositor's refreshes now; nullopt without a compositor.
  std::optional<Refreshes> ReadRefreshes();
  std::optional<Refreshes> ReadCompositionTiming();
  // Whether the window's desktop has the input, looked at now.
  void LookAtInputDesktop();
  // While the session is locked: looks again once kInputDesktopCheckMs have passed, and returns
  // when to look next; nullopt while it is not locked.
  std::optional<double> FollowInputDesktop();

  os::Os& os_;
  std::function<void()> pass_;
  bool known_ = false;
  os::OsVersion version_;
  // The wake flags passed to every wait: all input the running system knows.
  std::uint32_t wakeMask_ = os::kQsAllInputVista;
  std::int64_t frequency_ = 1;
  // While frames run: the high-resolution timer, or none and the 1 ms resolution when taken.
  os::Handle timer_ = os::kNull;
  bool periodTaken_ = false;
  std::optional<Refreshes> refreshes_;
  std::optional<double> refreshesReadMs_;
  Audience audience_;
  double inputDesktopSeenMs_ = 0;
  os::Handle window_ = os::kNull;
  os::Guid displaySetting_;
  os::Handle displayNotification_ = os::kNull;
  bool sessionRegistered_ = false;
};

}  // namespace quarlo::fw
