#include "settings_dialog/start_checks.h"

#include <gtest/gtest.h>

#include <functional>

#include "framework/accessible.h"
#include "framework/keyboard.h"
#include "settings/settings.h"
#include "settings_dialog/dialog_fixture.h"
#include "settings_dialog/start_list.h"
#include "settings_dialog/start_reading.h"
#include "settings_dialog/start_texts.h"

namespace quarlo {
namespace {

using enum Finding;
using enum Outcome;
using enum Mend;
using C = Check;
using S = SaverState;

constexpr const char* kQuarlo = "C:\\Windows\\SysWOW64\\Quarlo.scr";
constexpr const char* kOther = "C:\\Windows\\system32\\Bubbles.scr";
constexpr const char* kStore = "C:\\Users\\me\\AppData\\Local\\VirtualStore\\Windows\\system32";
constexpr auto kLeftOut = static_cast<Finding>(-1);
const NamedSaver kBubbles = {kOther, kOther};
const NamedSaver kGone = {kOther, ""};

StartFinding F(C check, Finding what, Mend mend = kNone, Outcome outcome = kStopsSaver,
               std::string path = "", std::uint32_t seconds = 0, std::uint32_t wait = 0,
               bool onBattery = false) {
  return {check, what, outcome, mend, std::move(path), seconds, wait, onBattery};
}

TEST(StartChecks, EachCheckFindsWhatStopsTheSaverAndOffersItsMend) {
  // Quarlo installed by Setup and chosen, waiting 10 minutes, the display off after 15.
  const S installed = {
      .thisFile = kQuarlo,
      .chosen = {"C:\\WINDOWS\\SysWOW64\\QUARLO.SCR", "c:\\windows\\syswow64\\quarlo.scr"},
      .screenSaveActive = true,
      .timeoutSeconds = 600,
      .displayOffSeconds = 900,
      .settingsFile = "Quarlo.ini",
      .virtualStoreFile = kStore,
      .mayWriteVirtualStore = true};
  const struct {
    std::function<void(S&)> change;
    StartFinding expected;
  } rows[] = {
      {[](S& s) { s.policyActive = "0"; }, F(C::kPolicy, kPolicyOff)},
      {[](S& s) { s.policySaver = kBubbles; },
       F(C::kPolicy, kPolicyOtherSaver, kNone, kStopsSaver, kOther)},
      {[](S& s) { s.policyTimeout = "300"; }, F(C::kWait, kWait, kNone, kFine, "", 300)},
      {[](S& s) { s.screenSaveActive = false; }, F(C::kSavingOn, kSavingOff, kUseQuarlo)},
      {[](S& s) { s.screenSaveActive = false, s.policyActive = "0"; }, F(C::kSavingOn, kSavingOff)},
      {[](S& s) { s.chosen.stored.clear(); }, F(C::kSavingOn, kNoSaverChosen, kUseQuarlo)},
      {[](S&) {}, F(C::kChosenSaver, kQuarloChosen, kNone, kFine)},
      {[](S& s) { s.chosen = kBubbles; },
       F(C::kChosenSaver, kOtherSaverChosen, kUseQuarlo, kStopsSaver, kOther)},
      {[](S& s) { s.chosen = kGone; },
       F(C::kChosenSaver, kChosenFileGone, kUseQuarlo, kStopsSaver, kOther)},
      {[](S& s) { s.displayOffSeconds = s.sleepSeconds = 600, s.onBattery = true; },
       F(C::kPower, kSleepFirst, kOpenPowerOptions, kStopsSaver, "", 600, 600, true)},
      {[](S& s) { s.sleepSeconds = 0, s.policyTimeout = "800"; },
       F(C::kPower, kPowerAfterWait, kNone, kFine)},
      {[](S& s) { s.displayOffSeconds = s.sleepSeconds = std::nullopt; }, F(C::kPower, kLeftOut)},
      {[](S& s) { s.executionState = 6; }, F(C::kDisplayHeld, kDisplayHeld)},
      {[](S& s) { s.mayWriteSettings = s.virtualStoreCopy = true; },
       F(C::kSettingsKept, kSettingsInVirtualStore, kNone, kFine, kStore)},
      {[](S& s) { s.virtualStoreFile.clear(); },
       F(C::kSettingsKept, kSettingsNotKept, kNone, kWorthKnowing, "Quarlo.ini")},
  };
  for (const auto& row : rows) {
    S state = installed;
    row.change(state);
    StartFinding seen = F(row.expected.check, kLeftOut);
    for (const StartFinding& found : CheckStart(state)) {
      if (found.check == seen.check) seen = found;
    }
    EXPECT_EQ(seen, row.expected) << "row " << &row - rows;
  }
  // One finding per check, in the order of the checks: the first that stops the saver leads.
  const std::vector<StartFinding> all = CheckStart(installed);
  ASSERT_EQ(all.size(), 6u);
  for (std::size_t i = 1; i < all.size(); ++i) EXPECT_LT(all[i - 1].check, all[i].check);
}

// A 32-bit program on 64-bit Windows: its System32 is the host's SysWOW64, its Sysnative the
// host's System32, which the host has no other name for.
TEST(StartChecks, OnWow64FilesAreNamedAsTheHostNamesThem) {
  const SystemFolders wow64 = {"C:\\Windows\\system32", "C:\\Windows\\SysWOW64", "C:\\Windows",
                               true};
  EXPECT_EQ(HostPath("C:\\Windows\\System32\\Quarlo.scr", wow64), kQuarlo);
  EXPECT_EQ(HostPath("C:\\Windows\\Sysnative\\Bubbles.scr", wow64), kOther);
  EXPECT_EQ(PathFromHere(kOther, wow64), "C:\\Windows\\Sysnative\\Bubbles.scr");
  EXPECT_EQ(PathFromHere("C:\\Windows\\Sysnative\\Bubbles.scr", wow64), "");
  EXPECT_EQ(HostPath("C:\\Windows\\system32x\\Q.scr", wow64), "C:\\Windows\\system32x\\Q.scr");
}

// What a finding says: its values filled in, minutes counted up, the line naming a file alone.
TEST(StartTexts, EachFindingSaysItsValuesInEitherLanguage) {
  const auto ja = os::kLangIdJapanese, en = os::kLangIdEnglishUs;
  const struct {
    std::uint16_t language;
    StartFinding finding;
    bool line;
    std::string expected;
  } rows[] = {
      {ja, F(C::kWait, kWait, kNone, kFine, "", 420), true,
       "入力がないまま 7 分たつと Quarlo が始まります。"},
      {en, F(C::kWait, kWait, kNone, kFine, "", 60), true,
       "Quarlo starts after 1 minute without input."},
      {en, F(C::kWait, kWait, kNone, kFine, "", 61), false, "It starts after 2 minutes without input."},
      {en, F(C::kChosenSaver, kOtherSaverChosen, kUseQuarlo, kStopsSaver, kOther), true,
       "Another screen saver is chosen: Bubbles.scr"},
      {ja, F(C::kPower, kDisplayOffFirst, kOpenPowerOptions, kStopsSaver, "", 300, 600, true), true,
       "5 分で画面が消えます (ﾊﾞｯﾃﾘｰ使用時)。Quarlo が始まる 10 分より前です。"},
      {en, F(C::kPower, kSleepFirst, kOpenPowerOptions, kStopsSaver, "", 600, 900), true,
       "The PC goes to sleep after 10 minutes, before Quarlo's 15 minutes."},
  };
  for (const auto& row : rows) {
    testing::FakeOs os;
    os.uiLanguage = row.language;
    const Texts texts(os);
    EXPECT_EQ(row.line ? LineText(texts, row.finding) : FindingText(texts, row.finding),
              row.expected)
        << "row " << &row - rows;
  }
  // The list for the clipboard: every finding under its check's title.
  testing::FakeOs os;
  os.uiLanguage = en;
  EXPECT_EQ(ListText(Texts(os), {F(C::kWait, kWait, kNone, kFine, "", 600),
                                 F(C::kMusic, kNoCdDrive, kNone, kWorthKnowing)}),
            "Why Quarlo may not start\r\nWait time: It starts after 10 minutes without input.\r\n"
            "Music: No CD drive is connected.\r\n");
}

}  // namespace

namespace testing {
namespace {

class StartLineTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    os.longPaths = {{"C:\\Saver\\Quarlo.scr", "C:\\Saver\\Quarlo.scr"}, {kOther, kOther}};
  }
  // Opens the dialog on the system as the row sets it, and lets its timer read it.
  Quarlo_P& Read(const std::map<std::string, std::string>& registry) {
    os.registry = registry;
    Quarlo_P& p = Open();
    p.Tmr_Start.RaiseTick();
    EXPECT_FALSE(p.Tmr_Start.Enabled()) << "read once";
    return p;
  }
};

const std::string kChosen = std::string(kDesktopKey) + "\\" + kSaverValue;

TEST_F(StartLineTest, TheLineSaysWhatStopsTheSaverAndItsMendMakesQuarloTheSaver) {
  const struct {
    std::map<std::string, std::string> registry;
    std::string line;
    std::string mend;  // the button's caption; empty: no button
  } rows[] = {
      {{{kChosen, kOther}}, "別のｽｸﾘｰﾝ ｾｰﾊﾞｰが選ばれています: Bubbles.scr", "Quarlo を使う"},
      {{{kChosen, "C:\\Saver\\Quarlo.scr"}}, "入力がないまま 10 分たつと Quarlo が始まります。", ""},
  };
  for (const auto& row : rows) {
    Quarlo_P& p = Read(row.registry);
    EXPECT_EQ(p.lbl_Start.Caption(), row.line);
    EXPECT_EQ(p.Cmd_Mend.Visible(), !row.mend.empty());
    if (!row.mend.empty()) {
      EXPECT_EQ(p.Cmd_Mend.GetCaption(), row.mend);
    }
  }

  // Use Quarlo, pressed from the keyboard: the checks run again, and the line, which says when
  // the saver starts now, has the keyboard once the button is gone.
  Quarlo_P& p = Read({{kChosen, kOther}});
  p.Cmd_Mend.PerformClick();
  EXPECT_EQ(p.lbl_Start.Caption(), "入力がないまま 10 分たつと Quarlo が始まります。");
  EXPECT_FALSE(p.Cmd_Mend.Visible());
  EXPECT_EQ(backend->focused, &p.lbl_Start);
}

TEST_F(StartLineTest, TheLineOpensTheWholeListWhoseCopyPutsItOnTheClipboard) {
  Quarlo_P& p = Read({{kChosen, kOther}});
  p.lbl_Start.RaiseClick();
  ASSERT_NE(p.List(), nullptr);
  StartList& list = *p.List();
  ASSERT_TRUE(list.Visible());
  EXPECT_EQ(list.Owner(), &p);
  EXPECT_EQ(fw::Describe(*list.lbl_Found[2]).name,
            "選ばれているｽｸﾘｰﾝ ｾｰﾊﾞｰ: 別のｽｸﾘｰﾝ ｾｰﾊﾞｰが選ばれています: " + std::string(kOther));
  const std::size_t rows = p.Findings().size();
  EXPECT_TRUE(list.lbl_Found[rows - 1]->Visible());
  EXPECT_FALSE(list.lbl_Found[rows]->Visible()) << "the power plan's check is left out";

  // The items are one stop whose arrows go along them; Escape closes the window.
  const auto shown = [](const fw::Control& c) { return c.Visible() && c.Available(); };
  using fw::Key;
  EXPECT_EQ(fw::DialogKey(list, nullptr, Key::Tab, shown)->focus, list.lbl_Found[0].get());
  const auto down = fw::DialogKey(list, list.lbl_Found[0].get(), Key::Down, shown);
  EXPECT_EQ(down->focus, list.lbl_Found[1].get());
  EXPECT_EQ(down->press, nullptr);
  EXPECT_EQ(fw::DialogKey(list, list.lbl_Found[rows - 1].get(), Key::Down, shown)->focus,
            list.lbl_Found[0].get());
  EXPECT_EQ(fw::DialogKey(list, list.lbl_Found[1].get(), Key::Tab, shown)->focus, &list.Cmd_Copy);
  EXPECT_EQ(fw::DialogKey(list, list.lbl_Found[1].get(), Key::BackTab, shown)->focus,
            &list.Cmd_Close);
  EXPECT_EQ(fw::DialogKey(list, &list.Cmd_Copy, Key::Escape, shown)->press, &list.Cmd_Close);

  os.clearCalls();
  list.Cmd_Copy.PerformClick();
  const std::string text = os.clipboard.value_or("");
  EXPECT_EQ(os.calls(), lines({"OpenClipboard(" + std::to_string(list.hWnd()) + ")",
                               "EmptyClipboard()", "SetClipboardData(13, \"" + text + "\")",
                               "CloseClipboard()"}));
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "Quarlo が始まらないときは");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(rows + 1));

  // The dialog takes the list with it when it closes.
  p.Cmd_Can_Click();
  EXPECT_FALSE(list.IsLoaded());
}

}  // namespace
}  // namespace testing
}  // namespace quarlo
