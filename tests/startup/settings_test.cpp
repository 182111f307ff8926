#include "startup/settings.h"

#include <gtest/gtest.h>

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

TEST_F(LoadSettingsTest, ReadsTheFourKeysInOrderFromTheFileBesideTheProgram) {
  Load();
  EXPECT_EQ(os.callsStartingWith("GetPrivateProfileStringA"),
            lines({
                "GetPrivateProfileStringA(\"Section\", \"Quarloの数\", \"\", buffer, 256, "
                "\"C:\\Saver\\Quarlo.ini\")",
                "GetPrivateProfileStringA(\"Section\", \"BGM区分\", \"\", buffer, 256, "
                "\"C:\\Saver\\Quarlo.ini\")",
                "GetPrivateProfileStringA(\"Section\", \"BGMﾘﾋﾟｰﾄ\", \"\", buffer, 256, "
                "\"C:\\Saver\\Quarlo.ini\")",
                "GetPrivateProfileStringA(\"Section\", \"BGMﾌｧｲﾙ\", \"\", buffer, 256, "
                "\"C:\\Saver\\Quarlo.ini\")",
            }));
}

TEST_F(LoadSettingsTest, NumbersAreFlooredAndBadOnesKeepThePreviousValue) {
  const struct {
    const char* text;
    std::int16_t expected;
  } cases[] = {
      {" 50", 50},     {"50", 50},   {"12.9", 12},     {"-3.5", -4},       {"abc", 0},
      {"40000", 0},    {"", 50},     {"32767", 32767}, {"-32768", -32768}, {"32767.9", 32767},
      {"-32768.1", 0}, {"  7  ", 7}, {"&H10", 16},
  };
  for (const auto& c : cases) {
    ResetSaverSettings();
    Store(kKeySpriteCount, c.text);
    EXPECT_EQ(Load().SpriteCount, c.expected) << "\"" << c.text << "\"";
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

TEST_F(LoadSettingsTest, FileSourceFallsBackWhenTheMusicFileIsMissing) {
  Store(kKeyMusicSource, " 2");
  Store(kKeyMusicFile, "C:\\Music\\gone.mp3");
  const Settings& s = Load();
  EXPECT_EQ(s.MusicSource, 0);
  EXPECT_EQ(s.MusicFile, "");
  EXPECT_EQ(os.profiles[kIni]["Section"][kKeyMusicSource], " 2");  // the file is untouched
  EXPECT_TRUE(os.callsStartingWith("WritePrivateProfileStringA").empty());
}

TEST_F(LoadSettingsTest, FileSourceWithoutAFileKeyFallsBack) {
  Store(kKeyMusicSource, " 2");
  EXPECT_EQ(Load().MusicSource, 0);
}

TEST_F(LoadSettingsTest, CdSourceKeepsItsSourceWhenTheFileIsMissing) {
  Store(kKeyMusicSource, " 1");
  Store(kKeyMusicFile, "C:\\Music\\gone.mp3");
  const Settings& s = Load();
  EXPECT_EQ(s.MusicSource, 1);
  EXPECT_EQ(s.MusicFile, "");
}

TEST_F(LoadSettingsTest, AnExistingFileIsKeptAndAnUnknownSourceLoadsAsIs) {
  Store(kKeyMusicSource, " 7");
  Store(kKeyMusicFile, "C:\\Music\\曲 1.mp3");
  os.readableFiles.insert("C:\\Music\\曲 1.mp3");
  const Settings& s = Load();
  EXPECT_EQ(s.MusicSource, 7);
  EXPECT_EQ(s.MusicFile, "C:\\Music\\曲 1.mp3");
}

TEST_F(LoadSettingsTest, APathEndingInABackslashIsTestedWithoutIt) {
  Store(kKeyMusicSource, " 2");
  Store(kKeyMusicFile, "C:\\Music\\theme.mp3\\");
  os.readableFiles.insert("C:\\Music\\theme.mp3");
  const Settings& s = Load();
  EXPECT_EQ(s.MusicSource, 2);
  EXPECT_EQ(s.MusicFile, "C:\\Music\\theme.mp3\\");
  EXPECT_EQ(os.callsStartingWith("CanOpenForReading"),
            lines({"CanOpenForReading(\"C:\\Music\\theme.mp3\")"}));
}

TEST_F(LoadSettingsTest, LongValuesAreCutTo255Bytes) {
  Store(kKeyMusicFile, std::string(300, 'a'));
  os.readableFiles.insert(std::string(255, 'a'));
  EXPECT_EQ(Load().MusicFile, std::string(255, 'a'));
}

TEST(SettingsPath, SitsBesideTheExecutableWithTwoBackslashesAtADriveRoot) {
  FakeOs os;
  EXPECT_EQ(SettingsPath(os), "C:\\Saver\\Quarlo.ini");
  os.moduleFileName = "D:\\Quarlo.scr";
  EXPECT_EQ(AppPath(os), "D:\\");
  EXPECT_EQ(SettingsPath(os), "D:\\\\Quarlo.ini");
  os.moduleFileName = "C:\\Windows\\System32\\スクリーン\\Quarlo.scr";
  EXPECT_EQ(SettingsPath(os), "C:\\Windows\\System32\\スクリーン\\Quarlo.ini");
}

TEST(WriteIniValue, PassesTheTextsUnchangedAndNamesCutTo127Characters) {
  FakeOs os;
  WriteIniValue(os, "Section", "Quarloの数", " 50", kIni);
  WriteIniValue(os, "Section", std::string(200, 'k'), "x", kIni);
  ASSERT_EQ(os.calls().size(), 2u);
  EXPECT_EQ(os.calls()[0],
            "WritePrivateProfileStringA(\"Section\", \"Quarloの数\", \" 50\", "
            "\"C:\\Saver\\Quarlo.ini\")");
  EXPECT_EQ(os.calls()[1], "WritePrivateProfileStringA(\"Section\", \"" + std::string(127, 'k') +
                               "\", \"x\", \"C:\\Saver\\Quarlo.ini\")");
}

TEST(WriteIniValue, NeverWritesAValueThatWouldBreakTheFile) {
  FakeOs os;
  os.profiles[kIni]["Section"][kKeyMusicFile] = "C:\\old.mp3";
  WriteIniValue(os, "Section", kKeyMusicFile, "C:\\a.mp3\r\n[Section]\r\nQuarloの数=9", kIni);
  EXPECT_TRUE(os.calls().empty());
  EXPECT_EQ(os.profiles[kIni]["Section"][kKeyMusicFile], "C:\\old.mp3");
}

TEST(FileExists, AsksTheSystemOnceWithoutTheTrailingBackslash) {
  FakeOs os;
  os.readableFiles.insert("C:\\x.wav");
  EXPECT_TRUE(FileExists(os, "C:\\x.wav\\"));
  EXPECT_TRUE(FileExists(os, "C:\\x.wav"));
  EXPECT_FALSE(FileExists(os, "C:\\y.wav"));
  EXPECT_FALSE(FileExists(os, ""));
}

}  // namespace
}  // namespace quarlo
