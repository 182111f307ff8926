#include "startup/quarlo_b.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "os/command_line.h"
#include "settings/settings.h"
#include "support/fake_os.h"

namespace quarlo {
namespace {

using testing::FakeOs;
using testing::lines;

class RecordingFaces : public Faces {
 public:
  void StartPreview(const std::string& commandText) override { opened = "preview:" + commandText; }
  void ShowSettingsDialog() override { opened = "dialog"; }
  void LoadSaver() override { opened = "saver"; }
  std::string opened;
};

// One start of the program with a given command text.
struct Launch {
  explicit Launch(const std::string& commandText) {
    ResetSaverSettings();
    os.commandText = commandText;
  }
  std::string Run() {
    Main(os, faces);
    return faces.opened;
  }
  // The cursor and system-flag calls, in order.
  std::vector<std::string> CursorAndFlagCalls() const {
    std::vector<std::string> found;
    for (const auto& line : os.calls()) {
      if (line.rfind("ShowCursor", 0) == 0 || line.rfind("SystemParametersInfoA", 0) == 0) {
        found.push_back(line);
      }
    }
    return found;
  }
  bool ReadSettings() const { return !os.callsStartingWith("GetPrivateProfileStringW").empty(); }

  FakeOs os;
  RecordingFaces faces;
};

TEST(Main, SaverSwitchesHideTheCursorAndSetTheRunningFlag) {
  for (const char* text : {"/s", "/S", "-s", "xs", "/s 12345", "/Sfoo"}) {
    Launch fresh(text);
    EXPECT_EQ(fresh.Run(), "saver") << text;
    EXPECT_EQ(fresh.CursorAndFlagCalls(),
              lines({"ShowCursor(FALSE)", "SystemParametersInfoA(97, -1, NULL, 0)"}))
        << text;
    EXPECT_FALSE(fresh.os.exited()) << text;
  }
}

TEST(Main, EmptyCommandStartsTheSaverWithoutTouchingCursorOrFlag) {
  Launch launch("");
  EXPECT_EQ(launch.Run(), "saver");
  EXPECT_TRUE(launch.CursorAndFlagCalls().empty());
  EXPECT_TRUE(launch.ReadSettings());
  EXPECT_EQ(SaverSettings().SpriteCount, 50);
}

TEST(Main, PreviewSwitchesStartThePreviewWithoutReadingSettings) {
  for (const char* text : {"/p 1234", "/P:1234", "-p 1234", "/p1234"}) {
    Launch fresh(text);
    EXPECT_EQ(fresh.Run(), std::string("preview:") + text);
    EXPECT_FALSE(fresh.ReadSettings()) << text;
    EXPECT_TRUE(fresh.CursorAndFlagCalls().empty()) << text;
    EXPECT_FALSE(fresh.os.exited()) << text;
  }
}

TEST(Main, SettingsSwitchesShowTheDialogThenEndTheProcess) {
  for (const char* text : {"/c", "/c:4711", "/C", "-c 99"}) {
    Launch fresh(text);
    EXPECT_EQ(fresh.Run(), "dialog") << text;
    EXPECT_EQ(fresh.os.exitCode(), 0u) << text;
    EXPECT_TRUE(fresh.ReadSettings()) << text;
    EXPECT_TRUE(fresh.CursorAndFlagCalls().empty()) << text;
  }
}

TEST(Main, OtherSwitchesLoadSettingsAndEndSilently) {
  for (const char* text : {"/a", "s", "/", "x", "/x 1", " /s", "\x01\x02", "/の"}) {
    Launch fresh(text);
    EXPECT_EQ(fresh.Run(), "") << text;
    EXPECT_EQ(fresh.os.exitCode(), 0u) << text;
    EXPECT_TRUE(fresh.ReadSettings()) << text;
    EXPECT_TRUE(fresh.CursorAndFlagCalls().empty()) << text;
  }
}

// The windows carry their titles in UTF-16, so the test finds them whatever the ANSI code page.
TEST(Main, AnotherCopysWindowEndsEveryModeBeforeAnythingElse) {
  for (const std::uint32_t codePage : {932u, 1252u, 65001u}) {
    for (const char* title : {kSaverTitle, kDialogTitle, kDialogTitleEnglish}) {
      for (const char* text : {"/s", "/p 1234", "/c", ""}) {
        Launch fresh(text);
        fresh.os.codePage = codePage;
        fresh.os.windowsByTitle[title] = 77;
        EXPECT_EQ(fresh.Run(), "") << codePage << " " << title << " " << text;
        EXPECT_EQ(fresh.os.calls(),
                  lines({"FindWindowW(NULL, \"Quarlo_Main\")",
                         "FindWindowW(NULL, \"Quarloの設定\")",
                         "FindWindowW(NULL, \"Quarlo Settings\")", "ExitProcess(0)"}))
            << codePage << " " << title << " " << text;
      }
    }
  }
}

TEST(Main, BothInstanceTestsComeFirstAndInOrder) {
  Launch launch("/s");
  launch.Run();
  ASSERT_GE(launch.os.calls().size(), 3u);
  EXPECT_EQ(launch.os.calls()[0], "FindWindowW(NULL, \"Quarlo_Main\")");
  EXPECT_EQ(launch.os.calls()[1], "FindWindowW(NULL, \"Quarloの設定\")");
  EXPECT_EQ(launch.os.calls()[2], "FindWindowW(NULL, \"Quarlo Settings\")");
}

TEST(Main, EveryFaceSetsTheQuietErrorModeBeforeAnyFileIsTouched) {
  // SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX: no "No disk" box for a music path on an
  // empty removable drive.
  const std::string errorMode = "SetErrorMode(0x8001)";
  for (const char* text : {"/s", "", "/c", "/a", "/p 1234"}) {
    Launch fresh(text);
    fresh.Run();
    const auto& calls = fresh.os.calls();
    const auto set = std::find(calls.begin(), calls.end(), errorMode);
    ASSERT_NE(set, calls.end()) << text;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), errorMode), 1) << text;
    const auto firstFile = std::find_if(calls.begin(), calls.end(), [](const std::string& line) {
      return line.rfind("GetPrivateProfileStringA", 0) == 0 ||
             line.rfind("CanOpenForReading", 0) == 0;
    });
    EXPECT_LT(set, firstFile) << text;
  }
}

TEST(Main, LongAndHostileCommandTextsNeverBreakTheDispatch) {
  Launch refused(std::string(10000, 'x'));
  EXPECT_EQ(refused.Run(), "");
  EXPECT_TRUE(refused.os.exited());
  Launch saver("/s" + std::string(10000, '\x7f'));
  EXPECT_EQ(saver.Run(), "saver");
}

TEST(SwitchCharacter, IsTheSecondCharacterUpperCased) {
  EXPECT_EQ(SwitchCharacter("/s"), "S");
  EXPECT_EQ(SwitchCharacter("s"), "");
  EXPECT_EQ(SwitchCharacter(""), "");
  EXPECT_EQ(SwitchCharacter("のp"), "P");
  EXPECT_EQ(SwitchCharacter("/の"), "の");
}

TEST(ArgumentText, SkipsTheProgramPathAsTheRuntimeDoes) {
  const struct {
    std::string line;
    const char* text;
  } cases[] = {
      {"\"C:\\Saver\\Quarlo.scr\" /s", "/s"},
      {"C:\\Saver\\Quarlo.scr /p 1234", "/p 1234"},
      {"\"C:\\Program Files\\Quarlo.scr\"   /c:4711", "/c:4711"},
      {"C:\\\"Program Files\"\\Quarlo.scr /s", "/s"},  // a quoted part inside the path
      {"\"C:\\a b\\Quarlo.scr\"/s", ""},               // the path goes on after its quotes
      {"\"C:\\a b /s", ""},                            // an unclosed quote takes the whole line
      {"Quarlo.scr\t/s", "/s"},
      {"Quarlo.scr \x01\x1f /s", "/s"},  // control characters separate like blanks
      {"C:\\スクリーン\\Quarlo.scr /s", "/s"},
      {"Quarlo.scr /s  x ", "/s  x "},
      {std::string("Quarlo.scr /s\0/c", 16), "/s"},
      {"Quarlo.scr", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(os::ArgumentText(c.line), c.text) << c.line;
}

TEST(PreviewHostHandle, ReadsFromTheFourthCharacter) {
  const struct {
    const char* text;
    std::int32_t handle;
  } cases[] = {
      {"/p 1234", 1234}, {"/P:1234", 1234}, {"-p 1234", 1234},     {"/p1234", 234},
      {"/p garbage", 0}, {"/p", 0},         {"/p 0", 0},           {"/p -5", -5},
      {"/p 12.5", 12},   {"/p 13.5", 14},   {"/p 99999999999", 0}, {"/p 2147483647", 2147483647},
      {"/p  \t77x", 77},
  };
  for (const auto& c : cases) EXPECT_EQ(PreviewHostHandle(c.text), c.handle) << c.text;
}

TEST(EnableSystemKeys, PassesTheComplementOfTheFlag) {
  FakeOs os;
  EnableSystemKeys(os, kFalse);
  EnableSystemKeys(os, kTrue);
  EXPECT_EQ(os.calls(), lines({"SystemParametersInfoA(97, -1, NULL, 0)",
                               "SystemParametersInfoA(97, 0, NULL, 0)"}));
}

}  // namespace
}  // namespace quarlo
