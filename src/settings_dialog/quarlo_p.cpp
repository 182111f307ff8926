#include "settings_dialog/quarlo_p.h"

#include <algorithm>
#include <optional>

#include "rules/numeric.h"
#include "settings/settings.h"
#include "settings_dialog/gradients.h"
#include "settings_dialog/start_list.h"
#include "startup/zoom.h"

namespace quarlo {
namespace {

// The timer's interval: the shortest Windows keeps (USER_TIMER_MINIMUM).
constexpr std::uint32_t kReadAfterPaintMs = 10;

// The two mark pictures of Img_Ra.
constexpr int kMarkOff = 0;
constexpr int kMarkOn = 1;

// The screen's size in twips; a fraction of a twip is kept, so that only the difference from
// the window's size is rounded.
double ScreenTwips(int pixels, double twipsPerPixel) { return pixels * twipsPerPixel; }

// (screen - window) \ divisor: the difference rounded to a whole number, then divided with
// truncation toward zero. nullopt when the difference does not fit.
std::optional<std::int32_t> FreeSpaceShare(double screen, std::int32_t window, int divisor) {
  const std::optional<std::int32_t> free = ToInt32(screen - static_cast<double>(window));
  if (!free) return std::nullopt;
  return DivTrunc(*free, divisor);
}

}  // namespace

std::string FormatTrack(std::int32_t track) {
  return track == 0 ? std::string() : std::to_string(track);
}

Quarlo_P::Quarlo_P(fw::Backend& backend, os::Os& os)
    : Form(backend, "Quarlo_P"),
      Cmd_Can(this, "Cmd_Can", os),
      Cmd_Set(this, "Cmd_Set", os),
      Cmd_BGM(&Pic_1, "Cmd_BGM", os),
      Cmd_Mend(&Pic_Start, "Cmd_Mend", os),
      os_(os),
      texts_(os) {
  Design(backend);
  WireEvents();
}

Quarlo_P::~Quarlo_P() = default;

void Quarlo_P::WireEvents() {
  HS_Fast.Changed = [this] { HS_Fast_Change(); };
  HS_Fast.Scrolled = [this] { HS_Fast_Scroll(); };
  for (fw::Image* mark : Img_BGM.Members()) {
    mark->Click = [this, index = mark->Index()] { Img_BGM_Click(index); };
  }
  for (fw::Label* caption : lbl_BGM.Members()) {
    caption->Click = [this, index = caption->Index()] { lbl_BGM_Click(index); };
  }
  Cmd_BGM.Click = [this] { Cmd_BGM_Click(); };
  Cmd_Set.Click = [this] { Cmd_Set_Click(); };
  Cmd_Can.Click = [this] { Cmd_Can_Click(); };
  Img_Mon.Click = [this] { Img_Mon_Click(); };
  lbl_Mon.Click = [this] { lbl_Mon_Click(); };
  lbl_URL.Click = [this] { lbl_URL_Click(); };
  Tmr_Start.Tick = [this] { Tmr_Start_Timer(); };
  lbl_Start.Click = [this] { lbl_Start_Click(); };
  Cmd_Mend.Click = [this] { Cmd_Mend_Click(); };
}

// --- Set-up
// -------------------------------------------------------------------------------------------

void Quarlo_P::Form_Load() {
  PlaceOnScreen();
  InitButtons();
  ShowCount();
  MarkSource(SaverSettings().MusicSource);
  everyMonitorAtLoad_ = SaverSettings().EveryMonitor;
  MarkEveryMonitor();
  ShowTrack();
  lbl_Fname.SetCaption(SaverSettings().MusicFile);
  TakeZoomOrigin();
  ZoomOpen(os_, hWnd());
  RestoreArrow();
  // A timer's message comes only once no window of the thread has anything left to paint: the
  // system is read after the first paint, never before it.
  Tmr_Start.SetInterval(kReadAfterPaintMs);
}

// Centred across, with one third of the free height above the window and two thirds below.
void Quarlo_P::PlaceOnScreen() {
  fw::Backend& backend = GetBackend();
  const double screenWidth = ScreenTwips(backend.ScreenWidthPixels(), backend.TwipsPerPixelX());
  const double screenHeight = ScreenTwips(backend.ScreenHeightPixels(), backend.TwipsPerPixelY());
  int left = Left();
  int top = Top();
  if (const auto share = FreeSpaceShare(screenWidth, Width(), 2)) left = *share;
  if (const auto share = FreeSpaceShare(screenHeight, Height(), 3)) top = *share;
  Move(left, top);
}

void Quarlo_P::InitButtons() {
  // A copy: the walk must not depend on the list staying as it is.
  const std::vector<fw::Control*> controls = Controls();
  for (fw::Control* control : controls) {
    if (control->TypeName() != "Quarlo.Command") continue;
    if (auto* button = dynamic_cast<Command*>(control)) button->Initialize();
  }
}

// The bar takes the stored count when its range allows (the label then follows through
// HS_Fast_Change); the label shows the stored count in every case.
void Quarlo_P::ShowCount() {
  const std::int16_t count = SaverSettings().SpriteCount;
  HS_Fast.SetValue(count);
  lbl_Fast.SetCaption(std::to_string(count));
}

// All three marks not chosen, then the mark of `source` chosen; a source without a mark leaves
// none chosen.
void Quarlo_P::MarkSource(int source) {
  const fw::PicturePtr off = Img_Ra.At(kMarkOff)->GetPicture();
  const fw::PicturePtr on = Img_Ra.At(kMarkOn)->GetPicture();
  for (fw::Image* mark : Img_BGM.Members()) mark->SetPicture(off);
  if (fw::Image* chosen = Img_BGM.At(source)) chosen->SetPicture(on);
  for (fw::Label* option : lbl_BGM.Members()) option->SetChecked(option->Index() == source);
}

void Quarlo_P::MarkEveryMonitor() {
  const bool on = IsTrue(SaverSettings().EveryMonitor);
  Img_Mon.SetPicture(Img_Ra.At(on ? kMarkOn : kMarkOff)->GetPicture());
  lbl_Mon.SetChecked(on);
}

void Quarlo_P::ShowTrack() {
  BGM_Repeat.SetText(FormatTrack(SaverSettings().RepeatTrack));
  for (int track = 0; track <= kLastListedTrack; ++track) BGM_Repeat.AddItem(FormatTrack(track));
}

void Quarlo_P::TakeZoomOrigin() {
  os::Point cursor;
  ZoomPoint& origin = ZoomOrigin();
  if (!os_.GetCursorPos(&cursor)) {
    origin = ZoomPoint{};
    return;
  }
  // A coordinate that does not fit 16 bits leaves that coordinate as it was.
  if (const auto x = ToInt16(cursor.x)) origin.x = *x;
  if (const auto y = ToInt16(cursor.y)) origin.y = *y;
}

void Quarlo_P::RestoreArrow() { os_.SetCursor(os_.LoadCursorA(os::kNull, os::kIdcArrow)); }

// --- Painting and closing
// -------------------------------------------------------------------------

// The window's gradient runs down the design's client area as the design paints it, and again
// down the band of the line below it.
void Quarlo_P::Form_Resize() {
  if (fw::Surface* window = DrawingSurface()) {
    const int design = std::min(fw::TwipsToPixels(kClientHeight, GetBackend().TwipsPerPixelY()),
                                window->Height());
    PaintRows(*window, WindowRow, 0, design);
    if (window->Height() > design) PaintRows(*window, WindowRow, design, window->Height() - design);
    window->Present();
  }
  PaintGradient(Pic_1.DrawingSurface(), PanelRow);
  PaintGradient(Pic_Start.DrawingSurface(), PanelRow);
}

void Quarlo_P::Form_Unload() {
  if (list_) list_->Unload();
  ZoomClose(os_, hWnd());
}

// --- The sprite count
// ---------------------------------------------------------------------------------

void Quarlo_P::HS_Fast_Change() { ShowPosition(); }
void Quarlo_P::HS_Fast_Scroll() { ShowPosition(); }
void Quarlo_P::ShowPosition() { lbl_Fast.SetCaption(std::to_string(HS_Fast.Value())); }

// --- The music source
// ---------------------------------------------------------------------------------

void Quarlo_P::Img_BGM_Click(int Index) {
  MarkSource(Index);
  if (const auto source = ToInt16(Index)) SaverSettings().MusicSource = *source;
}

void Quarlo_P::lbl_BGM_Click(int Index) { Img_BGM_Click(Index); }

// --- Every monitor
// ------------------------------------------------------------------------------------

void Quarlo_P::Img_Mon_Click() {
  Bool16& everyMonitor = SaverSettings().EveryMonitor;
  everyMonitor = ToBool16(!IsTrue(everyMonitor));
  MarkEveryMonitor();
}

void Quarlo_P::lbl_Mon_Click() { Img_Mon_Click(); }

// --- The music file
// -------------------------------------------------------------------------------------

void Quarlo_P::Cmd_BGM_Click() { ChooseMusicFile(); }

// The wide dialog shows its title and filter in the dialog's language on any code page. A path the
// settings file cannot hold (a character the ANSI code page lacks) is refused: the file and the
// label keep the previous one, so what the user sees is what OK saves.
void Quarlo_P::ChooseMusicFile() {
  os::OpenFileName record;
  record.structSize = kOpenFileNameSize;
  record.owner = hWnd();
  record.instance = os_.ModuleInstance();
  // One pair: description NUL pattern NUL, and a second NUL to end the list.
  record.filter = texts_[IDS_MUSIC_FILTER] + '\0' + kMusicFilterPattern + '\0' + '\0';
  record.maxCustomFilter = 0;
  record.filterIndex = 0;
  record.file.assign(kChooserBufferSize, '\0');
  record.maxFile = kChooserBufferSize;
  record.fileTitle.assign(kChooserBufferSize, '\0');
  record.maxFileTitle = kChooserBufferSize;
  record.initialDir = nullptr;
  record.title = texts_[IDS_CHOOSER_TITLE];
  record.flags = 0;

  if (!os_.GetOpenFileNameW(&record)) return;
  const std::string chosen = record.file.substr(0, record.file.find('\0'));
  if (!SettingsFileCanHold(os_, chosen)) return;
  SaverSettings().MusicFile = chosen;
  lbl_Fname.SetCaption(chosen);
}

// --- OK, Cancel and the home page
// ---------------------------------------------------------------------

void Quarlo_P::Cmd_Set_Click() {
  SaveSettings();
  Unload();
}

void Quarlo_P::Cmd_Can_Click() { Unload(); }

// The four keys in order: the bar's position (SpriteCount itself stays as loaded), the source,
// the track typed or picked in the list, and the file; then every monitor, only when it is on or
// was on at the start, so that a file without that key, saved with the box left off, stays as it
// was. Each write finds the file afresh.
void Quarlo_P::SaveSettings() {
  Settings& settings = SaverSettings();
  WriteIniValue(os_, kSection, kKeySpriteCount, SignedDecimal(HS_Fast.Value()), SettingsPath(os_));
  WriteIniValue(os_, kSection, kKeyMusicSource, SignedDecimal(settings.MusicSource),
                SettingsPath(os_));
  TakeTrackFromList();
  WriteIniValue(os_, kSection, kKeyRepeatTrack, SignedDecimal(settings.RepeatTrack),
                SettingsPath(os_));
  WriteIniValue(os_, kSection, kKeyMusicFile, settings.MusicFile, SettingsPath(os_));
  if (IsTrue(settings.EveryMonitor) || IsTrue(everyMonitorAtLoad_)) {
    WriteIniValue(os_, kSection, kKeyEveryMonitor, SignedDecimal(settings.EveryMonitor),
                  SettingsPath(os_));
  }
}

// A number rounds to the track (halves to the even neighbour); a number too large for 16 bits
// keeps the loaded track; anything else, the empty text included, gives 0.
void Quarlo_P::TakeTrackFromList() {
  std::int16_t& track = SaverSettings().RepeatTrack;
  const std::optional<double> number = ParseNumber(BGM_Repeat.Text());
  if (!number) {
    track = 0;
    return;
  }
  if (const auto rounded = ToInt16(*number)) track = *rounded;
}

void Quarlo_P::lbl_URL_Click() {
  os_.SetCursor(os_.LoadCursorA(os::kNull, os::kIdcWait));
  const std::string address = os_.ToAnsi(lbl_URL.Caption());
  os_.ShellExecuteA(hWnd(), "open", address.c_str(), "", "", os::kSwShowNormal);
  RestoreArrow();
}

}  // namespace quarlo
