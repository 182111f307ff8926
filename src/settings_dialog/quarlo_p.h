#pragma once
// `Quarlo_P`: the settings window (switch C). The user sets the number of quarlo sprites, the
// background-music source, the CD track to repeat, the music file and whether every monitor shows
// a scene of its own; OK writes the settings to the settings file and closes, Cancel and the close
// box close without writing. The window zooms open from the mouse pointer and back to it, its
// background and its inner panel carry a vertical sine-shaped gradient, and a label at the bottom
// opens the home page.
//
// It speaks the language of Windows' user interface (settings_dialog/texts.h): on a Japanese
// Windows it is the design's own window; on any other its texts are English, in the system's
// message font, with access keys, and laid out so that each text has the room it needs. Every
// control is reached from the keyboard and told to screen readers (framework/keyboard.h,
// framework/accessible.h).
//
// Below the design's window, a line of its own says when the saver starts, or the first thing
// that stops it (settings_dialog/start_checks.h), with a button beside it where one click mends
// it; a click on the line shows the whole list (settings_dialog/start_list.h). The system is read
// for it only after the window's first paint, so the dialog opens as fast as before.
//
// The settings come from and go back to SaverSettings(); start-up has loaded them and ends the
// process once the window has closed.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "controls/command/command.h"
#include "framework/controls.h"
#include "framework/form.h"
#include "os/os.h"
#include "rules/numeric.h"
#include "settings_dialog/start_checks.h"
#include "settings_dialog/texts.h"

namespace quarlo {

// The address the home-page label shows and opens.
inline constexpr const char* kHomePage = "https://quarlo.example.org/";

// The files the chooser offers; its title and the filter's name are texts of the dialog.
inline constexpr const char* kMusicFilterPattern = "*.MP3;*.WAV";
// The size of the file-open record without its later extension fields, and of its two buffers
// (in characters).
inline constexpr std::uint32_t kOpenFileNameSize = 76;
inline constexpr std::uint32_t kChooserBufferSize = 255;

// The client area at design, in twips; the band of the line under the settings lies below it.
inline constexpr int kClientWidth = 6975;
inline constexpr int kClientHeight = 2895;

// The sprite-count bar: the design fixes the upper limit and the position before set-up.
inline constexpr int kFastMin = 10;
inline constexpr int kFastMax = 300;
inline constexpr int kFastDesignValue = 10;
inline constexpr int kFastSmallChange = 1;
inline constexpr int kFastLargeChange = 10;
// The track numbers the drop-down list offers (0 shows as the empty entry).
inline constexpr int kLastListedTrack = 30;

// A group of like controls addressed by index, as the design names them (lbl(4), Img_BGM(2)).
template <typename T>
class ControlArray {
 public:
  ControlArray(std::initializer_list<T*> members) : members_(members) {}
  // The member with this index; nullptr when the group has none (an index the caller must not
  // trust, such as a stored music source of 7).
  T* At(int index) const {
    for (T* member : members_) {
      if (member->Index() == index) return member;
    }
    return nullptr;
  }
  const std::vector<T*>& Members() const { return members_; }

 private:
  std::vector<T*> members_;
};

// A track number as the pattern "##" formats it: digits without leading zeros, empty for 0.
std::string FormatTrack(std::int32_t track);

class StartList;

class Quarlo_P : public fw::Form {
 public:
  Quarlo_P(fw::Backend& backend, os::Os& os);
  ~Quarlo_P() override;

  // --- Event handlers ---------------------------------------------------------------------------
  void Form_Load() override;
  void Form_Resize() override;
  void Form_Unload() override;
  void HS_Fast_Change();
  void HS_Fast_Scroll();
  void Img_BGM_Click(int Index);
  void lbl_BGM_Click(int Index);
  void Img_Mon_Click();
  void lbl_Mon_Click();
  void Cmd_BGM_Click();
  void Cmd_Set_Click();
  void Cmd_Can_Click();
  void lbl_URL_Click();
  // Why the saver would not start: the reading once the window has painted, the line, its mend.
  void Tmr_Start_Timer();
  void lbl_Start_Click();
  void Cmd_Mend_Click();

  // --- Controls, in creation order ---------------------------------------------------------------
  Command Cmd_Can;
  Command Cmd_Set;
  fw::PictureBox Pic_1{this, "Pic_1"};
  Command Cmd_BGM;
  fw::HScrollBar HS_Fast{&Pic_1, "HS_Fast"};
  fw::ComboBox BGM_Repeat{&Pic_1, "BGM_Repeat"};
  fw::Label lbl_Fast{&Pic_1, "lbl_Fast"};
  fw::Label lbl_4{&Pic_1, "lbl", 4};
  fw::Shape Shape_2{&Pic_1, "Shape", 2};
  fw::Shape Shape_6{&Pic_1, "Shape", 6};
  fw::Label lbl_1{&Pic_1, "lbl", 1};
  fw::Label lbl_Fname{&Pic_1, "lbl_Fname"};
  fw::Image Img_BGM_2{&Pic_1, "Img_BGM", 2};
  fw::Label lbl_BGM_0{&Pic_1, "lbl_BGM", 0};
  fw::Image Img_BGM_1{&Pic_1, "Img_BGM", 1};
  fw::Label lbl_BGM_2{&Pic_1, "lbl_BGM", 2};
  fw::Label lbl_BGM_1{&Pic_1, "lbl_BGM", 1};
  fw::Label lbl_2{&Pic_1, "lbl", 2};
  fw::Image Img_BGM_0{&Pic_1, "Img_BGM", 0};
  fw::Label lbl_URL{this, "lbl_URL"};
  fw::Image Img_Ra_0{this, "Img_Ra", 0};
  fw::Image Img_Ra_1{this, "Img_Ra", 1};
  // The check box "every monitor": a mark that shows the two pictures of Img_Ra, and its caption.
  fw::Image Img_Mon{&Pic_1, "Img_Mon"};
  fw::Label lbl_Mon{&Pic_1, "lbl_Mon"};
  // The line under the settings: a panel below the design's window, with the line (a link to the
  // whole list) and the button of its mend; and the timer that reads the system after the paint.
  fw::PictureBox Pic_Start{this, "Pic_Start"};
  fw::Label lbl_Start{&Pic_Start, "lbl_Start"};
  Command Cmd_Mend;
  fw::Timer Tmr_Start{this, "Tmr_Start"};

  // --- The control arrays over them
  // ----------------------------------------------------------------
  const ControlArray<fw::Label> lbl{&lbl_1, &lbl_2, &lbl_4};
  const ControlArray<fw::Shape> Shape{&Shape_2, &Shape_6};
  const ControlArray<fw::Image> Img_BGM{&Img_BGM_0, &Img_BGM_1, &Img_BGM_2};
  const ControlArray<fw::Label> lbl_BGM{&lbl_BGM_0, &lbl_BGM_1, &lbl_BGM_2};
  const ControlArray<fw::Image> Img_Ra{&Img_Ra_0, &Img_Ra_1};

  // What the line and the list show: the findings as last read; the list while it is open.
  const std::vector<StartFinding>& Findings() const { return findings_; }
  StartList* List() const { return list_.get(); }

 private:
  void Design(fw::Backend& backend);
  // Tab stops, reading order, and what screen readers are told.
  void DesignKeyboard();
  // The English face: the system's message font, and room for every text.
  void SpeakEnglish(fw::Backend& backend);
  void LayOutEnglish(fw::Backend& backend);
  // The line's panel below the design's window, which grows by it.
  void DesignStartLine(fw::Backend& backend);
  void WireEvents();

  // Set-up steps.
  void PlaceOnScreen();
  void InitButtons();
  void ShowCount();
  void MarkSource(int source);
  void MarkEveryMonitor();
  void ShowTrack();
  void TakeZoomOrigin();
  void RestoreArrow();

  void ShowPosition();
  void ChooseMusicFile();
  void SaveSettings();
  void TakeTrackFromList();
  void ShowStart();

  os::Os& os_;
  const Texts texts_;
  // EveryMonitor as the window opened with it.
  Bool16 everyMonitorAtLoad_ = kFalse;
  std::vector<StartFinding> findings_;
  Mend mend_ = Mend::kNone;
  std::unique_ptr<StartList> list_;
};

}  // namespace quarlo
