#include "settings_dialog/start_list.h"

#include <algorithm>

#include "assets/asset_ids.h"
#include "controls/command/stored_designs.h"
#include "framework/property_bag.h"
#include "settings_dialog/gradients.h"
#include "settings_dialog/start_texts.h"

namespace quarlo {
namespace {

// In twips, as the settings dialog measures: the margin round the panel, the room inside it
// above and below the rows (where its gradient is dark), between a title and its finding and
// between two rows, the findings' column, and the buttons' row as the dialog has it under its
// panel.
constexpr int kMargin = 240;
constexpr int kPad = 300;
constexpr int kGap = 120;
constexpr int kRowGap = 60;
constexpr int kFoundWidth = 5400;
constexpr int kButtonsBelow = 225;
constexpr int kButtonGap = 45;
constexpr int kMarginBelow = 300;
constexpr int kButtonHeight = 375;
constexpr int kButtonWidth = 1215;
constexpr int kRows = static_cast<int>(Check::kMusic) + 1;

void DesignLabel(fw::Label& label, const fw::Font& font) {
  label.SetTransparent(true);
  label.SetForeColour(fw::Rgb(0, 0, 0));
  label.SetFont(font);
  label.SetUseMnemonic(false);  // a path may hold an "&"
}

}  // namespace

StartList::StartList(fw::Backend& backend, os::Os& os, fw::Form& owner)
    : Form(backend, "StartList"),
      Cmd_Copy(this, "Cmd_Copy", os),
      Cmd_Close(this, "Cmd_Close", os),
      os_(os),
      texts_(os) {
  SetOwner(&owner);
  SetCaption(texts_[IDS_LIST_TITLE]);
  SetBorder(fw::FormBorder::FixedDialog);
  SetIconResource(IDI_QUARLO);
  SetRole(fw::Role::Dialog);
  const fw::Font font =
      texts_.GetLanguage() == Language::Japanese ? fw::Font{} : backend.MessageFont();
  line_ = backend.TextExtent(font, "Quarlo", false).height;

  Pic_List.SetBorder(fw::Border::None);
  Pic_List.SetRole(fw::Role::List);
  Pic_List.SetAccessibleName(texts_[IDS_LIST_TITLE]);
  Pic_List.SetTabStop(false);
  Pic_List.SetTabIndex(0);
  for (int row = 0; row < kRows; ++row) {
    auto& title = *lbl_Check.emplace_back(std::make_unique<fw::Label>(&Pic_List, "lbl_Check", row));
    auto& found = *lbl_Found.emplace_back(std::make_unique<fw::Label>(&Pic_List, "lbl_Found", row));
    DesignLabel(title, font);
    title.SetRole(fw::Role::None);  // the item's name holds it
    DesignLabel(found, font);
    found.SetWordWrap(true);
    found.SetAutoSize(true);
    found.SetRole(fw::Role::ListItem);
    found.SetTabStop(true);
    found.SetTabIndex(row + 1);
    titleWidth_ = std::max(
        titleWidth_, backend.TextExtent(font, CheckTitle(texts_, static_cast<Check>(row)), false).width);
  }

  int position = kRows + 1;
  for (auto [button, text] : {std::pair{&Cmd_Copy, IDS_COPY}, std::pair{&Cmd_Close, IDS_CLOSE}}) {
    button->UserControl_ReadProperties(fw::PropertyBag::Parse(kCmdSetDesign));
    button->SetFont(font);
    button->LetCaption(texts_[text]);
    button->SetCaptionHeight(std::max(Command::kCaptionHeight, line_));
    button->SetTabIndex(position++);
  }
  SetDefaultButton(&Cmd_Close);
  SetCancelButton(&Cmd_Close);
  Cmd_Copy.Click = [this] { Cmd_Copy_Click(); };
  Cmd_Close.Click = [this] { Cmd_Close_Click(); };
}

StartList::~StartList() = default;

void StartList::ShowFindings(const std::vector<StartFinding>& findings) {
  findings_ = findings;
  // Loaded first: a finding's text then takes the height its wrapped lines need.
  if (!IsLoaded() && !Load()) return;
  LayOut();
  if (!Visible()) {
    PlaceOverOwner();
    Show();
  }
}

// A row per finding, each as tall as its finding's lines; the rows of the checks left out are
// hidden. The panel holds them all, and the window the panel and the buttons' row below it.
void StartList::LayOut() {
  int top = kPad;
  for (std::size_t row = 0; row < lbl_Found.size(); ++row) {
    fw::Label& title = *lbl_Check[row];
    fw::Label& found = *lbl_Found[row];
    const bool shown = row < findings_.size();
    title.SetVisible(shown);
    found.SetVisible(shown);
    if (!shown) continue;
    title.Move(kGap, top, titleWidth_, line_);
    title.SetCaption(CheckTitle(texts_, findings_[row].check));
    found.Move(kGap + titleWidth_ + kGap, top, kFoundWidth, line_);
    found.SetCaption(FindingText(texts_, findings_[row]));
    found.SetAccessibleName(title.Caption() + ": " + found.Caption());
    top += std::max(title.Height(), found.Height()) + kRowGap;
  }
  const int panelWidth = kGap + titleWidth_ + kGap + kFoundWidth + kGap;
  Pic_List.Move(kMargin, kMargin, panelWidth, top - kRowGap + kPad);
  const int clientWidth = kMargin + panelWidth + kMargin;
  const int buttonsTop = Pic_List.Top() + Pic_List.Height() + kButtonsBelow;
  Cmd_Close.Move(clientWidth - kMargin - kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight);
  Cmd_Copy.Move(Cmd_Close.Left() - kButtonGap - kButtonWidth, buttonsTop, kButtonWidth,
                kButtonHeight);
  SetClientSize(clientWidth, buttonsTop + kButtonHeight + kMarginBelow);
}

// Centred over the dialog, and on the screen.
void StartList::PlaceOverOwner() {
  fw::Backend& backend = GetBackend();
  const int screenWidth = fw::PixelsToTwips(backend.ScreenWidthPixels(), backend.TwipsPerPixelX());
  const int screenHeight = fw::PixelsToTwips(backend.ScreenHeightPixels(), backend.TwipsPerPixelY());
  const fw::Form& owner = *Owner();
  const int left = owner.Left() + (owner.Width() - Width()) / 2;
  const int top = owner.Top() + (owner.Height() - Height()) / 2;
  Move(std::clamp(left, 0, std::max(0, screenWidth - Width())),
       std::clamp(top, 0, std::max(0, screenHeight - Height())));
}

void StartList::Form_Load() {
  for (Command* button : {&Cmd_Copy, &Cmd_Close}) button->Initialize();
}

void StartList::Form_Resize() {
  PaintGradient(DrawingSurface(), WindowRow);
  PaintGradient(Pic_List.DrawingSurface(), PanelRow);
}

// The window becomes the clipboard's owner; a clipboard another program holds open takes
// nothing, and nothing is said.
void StartList::Cmd_Copy_Click() {
  if (!os_.OpenClipboard(hWnd())) return;
  os_.EmptyClipboard();
  os_.SetClipboardData(os::kCfUnicodeText, ListText(texts_, findings_));
  os_.CloseClipboard();
}

void StartList::Cmd_Close_Click() { Unload(); }

}  // namespace quarlo
