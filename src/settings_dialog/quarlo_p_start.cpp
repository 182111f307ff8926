// Quarlo_P's line under the settings: why the saver would not start, read once the window has
// painted and again after each mend; the mend's button; and the whole list.
#include "settings_dialog/quarlo_p.h"
#include "settings_dialog/start_list.h"
#include "settings_dialog/start_mends.h"
#include "settings_dialog/start_reading.h"
#include "settings_dialog/start_texts.h"

namespace quarlo {
namespace {

// A finding that stops the saver reads in dark red; when it starts, the line reads in black.
constexpr fw::Colour kStopsText = fw::Rgb(0xA0, 0x00, 0x00);
constexpr fw::Colour kFineText = fw::Rgb(0x00, 0x00, 0x00);

}  // namespace

void Quarlo_P::Tmr_Start_Timer() {
  Tmr_Start.SetEnabled(false);
  ShowStart();
}

// The line says its finding in the room the button leaves, as far from the button as from the
// panel's left edge, in the middle of the panel's height; screen readers hear of the new text
// (its name changes) and of the button coming or going.
void Quarlo_P::ShowStart() {
  findings_ = StartFindings(os_);
  const StartFinding* lead = LineFinding(findings_);
  mend_ = lead != nullptr ? lead->mend : Mend::kNone;
  Cmd_Mend.LetCaption(MendCaption(texts_, mend_));
  Cmd_Mend.SetVisible(mend_ != Mend::kNone);
  const int margin = lbl_Start.Left();
  const int right = mend_ != Mend::kNone ? Cmd_Mend.Left() : Pic_Start.Width();
  lbl_Start.Resize(right - 2 * margin, lbl_Start.Height());
  const bool stops = lead != nullptr && lead->outcome == Outcome::kStopsSaver;
  lbl_Start.SetForeColour(stops ? kStopsText : kFineText);
  lbl_Start.SetCaption(lead != nullptr ? LineText(texts_, *lead) : "");
  lbl_Start.Move(margin, (Pic_Start.Height() - lbl_Start.Height()) / 2);
  if (list_ != nullptr && list_->IsLoaded()) list_->ShowFindings(findings_);
}

void Quarlo_P::lbl_Start_Click() {
  if (list_ == nullptr) list_ = std::make_unique<StartList>(GetBackend(), os_, *this);
  list_->ShowFindings(findings_);
}

// The mend, then the checks afresh. A button that goes with its finding hands the keyboard to
// the line, which says the new state.
void Quarlo_P::Cmd_Mend_Click() {
  RunMend(os_, mend_, hWnd());
  ShowStart();
  if (!Cmd_Mend.Visible()) GetBackend().SetFocus(lbl_Start);
}

}  // namespace quarlo
