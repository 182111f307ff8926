#pragma once
// The full-screen saver window. While it loads it covers the primary screen, sets up the sprites,
// starts the music, shows itself topmost and runs the frame loop, which does not return while the
// saver runs. A key press or a click on the display ends the saver; moving the mouse does not.

#include "framework/form.h"
#include "framework/numeric.h"
#include "music/quarlo_bgm.h"
#include "os/os.h"
#include "saver/music_hooks.h"
#include "saver/random.h"
#include "saver/sprite_engine.h"

namespace quarlo {

class Quarlo_S : public fw::Form {
 public:
  Quarlo_S(fw::Backend& backend, os::Os& os);

  // The load sequence; ends in AnimationLoop.
  void Form_Load() override;
  void Form_KeyDown(int keyCode, int shift) override;
  void Display_Click();
  void Timer1_Timer();
  void Timer2_Timer();
  // Stops the music, gives back the cursor and the system's screen-saver state, stops the loop,
  // closes the window and ends the process.
  void EndSaver();
  // Composes and presents one frame after another, paced by the backend, while Running is true.
  void AnimationLoop();

  fw::PictureBox Display{this, "Display"};
  fw::Timer Timer1{this, "Timer1"};  // keeps an MP3 playing, 1000 ms
  fw::Timer Timer2{this, "Timer2"};  // polls the CD, 200 ms

  fw::PicturePtr Pic_Mas;
  saver::SpritePictures Pic_Quarlo;
  saver::SpritePictures Pic_Mask;

  Bool16 Running = kFalse;
  saver::SpriteEngine& Engine() { return engine_; }

 private:
  void CoverScreen();
  void CoverClientArea();
  void SpriteSetUp();
  void ShowTopmost();
  void ComposeFrame();

  os::Os& os_;
  saver::TwisterRandom random_;
  saver::SpriteEngine engine_{random_};
  music::Quarlo_BGM bgm_;
  saver::SaverMusic music_{bgm_, Timer1, Timer2};
};

}  // namespace quarlo
