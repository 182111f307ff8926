#include "saver/quarlo_s.h"

#include "framework/scaling.h"
#include "startup/quarlo_b.h"
#include "startup/settings.h"

namespace quarlo {
namespace {

constexpr fw::Colour kBlack = fw::Rgb(0, 0, 0);
constexpr fw::Colour kGrey = fw::Rgb(128, 128, 128);
constexpr std::uint32_t kTopmostFlags = os::kSwpNoSize | os::kSwpNoMove | os::kSwpNoActivate;

bool InSaverMode(os::Os& os) { return SwitchCharacter(os.CommandText()) == "S"; }

}  // namespace

Quarlo_S::Quarlo_S(fw::Backend& backend, os::Os& os)
    : Form(backend, "Quarlo_S"), os_(os), bgm_(os), covers_(os, backend) {
  SetCaption(kSaverTitle);
  SetBorder(fw::FormBorder::None);
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
}

void Quarlo_S::Form_Load() {
  CoverScreen();
  CoverClientArea();
  TakeScale();
  SpriteSetUp();
  music_.MusicStart();
  // Before the saver is shown, so that the saver stands above them where monitors overlap.
  covers_.Cover();
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

// The scale of the monitor the saver covers: the scene is laid out in the pixels of the design
// and drawn from pictures made for that scale.
void Quarlo_S::TakeScale() {
  const int percent = fw::ScalePercent(GetBackend().WindowDpi(*this));
  if (!Pic_Mas.empty() && percent == engine_.Scale()) return;
  engine_.SetScale(percent);
  saver::Artwork art = saver::LoadArtwork(GetBackend(), percent);
  Pic_Mas = std::move(art.cells);
  Pic_Quarlo = std::move(art.sprites);
}

// Pixels of the screen in pixels of the design.
double Quarlo_S::Design(int pixels) const { return pixels * 100.0 / engine_.Scale(); }

void Quarlo_S::SpriteSetUp() {
  engine_.SetUp(SaverSettings().SpriteCount, Design(Display.InnerHeightPixels()),
                os_.SecondsSinceMidnight(), Display.DrawingSurface());
}

// Shown in the normal state, then put above all other windows without moving, sizing or
// activating it.
void Quarlo_S::ShowTopmost() {
  Show(false);
  MakeTopmost();
}

void Quarlo_S::MakeTopmost() {
  os_.SetWindowPos(hWnd(), os::kHwndTopmost, 0, 0, 0, 0, kTopmostFlags);
}

void Quarlo_S::AnimationLoop() {
  engine_.StartWalk();
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

// Shows the step, then lets the music start or play what waits for the saver to be seen.
void Quarlo_S::PresentFrame() {
  if (fw::Surface* display = Display.DrawingSurface()) display->Present();
  music_.FramePresented();
}

// Clears the back buffer, draws the walking figure, then moves and draws the sprites.
void Quarlo_S::ComposeFrame() {
  fw::Surface* display = Display.DrawingSurface();
  const double W = Design(Display.InnerWidthPixels());
  const double H = Design(Display.InnerHeightPixels());
  const double Wfull = Design(fw::TwipsToPixels(Display.Width(), GetBackend().TwipsPerPixelX()));
  if (display != nullptr) {
    display->Clear(kBlack);
    engine_.DrawWalker(*display, Pic_Mas, W, H);
  }
  engine_.AdvanceWalk();
  engine_.AnimateSprites(display, Pic_Quarlo, W, H, Wfull);
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
  TakeScale();
  covers_.Cover();
  MakeTopmost();  // above a window just added for a monitor that overlaps the primary screen
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
