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
      bgm_(os),
      monitors_(os, backend, *this, Display) {
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
  monitors_.KeyDown = [this](int keyCode, int shift) { Form_KeyDown(keyCode, shift); };
  monitors_.Click = [this] { Display_Click(); };
}

void Quarlo_S::Form_Load() {
  // Before the saver is shown, so that the saver stands above the other monitors' windows where
  // monitors overlap.
  CoverMonitors();
  music_.MusicStart();
  ShowTopmost();
  AnimationLoop();
}

void LoadSaver(Quarlo_S& saver) {
  if (!saver.Load()) saver.EndSaver();
}

// The window takes the primary screen's size at its top-left corner, its display the whole client
// area, and the sprite set-up follows.
void Quarlo_S::CoverMonitors() {
  monitors_.Follow(IsTrue(SaverSettings().EveryMonitor), SaverSettings().SpriteCount);
}

// Shown in the normal state, then put above all other windows without moving, sizing or
// activating it.
void Quarlo_S::ShowTopmost() {
  Show(false);
  monitors_.Raise(*this);
}

void Quarlo_S::AnimationLoop() {
  Running = kTrue;
  // The backend owns the clock: each step below is one frame of the design, composed when it is
  // due and shown at once, 60 steps a second whatever the display's refresh rate. Keys, clicks
  // and the music timers are handled while it waits. The loop ends when the window unloads,
  // which EndSaver does.
  GetBackend().RunFrames(*this, [this](int steps) { ShowFrame(steps); });
  // Closed by someone else than EndSaver: end as a key would, so that the music stops and the
  // system's screen-saver state is given back.
  if (IsTrue(Running)) EndSaver();
}

// The step on every monitor, then the music may start or play what waits for the saver to be
// seen.
void Quarlo_S::ShowFrame(int steps) {
  monitors_.Frame(steps);
  music_.FramePresented();
}

void Quarlo_S::Form_KeyDown(int keyCode, int /*shift*/) {
  if (music_.MusicKey(keyCode)) return;  // the CD's arrow keys change the track
  EndSaver();
}

void Quarlo_S::Form_QueryUnload(Bool16& /*Cancel*/, fw::UnloadMode /*mode*/) { EndSaver(); }

// Keys pressed while another program is active would go to that program, hidden behind the saver.
void Quarlo_S::Form_AppDeactivate() { EndSaver(); }

void Quarlo_S::Form_DisplayChange() { CoverMonitors(); }

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
