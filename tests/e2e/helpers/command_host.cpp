// A window with three image buttons for the end-to-end tests of `Command`.
//
//   command_host.exe <log file> [disable]
//
// The buttons are loaded from the settings dialog's stored designs (Cmd_Set and Cmd_Can
// 1215 x 375 twips, Cmd_BGM 435 x 315 twips) and armed through their type name, as the dialog
// does. With "disable" Cmd_Can is switched off after loading. The log file receives, one line
// each and flushed at once:
//   Rect <button> <left> <top> <right> <bottom>   screen pixels, once the window is shown
//   Ready
//   Click <button>
// The program ends when its window is closed.

#include <windows.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "controls/command/command.h"
#include "controls/command/stored_designs.h"
#include "framework/form.h"
#include "framework/property_bag.h"
#include "framework/win32/win32_backend.h"
#include "os/win32/win32_os.h"

namespace {

using quarlo::Command;

class Log {
 public:
  explicit Log(const std::string& path) : file_(std::fopen(path.c_str(), "ab")) {}
  ~Log() {
    if (file_ != nullptr) std::fclose(file_);
  }
  Log(const Log&) = delete;
  Log& operator=(const Log&) = delete;
  void Line(const std::string& text) {
    if (file_ == nullptr) return;
    std::fputs((text + "\n").c_str(), file_);
    std::fflush(file_);
  }

 private:
  std::FILE* file_;
};

class CommandHost final : public quarlo::fw::Form {
 public:
  CommandHost(quarlo::fw::Backend& backend, quarlo::os::Os& os, Log& log, bool disable)
      : quarlo::fw::Form(backend, "CommandHost"),
        Cmd_Set(this, "Cmd_Set", os),
        Cmd_Can(this, "Cmd_Can", os),
        Cmd_BGM(this, "Cmd_BGM", os),
        os_(os),
        log_(log),
        disable_(disable) {
    SetCaption("Command host");
    Move(1500, 1500);
    SetClientSize(4200, 1500);
    SetBackColour(quarlo::fw::Rgb(0x40, 0x60, 0x80));
    Place(Cmd_Set, quarlo::kCmdSetDesign, 240, 240, 1215, 375, 0);
    Place(Cmd_Can, quarlo::kCmdCanDesign, 1680, 240, 1215, 375, 1);
    Place(Cmd_BGM, quarlo::kCmdBgmDesign, 3120, 270, 435, 315, 2);
  }

  void Form_Load() override {
    // Arm every image button of the window, found by its type.
    for (quarlo::fw::Control* control : Controls()) {
      if (control->TypeName() != "Quarlo.Command") continue;
      if (auto* button = dynamic_cast<Command*>(control)) button->Initialize();
    }
    if (disable_) Cmd_Can.LetEnabled(quarlo::kFalse);
  }

  void Form_Unload() override { log_.Line("Unload"); }

  void ReportShown() {
    for (Command* button : {&Cmd_Set, &Cmd_Can, &Cmd_BGM}) {
      quarlo::os::Rect rect;
      os_.GetWindowRect(button->hWnd(), &rect);
      std::ostringstream line;
      line << "Rect " << button->Name() << " " << rect.left << " " << rect.top << " " << rect.right
           << " " << rect.bottom;
      log_.Line(line.str());
    }
    log_.Line("Ready");
  }

  Command Cmd_Set;
  Command Cmd_Can;
  Command Cmd_BGM;

 private:
  void Place(Command& button, std::string_view design, int left, int top, int width, int height,
             int tabIndex) {
    button.UserControl_ReadProperties(quarlo::fw::PropertyBag::Parse(design));
    button.Move(left, top, width, height);
    button.SetTabIndex(tabIndex);
    button.Click = [this, &button] { log_.Line("Click " + button.Name()); };
  }

  quarlo::os::Os& os_;
  Log& log_;
  bool disable_;
};

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  quarlo::os::Win32Os os;
  const std::vector<std::string> args = Words(os.CommandText());
  if (args.empty()) return 2;
  Log log(args[0]);
  quarlo::fw::Win32Backend backend(os);
  CommandHost host(backend, os, log, args.size() > 1 && args[1] == "disable");
  host.Show();
  host.ReportShown();
  backend.RunMessageLoop();
  return 0;
}
