#pragma once
// The settings window on the headless backend over the recording fake: stored settings in, the
// window opened as start-up opens it, and helpers that act as the user does.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "assets/asset_ids.h"
#include "framework/form.h"
#include "settings_dialog/quarlo_p.h"
#include "settings/settings.h"
#include "startup/zoom.h"
#include "support/fake_os.h"
#include "support/headless_backend.h"

namespace quarlo::testing {

// The headless backend hands out window handles from 0x1000 in creation order: the form first.
inline constexpr os::Handle kDialogWindow = 0x1000;
inline constexpr const char* kIniPath = "C:\\Saver\\Quarlo.ini";

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSaverSettings();
    ResetZoomOrigin();
    os.cursorPos = os::Point{400, 300};
  }
  void TearDown() override {
    dialog.reset();
    ResetSaverSettings();
    ResetZoomOrigin();
  }

  // The settings start-up has loaded.
  void Stored(std::int16_t count, std::int16_t source, std::int16_t track, std::string file = "") {
    Settings& s = SaverSettings();
    s.SpriteCount = count;
    s.MusicSource = source;
    s.RepeatTrack = track;
    s.MusicFile = std::move(file);
  }

  // Creates the window and shows it modally; the modal loop hands control back at once, so the
  // test plays the user while the window stays open.
  Quarlo_P& Open() {
    // A fresh backend for each window, so that its handle is always kDialogWindow.
    dialog.reset();
    backend = std::make_unique<testing::HeadlessBackend>(os);
    backend->pictures[IDR_MARK_OFF] = markOff;
    backend->pictures[IDR_MARK_ON] = markOn;
    dialog = std::make_unique<Quarlo_P>(*backend, os);
    dialog->Show(true);
    return *dialog;
  }

  // A left click on an image button, as its window receives it.
  static void Press(Command& button) {
    button.UserControl_MouseDown(fw::kLeftButton, 0, 0, 0);
    button.UserControl_MouseUp(fw::kLeftButton, 0, 0, 0);
  }

  // Which option mark shows the chosen picture: its index, -1 for none, -2 for several.
  int ChosenMark() const {
    int chosen = -1;
    for (const fw::Image* mark : dialog->Img_BGM.Members()) {
      if (mark->GetPicture() == markOn)
        chosen = chosen == -1 ? mark->Index() : -2;
      else
        EXPECT_EQ(mark->GetPicture(), markOff) << "mark " << mark->Index();
    }
    return chosen;
  }

  FakeOs os;
  fw::PicturePtr markOff = std::make_shared<fw::Picture>(12, 12);
  fw::PicturePtr markOn = std::make_shared<fw::Picture>(12, 12);
  std::unique_ptr<testing::HeadlessBackend> backend;
  std::unique_ptr<Quarlo_P> dialog;
};

}  // namespace quarlo::testing
