#pragma once
// The full-screen saver window. While it loads it covers the primary screen and sets up the
// sprites, covers the other monitors (black, or with every monitor chosen a scene each), starts
// the music, shows itself topmost and runs the frame loop, which does not return while the saver
// runs. A key press or a click on the display or on another monitor ends the saver; moving the
// mouse does not. So do a close request from another program, the end of the session and another
// program taking the activation: every way out goes through EndSaver.

#include "framework/form.h"
#include "music/quarlo_bgm.h"
#include "os/os.h"
#include "rules/numeric.h"
#include "saver/monitors.h"
#include "saver/music_hooks.h"
#include "saver/scene.h"
#include "saver/sprite_engine.h"

namespace quarlo {

class Quarlo_S : public fw::Form {
 public:
  Quarlo_S(fw::Backend& backend, os::Os& os);

  // The load sequence; ends in AnimationLoop.
  void Form_Load() override;
  void Form_KeyDown(int keyCode, int shift) override;
  // A close request (another program's WM_CLOSE or SC_CLOSE) or the end of the session.
  void Form_QueryUnload(Bool16& Cancel, fw::UnloadMode mode) override;
  void Form_AppDeactivate() override;
  // A key (Form_KeyDown) or a mouse button pressed anywhere while the saver was refused the
  // foreground ends it as on its own window.
  void Form_BackgroundClick() override;
  // Every monitor stays covered: the primary screen by the saver at its new size and scale.
  void Form_DisplayChange() override;
  // No second saver starts on top of this one.
  void Form_ScreenSave(Bool16& Cancel) override;
  // While nobody watches (the display off, the session locked or disconnected) the music pauses
  // with the picture, so that the system may sleep; it goes on when somebody watches again.
  void Form_WatchChange(bool watched) override;
  void Display_Click();
  void Timer1_Timer();
  void Timer2_Timer();
  // Stops the music, gives back the cursor and the system's screen-saver state, stops the loop,
  // closes the window and ends the process.
  void EndSaver();
  // Composes and presents one frame after another on every monitor, paced by the backend, until
  // EndSaver.
  void AnimationLoop();

  fw::PictureBox Display{this, "Display"};
  fw::Timer Timer1{this, "Timer1"};  // keeps an MP3 playing, 1000 ms
  fw::Timer Timer2{this, "Timer2"};  // polls the CD, 200 ms

  Bool16 Running = kFalse;
  // The primary monitor's scene: the figure, the sprites and the pictures they are drawn from.
  saver::Scene& Scene() { return monitors_.Primary(); }
  saver::SpriteEngine& Engine() { return Scene().Engine(); }
  const saver::Monitors& Monitors() const { return monitors_; }

 private:
  // Every monitor covered (the primary screen by this window) and its scene set up.
  void CoverMonitors();
  void ShowTopmost();
  // `steps` steps on every monitor, the last shown.
  void ShowFrame(int steps);

  os::Os& os_;
  music::Quarlo_BGM bgm_;
  saver::SaverMusic music_{bgm_, Timer1, Timer2};
  saver::Monitors monitors_;
};

// Start-up's load of the saver: the load runs the saver until EndSaver ends the process. A window
// that cannot be created ends the saver at once, through EndSaver.
void LoadSaver(Quarlo_S& saver);

}  // namespace quarlo
