#pragma once
// The whole list of why the saver would not start, opened from the settings dialog's line: each
// check with its finding, in a small window of the dialog's look that belongs to the dialog's
// window, and Copy, which puts the list on the clipboard as plain text for whoever helps. Its
// items are one stop whose arrow keys go from item to item; a screen reader reads each with its
// check's title. Close, Enter and Escape close it.

#include <memory>
#include <vector>

#include "controls/command/command.h"
#include "framework/controls.h"
#include "framework/form.h"
#include "os/os.h"
#include "settings_dialog/start_checks.h"
#include "settings_dialog/texts.h"

namespace quarlo {

class StartList : public fw::Form {
 public:
  StartList(fw::Backend& backend, os::Os& os, fw::Form& owner);
  ~StartList() override;

  // Shows the findings, a row each, and opens the window over its owner when it is not open.
  void ShowFindings(const std::vector<StartFinding>& findings);

  void Form_Load() override;
  void Form_Resize() override;
  void Cmd_Copy_Click();
  void Cmd_Close_Click();

  Command Cmd_Copy;
  Command Cmd_Close;
  fw::PictureBox Pic_List{this, "Pic_List"};
  // A row for each check: its title, and its finding, which is the list's item.
  std::vector<std::unique_ptr<fw::Label>> lbl_Check;
  std::vector<std::unique_ptr<fw::Label>> lbl_Found;

 private:
  void LayOut();
  void PlaceOverOwner();

  os::Os& os_;
  const Texts texts_;
  std::vector<StartFinding> findings_;
  int line_ = 0;        // a line of text, in twips
  int titleWidth_ = 0;  // the longest title
};

}  // namespace quarlo
