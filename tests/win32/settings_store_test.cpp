// The settings store against the real profile functions, in code page 932 (the e2e tests run it
// in code page 1252 too).

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "music/plain_copy.h"
#include "os/win32/win32_os.h"
#include "settings/settings.h"

namespace quarlo {
namespace {

// The real system, except that the program appears to live in a test folder.
class RelocatedOs : public os::Win32Os {
 public:
  explicit RelocatedOs(std::string module) : module_(std::move(module)) {}
  std::string ModuleFileName() override { return module_; }

 private:
  std::string module_;
};

std::string TempFolder() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  std::string folder = std::string(base) + "quarlo-store-" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 932u) << "these tests need the Japanese ANSI code page (LANG=ja_JP.UTF-8)";
    ResetSaverSettings();
    DeleteFileA(ini.c_str());
  }
  void TearDown() override { DeleteFileA(ini.c_str()); }

  // A settings file in code page 932, given as UTF-8 lines.
  void StoreFile(const std::string& utf8) { WriteBytes(ini, os.ToAnsi(utf8)); }

  std::string folder = TempFolder();
  RelocatedOs os{folder + "\\Quarlo.scr"};
  std::string ini = folder + "\\Quarlo.ini";
};

TEST_F(SettingsStoreTest, KeyNamesAreWrittenInCodePage932) {
  for (const char* key : {kKeySpriteCount, kKeyMusicSource, kKeyRepeatTrack}) {
    WriteIniValue(os, kSection, key, "1", SettingsPath(os));
  }
  WriteIniValue(os, kSection, kKeyMusicFile, "C:\\曲\\a b.mp3", SettingsPath(os));
  const std::string bytes = ReadBytes(ini);
  EXPECT_NE(bytes.find("[Section]"), std::string::npos);
  EXPECT_NE(bytes.find("Quarlo\x82\xcc\x90\x94=1"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("BGM\x8b\xe6\x95\xaa=1"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("BGM\xd8\xcb\xdf\xb0\xc4=1"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("BGM\xcc\xa7\xb2\xd9=C:\\\x8b\xc8\\a b.mp3"), std::string::npos) << bytes;
}

TEST_F(SettingsStoreTest, WrittenValuesReadBackThroughTheLoader) {
  const std::string music = folder + "\\テーマ 曲.wav";
  WriteBytes(os.ToAnsi(music), "RIFF");  // the stream takes the name in the ANSI code page
  WriteIniValue(os, kSection, kKeySpriteCount, " 120", SettingsPath(os));
  WriteIniValue(os, kSection, kKeyMusicSource, " 2", SettingsPath(os));
  WriteIniValue(os, kSection, kKeyRepeatTrack, "-3", SettingsPath(os));
  WriteIniValue(os, kSection, kKeyMusicFile, music, SettingsPath(os));
  LoadSettings(os);
  EXPECT_EQ(SaverSettings().SpriteCount, 120);
  EXPECT_EQ(SaverSettings().MusicSource, 2);
  EXPECT_EQ(SaverSettings().RepeatTrack, -3);
  EXPECT_EQ(SaverSettings().MusicFile, music);
  DeleteFileA(os.ToAnsi(music).c_str());
}

// The program's folder is passed to the wide profile functions: a folder the code page cannot
// hold keeps its settings, in the same bytes as any other.
TEST_F(SettingsStoreTest, AFolderTheCodePageCannotHoldKeepsItsSettings) {
  const std::wstring wideFolder =
      std::wstring(folder.begin(), folder.end()) + L"\\\x041e\x043b\x0435\x0433 \x00e9";
  CreateDirectoryW(wideFolder.c_str(), nullptr);
  RelocatedOs elsewhere(folder + "\\Олег é\\Quarlo.scr");
  WriteIniValue(elsewhere, kSection, kKeySpriteCount, " 120", SettingsPath(elsewhere));
  LoadSettings(elsewhere);
  EXPECT_EQ(SaverSettings().SpriteCount, 120);
  const std::wstring wideIni = wideFolder + L"\\Quarlo.ini";
  HANDLE file = CreateFileW(wideIni.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char bytes[256] = {};
  DWORD n = 0;
  ReadFile(file, bytes, sizeof bytes - 1, &n, nullptr);
  CloseHandle(file);
  EXPECT_NE(std::string(bytes, n).find("Quarlo\x82\xcc\x90\x94=120"), std::string::npos);
  DeleteFileW(wideIni.c_str());
  RemoveDirectoryW(wideFolder.c_str());
}

TEST_F(SettingsStoreTest, MissingFileGivesTheDefaults) {
  LoadSettings(os);
  EXPECT_EQ(SaverSettings().SpriteCount, 50);
  EXPECT_EQ(SaverSettings().MusicSource, 0);
  EXPECT_EQ(SaverSettings().RepeatTrack, 0);
  EXPECT_EQ(SaverSettings().MusicFile, "");
}

TEST_F(SettingsStoreTest, StoredNumbersFollowTheConversionRules) {
  const struct {
    const char* value;
    std::int16_t count;
  } cases[] = {
      {"abc", 0}, {"12.9", 12}, {"-3.5", -4}, {"40000", 0}, {"", 50}, {" 77", 77},
  };
  for (const auto& c : cases) {
    ResetSaverSettings();
    StoreFile(std::string("[Section]\r\nQuarloの数=") + c.value + "\r\n");
    LoadSettings(os);
    EXPECT_EQ(SaverSettings().SpriteCount, c.count) << "\"" << c.value << "\"";
  }
}

TEST_F(SettingsStoreTest, AMusicFileThatCannotBeOpenedNowIsKeptAndTheFileLeftAlone) {
  const std::string text = "[Section]\r\nBGM区分=2\r\nBGMﾌｧｲﾙ=Q:\\away\\gone.mp3\r\n";
  StoreFile(text);
  const std::string before = ReadBytes(ini);
  LoadSettings(os);
  EXPECT_EQ(SaverSettings().MusicSource, 2);
  EXPECT_EQ(SaverSettings().MusicFile, "Q:\\away\\gone.mp3");
  EXPECT_FALSE(FileExists(os, SaverSettings().MusicFile));
  EXPECT_EQ(ReadBytes(ini), before);

  StoreFile("[Section]\r\nBGM区分=7\r\n");
  LoadSettings(os);
  EXPECT_EQ(SaverSettings().MusicSource, 7);
}

TEST_F(SettingsStoreTest, LongValuesAreCutAndTrailingBackslashesIgnored) {
  StoreFile("[Section]\r\nBGMﾌｧｲﾙ=" + std::string(300, 'a') + "\r\n");
  EXPECT_EQ(ReadIniValue(os, kSection, kKeyMusicFile, SettingsPath(os)), std::string(255, 'a'));

  const std::string music = folder + "\\loop.wav";
  WriteBytes(music, "RIFF");
  StoreFile("[Section]\r\nBGM区分=2\r\nBGMﾌｧｲﾙ=" + music + "\\\r\n");
  LoadSettings(os);
  EXPECT_EQ(SaverSettings().MusicSource, 2);
  EXPECT_EQ(SaverSettings().MusicFile, music + "\\");
  DeleteFileA(music.c_str());
}

TEST_F(SettingsStoreTest, GarbageAndHugeFilesNeverBreakTheLoader) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
  WriteBytes(ini, garbage);
  LoadSettings(os);
  EXPECT_EQ(SaverSettings().MusicSource, 0);

  // A key repeated, invalid double-byte sequences, and a 10 MB tail.
  WriteBytes(ini,
             "[Section]\r\nQuarlo\x82\xcc\x90\x94=5\r\nQuarlo\x82\xcc\x90\x94=9\r\n"
             "BGM\xcc\xa7\xb2\xd9=\x82\x82\xff\x81\r\n" +
                 std::string(10 * 1024 * 1024, 'x'));
  ResetSaverSettings();
  LoadSettings(os);
  EXPECT_EQ(SaverSettings().SpriteCount, 5);  // the first of a repeated key wins
  // The broken sequences read as some text; kept only as one that saves back as it reads.
  EXPECT_TRUE(SettingsFileCanHold(os, SaverSettings().MusicFile));
}

TEST(AnsiConversion, UsesTheSystemCodePage) {
  os::Win32Os os;
  EXPECT_EQ(os.ToAnsi("Quarloの設定"), "Quarlo\x82\xcc\x90\xdd\x92\xe8");
  EXPECT_EQ(os.FromAnsi("BGM\xcc\xa7\xb2\xd9"), "BGMﾌｧｲﾙ");
  EXPECT_EQ(os.FromAnsi(os.ToAnsi("ﾌｧｲﾙを選択")), "ﾌｧｲﾙを選択");
}

// The music copy a saver ended outright left behind goes at the next start; a copy that a player
// holds (it shares reading only, as players do) stays with it.
TEST(StaleMusicCopy, GoesAtTheNextStartUnlessAPlayerHoldsIt) {
  os::Win32Os os;
  char temp[MAX_PATH];
  ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
  const std::string copy = std::string(temp) + "QuarloBGM.mp3";
  WriteBytes(copy, "left behind");
  HANDLE player = CreateFileA(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(player, INVALID_HANDLE_VALUE);
  music::RemoveStaleCopy(os);
  CloseHandle(player);
  EXPECT_NE(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES) << "taken from its player";
  music::RemoveStaleCopy(os);
  EXPECT_EQ(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES) << "left behind";
}

}  // namespace
}  // namespace quarlo
