#include "settings_dialog/start_checks.h"

#include <gtest/gtest.h>

#include <functional>

#include "settings/settings.h"

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

}  // namespace
}  // namespace quarlo
