// Quarlo_P's design: its controls as the design places them, its texts in the dialog's language,
// its keyboard and what screen readers are told, and the English face's layout.
#include <algorithm>
#include <initializer_list>

#include "assets/asset_ids.h"
#include "controls/command/stored_designs.h"
#include "framework/property_bag.h"
#include "framework/scaling.h"
#include "settings_dialog/quarlo_p.h"
#include "startup/quarlo_b.h"

namespace quarlo {
namespace {

constexpr fw::Colour kBlack = fw::Rgb(0, 0, 0);
constexpr fw::Colour kWhite = fw::Rgb(0xFF, 0xFF, 0xFF);
// Labels draw in the system's window-text colour, black in every standard scheme.
constexpr fw::Colour kWindowText = kBlack;

// The English face, in twips: the design's line (a caption's height, the rows' pitch is 300), the
// room between a caption and the control after it, and the margin inside the panel and the window.
constexpr int kDesignLine = 195;
constexpr int kGap = 120;
constexpr int kMargin = 240;
// Above and below the text of the line under the settings, inside its panel.
constexpr int kStartPad = 60;

void DesignLabel(fw::Label& label, std::string caption, bool autoSize, fw::Alignment alignment) {
  label.SetCaption(std::move(caption));
  label.SetAutoSize(autoSize);
  label.SetAlignment(alignment);
  label.SetTransparent(true);
  label.SetForeColour(kBlack);
  label.SetFont(fw::Font{});
}

void ReadStoredDesign(Command& button, std::string_view design) {
  button.UserControl_ReadProperties(fw::PropertyBag::Parse(design));
}

int Right(const fw::Control& control) { return control.Left() + control.Width(); }

}  // namespace

void Quarlo_P::Design(fw::Backend& backend) {
  const bool japanese = texts_.GetLanguage() == Language::Japanese;
  SetCaption(japanese ? kDialogTitle : kDialogTitleEnglish);
  SetBorder(fw::FormBorder::FixedDialog);
  SetIconResource(IDI_QUARLO);

  ReadStoredDesign(Cmd_Can, kCmdCanDesign);
  Cmd_Can.LetCaption(texts_[IDS_CANCEL]);
  Cmd_Can.Move(5520, 2220, 1215, 375);
  ReadStoredDesign(Cmd_Set, kCmdSetDesign);
  Cmd_Set.LetCaption(texts_[IDS_OK]);
  Cmd_Set.Move(4260, 2220, 1215, 375);

  Pic_1.Move(240, 240, 6495, 1755);
  Pic_1.SetBorder(fw::Border::None);

  ReadStoredDesign(Cmd_BGM, kCmdBgmDesign);
  Cmd_BGM.Move(1800, 1080, 435, 315);

  HS_Fast.Move(4140, 540, 1155, 255);
  HS_Fast.SetRange(kFastMin, kFastMax, kFastSmallChange, kFastLargeChange);
  HS_Fast.SetValue(kFastDesignValue);

  BGM_Repeat.Move(1800, 480, 615, 300);
  BGM_Repeat.SetFont(fw::Font{});

  lbl_Fast.Move(5400, 600, 420, 195);
  DesignLabel(lbl_Fast, "9999", true, fw::Alignment::Left);

  lbl_4.Move(3780, 180, 1515, 255);
  DesignLabel(lbl_4, texts_[IDS_COUNT_HEADING], false, fw::Alignment::Centre);
  Shape_2.Move(3780, 120, 1515, 315);
  Shape_6.Move(120, 120, 1515, 315);
  lbl_1.Move(120, 180, 1515, 255);
  DesignLabel(lbl_1, texts_[IDS_MUSIC_HEADING], false, fw::Alignment::Centre);

  lbl_Fname.Move(2400, 1080, 3855, 495);
  DesignLabel(lbl_Fname, "", false, fw::Alignment::Left);
  lbl_Fname.SetBorder(fw::Border::FixedSingle);
  lbl_Fname.SetForeColour(kWindowText);
  lbl_Fname.SetUseMnemonic(false);
  lbl_Fname.SetWordWrap(true);

  Img_BGM_2.Move(540, 1140, 195, 195);
  lbl_BGM_0.Move(780, 840, 345, 195);
  DesignLabel(lbl_BGM_0, texts_[IDS_SOURCE_NONE], true, fw::Alignment::Left);
  Img_BGM_1.Move(540, 540, 195, 195);
  lbl_BGM_2.Move(780, 1140, 900, 195);
  DesignLabel(lbl_BGM_2, texts_[IDS_SOURCE_FILE], true, fw::Alignment::Left);
  lbl_BGM_1.Move(780, 540, 645, 195);
  DesignLabel(lbl_BGM_1, texts_[IDS_SOURCE_CD], true, fw::Alignment::Left);
  lbl_2.Move(2460, 540, 990, 195);
  DesignLabel(lbl_2, texts_[IDS_REPEAT_TRACK], true, fw::Alignment::Left);
  Img_BGM_0.Move(540, 840, 195, 195);

  // Under the count bar, on the row of "無し", its mark below the bar's left end.
  Img_Mon.Move(4140, 840, 195, 195);
  lbl_Mon.Move(4380, 840, 1755, 195);
  DesignLabel(lbl_Mon, texts_[IDS_EVERY_MONITOR], true, fw::Alignment::Left);

  lbl_URL.Move(240, 2340, 3105, 195);
  DesignLabel(lbl_URL, kHomePage, true, fw::Alignment::Left);
  lbl_URL.SetForeColour(kWhite);
  fw::Font underlined;
  underlined.underline = true;
  lbl_URL.SetFont(underlined);
  lbl_URL.SetCursorResource(IDC_HAND_POINTER);

  // The two mark pictures lie outside the visible client area; the option marks copy them. They
  // are made for the screen's scale, as the buttons' faces and the hand cursor are.
  const int percent = fw::ScreenScalePercent(backend);
  Img_Ra_0.Move(10080, 420, 180, 180);
  Img_Ra_0.SetPicture(fw::LoadPictureAt(backend, IDR_MARK_OFF, percent));
  Img_Ra_1.Move(10080, 660, 180, 180);
  Img_Ra_1.SetPicture(fw::LoadPictureAt(backend, IDR_MARK_ON, percent));

  DesignKeyboard();
  if (!japanese) SpeakEnglish(backend);
  DesignStartLine(backend);
}

// The reading order runs down the music group (its heading, the three options from the top, the
// track list named by the caption after it, the file button and the file), then down the count's
// group (its heading, the bar, the number, the box), then OK, Cancel and the address. Tab stops at
// the options (one stop, the arrows choose), the track list, the file button, the bar, the box, OK,
// Cancel and the address; the panel that holds them is no stop of its own. The line under the
// settings and its mend's button come last.
void Quarlo_P::DesignKeyboard() {
  int position = 0;
  for (fw::Control* control : std::initializer_list<fw::Control*>{
           &Pic_1, &lbl_1, &lbl_BGM_1, &lbl_BGM_0, &lbl_BGM_2, &lbl_2, &BGM_Repeat, &Cmd_BGM,
           &lbl_Fname, &lbl_4, &HS_Fast, &lbl_Fast, &lbl_Mon, &Cmd_Set, &Cmd_Can, &lbl_URL,
           &Pic_Start, &lbl_Start, &Cmd_Mend}) {
    control->SetTabIndex(position++);
  }
  Pic_1.SetTabStop(false);
  for (fw::Label* option : lbl_BGM.Members()) {
    option->SetRole(fw::Role::RadioButton);
    option->SetTabStop(true);
  }
  lbl_Mon.SetRole(fw::Role::CheckBox);
  lbl_Mon.SetTabStop(true);
  lbl_URL.SetRole(fw::Role::Link);
  lbl_URL.SetTabStop(true);
  Pic_Start.SetTabStop(false);
  lbl_Start.SetRole(fw::Role::Link);
  lbl_Start.SetTabStop(true);
  Cmd_BGM.SetAccessibleName(texts_[IDS_CHOOSER_TITLE]);
  SetRole(fw::Role::Dialog);
  SetDefaultButton(&Cmd_Set);
  SetCancelButton(&Cmd_Can);
}

void Quarlo_P::SpeakEnglish(fw::Backend& backend) {
  const fw::Font message = backend.MessageFont();
  for (fw::Label* label : {&lbl_Fast, &lbl_4, &lbl_1, &lbl_Fname, &lbl_BGM_0, &lbl_BGM_1,
                           &lbl_BGM_2, &lbl_2, &lbl_Mon}) {
    label->SetFont(message);
  }
  fw::Font underlined = message;
  underlined.underline = true;
  lbl_URL.SetFont(underlined);
  BGM_Repeat.SetFont(message);
  for (Command* button : {&Cmd_Set, &Cmd_Can, &Cmd_BGM}) button->SetFont(message);
  LayOutEnglish(backend);
}

// The design's rows and columns, each as wide as its texts need: the captions take their text's
// size, centred on their design row; the track list and the file button stand after the longer
// caption in front of them, the count's group after the track's caption, and the panel, the
// window and the buttons' row grow to the right as far as that takes them.
void Quarlo_P::LayOutEnglish(fw::Backend& backend) {
  const auto extent = [&](const fw::Font& font, const std::string& text, bool mnemonics) {
    return backend.TextExtent(font, text, mnemonics);
  };
  const auto fit = [&](fw::Label& label) {
    const fw::Size size = extent(label.GetFont(), label.Caption(), label.UseMnemonic());
    label.Move(label.Left(), label.Top() + (kDesignLine - size.height) / 2, size.width,
               size.height);
  };
  // The design's room after the track's caption and after the file button.
  const int countGap = Shape_2.Left() - Right(lbl_2);
  const int fileGap = lbl_Fname.Left() - Right(Cmd_BGM);
  for (fw::Label* label :
       {&lbl_BGM_0, &lbl_BGM_1, &lbl_BGM_2, &lbl_2, &lbl_Mon, &lbl_URL, &lbl_Fast}) {
    fit(*label);
  }
  const int line = lbl_BGM_1.Height();

  const int controls = std::max(
      BGM_Repeat.Left(), lbl_BGM_1.Left() + std::max(lbl_BGM_1.Width(), lbl_BGM_2.Width()) + kGap);
  const int listGap = lbl_2.Left() - Right(BGM_Repeat);
  BGM_Repeat.Move(controls, BGM_Repeat.Top());
  lbl_2.Move(Right(BGM_Repeat) + listGap, lbl_2.Top());
  Cmd_BGM.Move(controls, Cmd_BGM.Top());

  const int shift = std::max(0, Right(lbl_2) + countGap - Shape_2.Left());
  for (fw::Control* control : std::initializer_list<fw::Control*>{&Shape_2, &lbl_4, &HS_Fast,
                                                                  &lbl_Fast, &Img_Mon, &lbl_Mon}) {
    control->Move(control->Left() + shift, control->Top());
  }
  for (auto [box, heading] : {std::pair{&Shape_6, &lbl_1}, std::pair{&Shape_2, &lbl_4}}) {
    const fw::Size size = extent(heading->GetFont(), heading->Caption(), true);
    const int width = std::max(box->Width(), size.width + 2 * kGap);
    box->Resize(width, box->Height());
    heading->Move(box->Left(), box->Top() + (box->Height() - size.height) / 2, width, size.height);
  }

  const int widestCount = extent(lbl_Fast.GetFont(), std::to_string(kFastMax), false).width;
  const int panelWidth =
      std::max({Pic_1.Width(), Right(Shape_2) + kMargin / 2,
                lbl_Fast.Left() + widestCount + kMargin, Right(lbl_Mon) + kMargin});
  Pic_1.Resize(panelWidth, Pic_1.Height());
  const int fileLeft = Right(Cmd_BGM) + fileGap;
  // Two lines inside its border of a pixel round them.
  const int border = fw::PixelsToTwips(2, backend.TwipsPerPixelY());
  lbl_Fname.Move(fileLeft, lbl_Fname.Top(), panelWidth - kMargin - fileLeft,
                 std::max(lbl_Fname.Height(), 2 * line + border));

  const int clientWidth = Pic_1.Left() + panelWidth + kMargin;
  const int buttonGap = Cmd_Can.Left() - Right(Cmd_Set);
  int buttonWidth = Cmd_Set.Width();
  for (Command* button : {&Cmd_Set, &Cmd_Can}) {
    buttonWidth = std::max(buttonWidth,
                           extent(button->GetFont(), button->GetCaption(), true).width + 2 * kGap);
  }
  Cmd_Can.Move(clientWidth - kMargin - buttonWidth, Cmd_Can.Top(), buttonWidth, Cmd_Can.Height());
  Cmd_Set.Move(Cmd_Can.Left() - buttonGap - buttonWidth, Cmd_Set.Top(), buttonWidth,
               Cmd_Set.Height());
  for (Command* button : {&Cmd_Set, &Cmd_Can, &Cmd_BGM}) {
    button->SetCaptionHeight(std::max(Command::kCaptionHeight, line));
  }
}

// The line's panel lies below the design's client area, as wide as the settings' panel, and the
// window grows by it and a margin. It holds two lines of text, as the file's label does, and at
// its right end the mend's button, as tall as OK and as wide as the longer of its captions. The
// line is drawn underlined under the hand, as the address is, and shows an "&" as it is.
void Quarlo_P::DesignStartLine(fw::Backend& backend) {
  const fw::Font font = lbl_Fast.GetFont();
  const int line = backend.TextExtent(font, "Quarlo", false).height;
  const int text = std::max(lbl_Fname.Height(), 2 * line);
  const int panelHeight = text + 2 * kStartPad;
  Pic_Start.Move(Pic_1.Left(), kClientHeight, Pic_1.Width(), panelHeight);
  Pic_Start.SetBorder(fw::Border::None);

  fw::Font underlined = font;
  underlined.underline = true;
  DesignLabel(lbl_Start, "", true, fw::Alignment::Left);
  lbl_Start.SetFont(underlined);
  lbl_Start.SetWordWrap(true);
  lbl_Start.SetUseMnemonic(false);
  lbl_Start.SetCursorResource(IDC_HAND_POINTER);
  lbl_Start.Move(kGap, kStartPad, Pic_1.Width() - 2 * kGap, text);

  ReadStoredDesign(Cmd_Mend, kCmdSetDesign);
  Cmd_Mend.LetCaption("");
  Cmd_Mend.SetFont(Cmd_Set.GetFont());
  Cmd_Mend.SetCaptionHeight(std::max(Command::kCaptionHeight, line));
  int width = Cmd_Set.Width();
  for (const int caption : {IDS_MEND_USE_QUARLO, IDS_MEND_OPEN_POWER_OPTIONS}) {
    width = std::max(width, backend.TextExtent(Cmd_Set.GetFont(), texts_[caption], true).width +
                                2 * kGap);
  }
  Cmd_Mend.Move(Pic_1.Width() - kGap - width, (panelHeight - Cmd_Set.Height()) / 2, width,
                Cmd_Set.Height());
  Cmd_Mend.SetVisible(false);

  SetClientSize(Pic_1.Left() + Pic_1.Width() + kMargin, kClientHeight + panelHeight + kMargin);
}

}  // namespace quarlo
