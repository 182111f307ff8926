#include "saver/quarlo_s.h"

#include "startup/quarlo_b.h"
#include "settings/settings.h"

namespace quarlo {
namespace {

constexpr fw::Colour kBlack = fw::Rgb(0, 0, 0);
constexpr fw::Colour kGrey = fw::Rgb(128, 128, 128);

bool InSaverMode(os::Os& os) { return SwitchCharacter(os.CommandText()) == "S"; }

}  // namespace

Quarlo_S::Quarlo_S(fw::Backend& backend, os::Os& os)
    : Form(backend, "Quarlo_S"),
      os_(os),
      artwork_(backend),
      bgm_(os),
      covers_(os, backend),
      scenes_(os, backend, artwork_) {
  SetCaption(kSaverTitle);
  SetBorder(fw::FormBorder::None);
  SetCoversMonitor(true);
  SetShowInTaskbar(false);
  SetAnimated(true);
  SetHearsBackgroundInput(true);
  SetBackColour(kGrey);
  SetKeyPreview(true);
  Display.SetBackColour(kBlack);
  Display.Click = [this] { Display_Click(); };
  Timer1.Tick = [this] { Timer1_Timer(); };
  Timer2.Tick = [this] { Timer2_Timer(); };
  // The other monitors' windows take keys and clicks exactly as this one does.
  covers_.KeyDown = [this](int keyCode, int shift) { Form_KeyDown(keyCode, shift); };
  covers_.Click = [this] { Display_Click(); };
  scenes_.KeyDown = covers_.KeyDown;
  scenes_.Click = covers_.Click;
}

void Quarlo_S::Form_Load() {
  CoverScreen();
  CoverClientArea();
  scene_.TakeScale();
  SpriteSetUp();
  music_.MusicStart();
  // Before the saver is shown, so that the saver stands above them where monitors overlap.
  CoverOtherMonitors();
  ShowTopmost();
  AnimationLoop();
}

void LoadSaver(Quarlo_S& saver) {
  if (!saver.Load()) saver.EndSaver();
}

// The window takes the primary screen's size at its top-left corner.
void Quarlo_S::CoverScreen() {
  fw::Backend& backend = GetBackend();
  Move(0, 0, fw::PixelsToTwips(backend.ScreenWidthPixels(), backend.TwipsPerPixelX()),
       fw::PixelsToTwips(backend.ScreenHeightPixels(), backend.TwipsPerPixelY()));
}

void Quarlo_S::CoverClientArea() { Display.Move(0, 0, ScaleWidth(), ScaleHeight()); }

void Quarlo_S::SpriteSetUp() {
  scene_.SetUp(SaverSettings().SpriteCount, os_.SecondsSinceMidnight());
}

void Quarlo_S::CoverOtherMonitors() {
  if (IsTrue(SaverSettings().EveryMonitor)) {
    scenes_.Follow(SaverSettings().SpriteCount);
  } else {
    covers_.Cover();
  }
}

// Shown in the normal state, then put above all other windows without moving, sizing or
// activating it.
void Quarlo_S::ShowTopmost() {
  Show(false);
  saver::MakeTopmost(os_, hWnd());
}

void Quarlo_S::AnimationLoop() {
  scene_.Engine().StartWalk();
  Running = kTrue;
  // The backend owns the clock: each step below is one frame of the design, composed ahead of
  // its time and shown once, 60 steps a second whatever the display's refresh rate. Keys,
  // clicks and the music timers are handled while it waits. The loop ends when the window
  // unloads, which EndSaver does.
  GetBackend().RunFrames(*this, {[this] { ComposeFrame(); }, [this] { PresentFrame(); }});
  // Closed by someone else than EndSaver: end as a key would, so that the music stops and the
  // system's screen-saver state is given back.
  if (IsTrue(Running)) EndSaver();
}

// Shows the step on every monitor, then lets the music start or play what waits for the saver to
// be seen.
void Quarlo_S::PresentFrame() {
  scene_.Present();
  scenes_.Present();
  music_.FramePresented();
}

// The step of every scene, the primary monitor's first.
void Quarlo_S::ComposeFrame() {
  scene_.Compose();
  scenes_.Compose();
}

void Quarlo_S::Form_KeyDown(int keyCode, int /*shift*/) {
  if (music_.MusicKey(keyCode)) return;  // the CD's arrow keys change the track
  EndSaver();
}

void Quarlo_S::Form_QueryUnload(Bool16& /*Cancel*/, fw::UnloadMode /*mode*/) { EndSaver(); }

// Keys pressed while another program is active would go to that program, hidden behind the saver.
void Quarlo_S::Form_AppDeactivate() { EndSaver(); }

void Quarlo_S::Form_DisplayChange() {
  CoverScreen();
  CoverClientArea();
  scene_.TakeScale();
  CoverOtherMonitors();
  // Above a window just added for a monitor that overlaps the primary screen.
  saver::MakeTopmost(os_, hWnd());
}

void Quarlo_S::Form_ScreenSave(Bool16& Cancel) { Cancel = kTrue; }

void Quarlo_S::Form_WatchChange(bool watched) {
  if (watched) {
    music_.Resume();
  } else {
    music_.Pause();
  }
}

void Quarlo_S::Display_Click() { EndSaver(); }

void Quarlo_S::Form_BackgroundClick() { Display_Click(); }

void Quarlo_S::Timer1_Timer() { music_.Timer1_Timer(); }

void Quarlo_S::Timer2_Timer() { music_.Timer2_Timer(); }

void Quarlo_S::EndSaver() {
  music_.MusicStop();
  if (InSaverMode(os_)) {
    EnableSystemKeys(os_, kTrue);
    os_.ShowCursor(true);  // balances the hiding at start-up
  }
  os_.SystemParametersInfoA(os::kSpiSetScreenSaveActive, 1, nullptr, 0);
  Running = kFalse;
  Unload();
  os_.ExitProcess(0);
}

}  // namespace quarlo
