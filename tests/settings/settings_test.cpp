#include "settings/settings.h"

#include <gtest/gtest.h>

#include "rules/text.h"
#include "support/fake_os.h"

namespace quarlo {
namespace {

using testing::FakeOs;
using testing::lines;

constexpr const char* kIni = "C:\\Saver\\Quarlo.ini";

class LoadSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetSaverSettings(); }

  void Store(const char* key, const std::string& value) {
    os.profiles[kIni]["Section"][key] = value;
  }

  const Settings& Load() {
    LoadSettings(os);
    return SaverSettings();
  }

  FakeOs os;
};

TEST_F(LoadSettingsTest, MissingFileGivesTheDefaults) {
  const Settings& s = Load();
  EXPECT_EQ(s.SpriteCount, 50);
  EXPECT_EQ(s.MusicSource, 0);
  EXPECT_EQ(s.RepeatTrack, 0);
  EXPECT_EQ(s.MusicFile, "");
}

TEST_F(LoadSettingsTest, ReadsTheKeysInOrderFromTheFileBesideTheProgram) {
  Load();
  EXPECT_EQ(os.callsStartingWith("GetPrivateProfileStringW"),
            lines({
                "GetPrivateProfileStringW(\"Section\", \"Quarloの数\", \"\", buffer, 256, "
                "\"C:\\Saver\\Quarlo.ini\")",
                "GetPrivateProfileStringW(\"Section\", \"BGM区分\", \"\", buffer, 256, "
                "\"C:\\Saver\\Quarlo.ini\")",
                "GetPrivateProfileStringW(\"Section\", \"BGMﾘﾋﾟｰﾄ\", \"\", buffer, 256, "
                "\"C:\\Saver\\Quarlo.ini\")",
                "GetPrivateProfileStringW(\"Section\", \"BGMﾌｧｲﾙ\", \"\", buffer, 256, "
                "\"C:\\Saver\\Quarlo.ini\")",
                "GetPrivateProfileStringW(\"Section\", \"全ﾓﾆﾀｰ\", \"\", buffer, 256, "
                "\"C:\\Saver\\Quarlo.ini\")",
            }));
}

TEST_F(LoadSettingsTest, NumbersAreFlooredAndBadOnesKeepThePreviousValue) {
  const struct {
    const char* text;
    std::int16_t expected;
    Bool16 everyMonitor;  // the text stored as EveryMonitor: on for any number but zero
  } cases[] = {
      {" 50", 50, -1},        {"50", 50, -1},         {"12.9", 12, -1},    {"-3.5", -4, -1},
      {"abc", 0, 0},          {"40000", 0, -1},       {"", 50, 0},         {"32767", 32767, -1},
      {"-32768", -32768, -1}, {"32767.9", 32767, -1}, {"-32768.1", 0, -1}, {"  7  ", 7, -1},
      {"&H10", 16, -1},       {" 0", 0, 0},           {"0.4", 0, -1},      {"-0", 0, 0},
  };
  for (const auto& c : cases) {
    ResetSaverSettings();
    Store(kKeySpriteCount, c.text);
    Store(kKeyEveryMonitor, c.text);
    EXPECT_EQ(Load().SpriteCount, c.expected) << "\"" << c.text << "\"";
    EXPECT_EQ(SaverSettings().EveryMonitor, c.everyMonitor) << "\"" << c.text << "\"";
  }
}

TEST_F(LoadSettingsTest, AFailedConversionKeepsWhatTheRecordAlreadyHeld) {
  SaverSettings().SpriteCount = 123;
  Store(kKeySpriteCount, "abc");
  Store(kKeyMusicSource, "x");
  SaverSettings().MusicSource = 1;
  EXPECT_EQ(Load().SpriteCount, 123);
  EXPECT_EQ(SaverSettings().MusicSource, 1);
}

// The file may be on a drive that is away: it is the user's choice still, and the saver asks.
TEST_F(LoadSettingsTest, AMusicFileThatCannotBeOpenedNowIsKept) {
  Store(kKeyMusicSource, " 2");
  Store(kKeyMusicFile, "Q:\\away\\song.mp3");
  const Settings& s = Load();
  EXPECT_EQ(s.MusicSource, 2);
  EXPECT_EQ(s.MusicFile, "Q:\\away\\song.mp3");
  EXPECT_TRUE(os.callsStartingWith("CanOpenForReading").empty());
  EXPECT_TRUE(os.callsStartingWith("WritePrivateProfileStringW").empty());
}

TEST_F(LoadSettingsTest, FileSourceWithoutAFileKeyFallsBack) {
  Store(kKeyMusicSource, " 2");
  EXPECT_EQ(Load().MusicSource, 0);
}

TEST_F(LoadSettingsTest, CdSourceKeepsItsSourceAndTheFile) {
  Store(kKeyMusicSource, " 1");
  Store(kKeyMusicFile, "C:\\Music\\gone.mp3");
  const Settings& s = Load();
  EXPECT_EQ(s.MusicSource, 1);
  EXPECT_EQ(s.MusicFile, "C:\\Music\\gone.mp3");
}

TEST_F(LoadSettingsTest, AnExistingFileIsKeptAndAnUnknownSourceLoadsAsIs) {
  Store(kKeyMusicSource, " 7");
  Store(kKeyMusicFile, "C:\\Music\\曲 1.mp3");
  const Settings& s = Load();
  EXPECT_EQ(s.MusicSource, 7);
  EXPECT_EQ(s.MusicFile, "C:\\Music\\曲 1.mp3");
}

TEST_F(LoadSettingsTest, APathEndingInABackslashIsKeptAsItIs) {
  Store(kKeyMusicSource, " 2");
  Store(kKeyMusicFile, "C:\\Music\\theme.mp3\\");
  const Settings& s = Load();
  EXPECT_EQ(s.MusicSource, 2);
  EXPECT_EQ(s.MusicFile, "C:\\Music\\theme.mp3\\");
}

// Only a hand-edited file gives a path the file cannot hold as it is; saved back, it would change.
TEST_F(LoadSettingsTest, APathTheFileCannotHoldAsItIsCountsAsMissing) {
  for (const char* stored : {"\" C:\\a.mp3\"", "'C:\\a.mp3 '", "\"\"C:\\a.mp3\"\""}) {
    ResetSaverSettings();
    Store(kKeyMusicSource, " 2");
    Store(kKeyMusicFile, stored);
    const Settings& s = Load();
    EXPECT_EQ(s.MusicFile, "") << stored;
    EXPECT_EQ(s.MusicSource, 0) << stored;
  }
  Store(kKeyMusicFile, "\"C:\\a.mp3\"");  // quotes round a plain path read as the path
  EXPECT_EQ(Load().MusicFile, "C:\\a.mp3");
}

TEST_F(LoadSettingsTest, LongValuesAreCutTo255Characters) {
  Store(kKeyMusicFile, std::string(300, 'a'));
  EXPECT_EQ(Load().MusicFile, std::string(255, 'a'));
  std::string kana;
  for (int i = 0; i < 300; ++i) kana += "の";
  Store(kKeyMusicFile, kana);
  EXPECT_EQ(CharacterCount(ReadIniValue(os, kSection, kKeyMusicFile, kIni)), 255u);
}

// A file written on a Japanese system, read on each code page: on 932 and 1252 the key names
// are the same bytes, so the settings come through; UTF-8 cannot read those bytes.
TEST_F(LoadSettingsTest, AFileWrittenInCodePage932ReadsOnEveryCodePageThatCarriesItsBytes) {
  const std::string file =
      "[Section]\r\nQuarlo\x82\xcc\x90\x94= 120\r\nBGM\x8b\xe6\x95\xaa= 1\r\n"
      "BGM\xd8\xcb\xdf\xb0\xc4= 7\r\nBGM\xcc\xa7\xb2\xd9=C:\\Music\\a.mp3\r\n";
  const struct {
    std::uint32_t codePage;
    std::int16_t count, source, track;
  } cases[] = {{932, 120, 1, 7}, {1252, 120, 1, 7}, {65001, 50, 0, 0}};
  for (const auto& c : cases) {
    ResetSaverSettings();
    os.codePage = c.codePage;
    os.LoadProfileFile(kIni, file);
    const Settings& s = Load();
    EXPECT_EQ(s.SpriteCount, c.count) << c.codePage;
    EXPECT_EQ(s.MusicSource, c.source) << c.codePage;
    EXPECT_EQ(s.RepeatTrack, c.track) << c.codePage;
    EXPECT_EQ(s.MusicFile, c.count == 50 ? "" : "C:\\Music\\a.mp3") << c.codePage;
  }
}

// What one run writes the next reads back, on every code page, with the key names in the bytes
// a Japanese system writes wherever the code page carries them.
TEST_F(LoadSettingsTest, WrittenSettingsReadBackOnEveryCodePage) {
  const struct {
    std::uint32_t codePage;
    const char* music;
    const char* countKeyBytes;  // the first key name as the file holds it
  } cases[] = {
      {932, "C:\\曲\\夜&朝.mp3", "Quarlo\x82\xcc\x90\x94"},
      {1252, "C:\\Müsik\\Café.mp3", "Quarlo\x82\xcc\x90\x94"},
      {65001, "C:\\Олег\\曲.mp3", "Quarlo\xe3\x81\xae\xe6\x95\xb0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePage);
    FakeOs fresh;
    fresh.codePage = c.codePage;
    WriteIniValue(fresh, kSection, kKeySpriteCount, "-3", kIni);
    WriteIniValue(fresh, kSection, kKeyMusicSource, " 2", kIni);
    WriteIniValue(fresh, kSection, kKeyRepeatTrack, " 12", kIni);
    WriteIniValue(fresh, kSection, kKeyMusicFile, c.music, kIni);
    EXPECT_EQ(fresh.ToAnsi(KeyInFile(fresh, kKeySpriteCount)), c.countKeyBytes);
    ResetSaverSettings();
    LoadSettings(fresh);
    const Settings& s = SaverSettings();
    EXPECT_EQ(s.SpriteCount, -3);
    EXPECT_EQ(s.MusicSource, 2);
    EXPECT_EQ(s.RepeatTrack, 12);
    EXPECT_EQ(s.MusicFile, c.music);
  }
}

TEST(KeyInFile, IsTheShiftJisNameReadInTheCodePageWhereverItCarriesTheBytes) {
  const struct {
    std::uint32_t codePage;
    const char* key;
    const char* passed;  // what the wide profile functions get
  } cases[] = {
      {932, kKeySpriteCount, "Quarloの数"},
      {932, kKeyMusicSource, "BGM区分"},
      {932, kKeyRepeatTrack, "BGMﾘﾋﾟｰﾄ"},
      {932, kKeyMusicFile, "BGMﾌｧｲﾙ"},
      {1252, kKeySpriteCount, "Quarlo\u201a\u00cc\u0090\u201d"},
      {1252, kKeyMusicSource, "BGM\u2039\u00e6\u2022\u00aa"},
      {1252, kKeyRepeatTrack, "BGM\u00d8\u00cb\u00df\u00b0\u00c4"},
      {1252, kKeyMusicFile, "BGM\u00cc\u00a7\u00b2\u00d9"},
      {1252, kKeyEveryMonitor, "\u2018S\u00d3\u00c6\u00c0\u00b0"},
      // UTF-8 cannot carry the bytes: the names go as text.
      {65001, kKeySpriteCount, "Quarloの数"},
      {65001, kKeyMusicFile, "BGMﾌｧｲﾙ"},
      // Any other name is passed as it is.
      {1252, "Other", "Other"},
  };
  for (const auto& c : cases) {
    FakeOs os;
    os.codePage = c.codePage;
    EXPECT_EQ(KeyInFile(os, c.key), c.passed) << c.codePage << " " << c.key;
  }
}

TEST(SettingsPath, SitsBesideTheExecutableWithTwoBackslashesAtADriveRoot) {
  FakeOs os;
  EXPECT_EQ(SettingsPath(os), "C:\\Saver\\Quarlo.ini");
  os.moduleFileName = "D:\\Quarlo.scr";
  EXPECT_EQ(AppPath(os), "D:\\");
  EXPECT_EQ(SettingsPath(os), "D:\\\\Quarlo.ini");
  os.moduleFileName = "C:\\Windows\\System32\\スクリーン\\Quarlo.scr";
  EXPECT_EQ(SettingsPath(os), "C:\\Windows\\System32\\スクリーン\\Quarlo.ini");
  // A folder the code page cannot hold reaches the wide profile functions unchanged.
  os.codePage = 1252;
  os.moduleFileName = "C:\\Users\\Олег\\Quarlo.scr";
  LoadSettings(os);
  EXPECT_EQ(
      os.callsStartingWith("GetPrivateProfileStringW").front(),
      "GetPrivateProfileStringW(\"Section\", \"Quarlo\u201a\u00cc\u0090\u201d\", \"\", buffer, "
      "256, \"C:\\Users\\Олег\\Quarlo.ini\")");
}

TEST(WriteIniValue, PassesTheTextsUnchangedAndNamesCutTo127Characters) {
  FakeOs os;
  WriteIniValue(os, "Section", "Quarloの数", " 50", kIni);
  WriteIniValue(os, "Section", std::string(200, 'k'), "x", kIni);
  ASSERT_EQ(os.calls().size(), 2u);
  EXPECT_EQ(os.calls()[0],
            "WritePrivateProfileStringW(\"Section\", \"Quarloの数\", \" 50\", "
            "\"C:\\Saver\\Quarlo.ini\")");
  EXPECT_EQ(os.calls()[1], "WritePrivateProfileStringW(\"Section\", \"" + std::string(127, 'k') +
                               "\", \"x\", \"C:\\Saver\\Quarlo.ini\")");
}

TEST(WriteIniValue, NeverWritesAValueThatWouldBreakTheFile) {
  FakeOs os;
  os.profiles[kIni]["Section"][kKeyMusicFile] = "C:\\old.mp3";
  WriteIniValue(os, "Section", kKeyMusicFile, "C:\\a.mp3\r\n[Section]\r\nQuarloの数=9", kIni);
  EXPECT_TRUE(os.calls().empty());
  EXPECT_EQ(os.profiles[kIni]["Section"][kKeyMusicFile], "C:\\old.mp3");
}

// Only a value that reads back unchanged is written: in the code page, without a line break, not
// enclosed in the quotes the reader drops.
TEST(SettingsFileCanHold, WhatReadsBackUnchanged) {
  const struct {
    std::uint32_t codePage;
    const char* value;
    bool holds;
  } cases[] = {
      {932, "C:\\曲集\\夜&朝.mp3", true},
      {1252, "C:\\曲集\\夜&朝.mp3", false},
      {1252, "C:\\Müsik\\Café.mp3", true},
      {932, "C:\\Müsik\\Café.mp3", false},
      {1252, "C:\\Олег\\a.mp3", false},
      {65001, "C:\\Олег\\曲.mp3", true},
      {1252, "C:\\it's\\a.mp3", true},
      {1252, "'C:\\a.mp3'", false},
      {1252, "\"C:\\a.mp3\"", false},
      {1252, "\"", true},
      {1252, "a\rb", false},
      {1252, "C:\\a.mp3\v", false},  // the reader would drop it like a blank
      {1252, "C:\\a.mp3 ", false},
      {932, " C:\\a.mp3", false},
      {932, "", true},
  };
  for (const auto& c : cases) {
    FakeOs os;
    os.codePage = c.codePage;
    EXPECT_EQ(SettingsFileCanHold(os, c.value), c.holds) << c.codePage << " " << c.value;
  }
}

TEST(FileExists, AsksTheSystemOnceWithoutTheTrailingBackslash) {
  FakeOs os;
  os.readableFiles.insert("C:\\x.wav");
  EXPECT_TRUE(FileExists(os, "C:\\x.wav\\"));
  EXPECT_TRUE(FileExists(os, "C:\\x.wav"));
  EXPECT_FALSE(FileExists(os, "C:\\y.wav"));
  EXPECT_FALSE(FileExists(os, ""));
  // A name the code page cannot hold is never asked for: "?" in its place could name another file.
  os.codePage = 1252;
  os.everyFileReadable = true;
  os.clearCalls();
  EXPECT_FALSE(FileExists(os, "C:\\Олег\\a.wav"));
  EXPECT_TRUE(os.calls().empty());
  EXPECT_TRUE(FileExists(os, "C:\\Müsik\\a.wav"));
}

}  // namespace
}  // namespace quarlo
