// MP3 playback through the MPEGVideo alias and WAV playback through the wave-sound player.

#include <gtest/gtest.h>

#include <array>

#include "music/quarlo_bgm.h"
#include "settings/settings.h"
#include "support/fake_os.h"

namespace quarlo::music {
namespace {

using testing::FakeOs;
using testing::lines;

// The copy's path under the fake's temporary folder, and the calls that make it.
const std::string kCopy = "C:\\Users\\me\\Temp\\QuarloBGM.mp3";
const std::string kOpenCopy =
    "mciSendStringA(\"open \"" + kCopy + "\" type MPEGVideo Alias MP3Play\", NULL, 0, 0)";
const std::string kOpenFile =
    "mciSendStringA(\"open \"C:\\My Music\\theme song.mp3\" type MPEGVideo Alias MP3Play\", "
    "NULL, 0, 0)";

// An ID3v2 header: version 4.0, the given flags, the syncsafe size bytes.
std::string Id3Header(std::uint8_t flags, std::array<std::uint8_t, 4> size) {
  return std::string("ID3\x04\x00", 5) + static_cast<char>(flags) +
         std::string(size.begin(), size.end());
}

class FilePlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSaverSettings();
    SaverSettings().MusicFile = "C:\\My Music\\theme song.mp3";
    // A scripted MPEGVideo alias: the open succeeds unless told otherwise, the mode query
    // answers `mode` (or fails when it is empty).
    os.mci = [this](const std::string& command, std::string& reply) -> std::int32_t {
      if (command.rfind("open ", 0) == 0) {
        return command.find("QuarloBGM.mp3") == std::string::npos ? openCode : copyOpenCode;
      }
      if (command == "status MP3Play mode") {
        if (mode.empty()) return 263;
        reply = mode;
      }
      return 0;
    };
  }

  FakeOs os;
  Quarlo_BGM bgm{os};
  std::int32_t openCode = 0;      // the open of the file as it is
  std::int32_t copyOpenCode = 0;  // the open of its plain copy
  std::string mode = "playing";
};

TEST_F(FilePlaybackTest, Mp3PlayOpensTheQuotedPathUnderTheAliasAndStartsIt) {
  bgm.Mp3Play();
  EXPECT_EQ(os.calls(),
            lines({"mciSendStringA(\"open \"C:\\My Music\\theme song.mp3\" type MPEGVideo Alias "
                   "MP3Play\", NULL, 0, 0)",
                   "mciSendStringA(\"play MP3Play\", NULL, 0, 0)"}));
}

TEST_F(FilePlaybackTest, Mp3PlayDoesNotPlayWhatDidNotOpen) {
  openCode = 277;
  // A plain copy may take seconds: it waits for Mp3PlayCopy.
  bgm.Mp3Play();
  EXPECT_EQ(os.callsStartingWith("mciSendStringA(").size(), 1u);
  EXPECT_EQ(os.callsStartingWith("mciSendStringA(\"play").size(), 0u);
  EXPECT_TRUE(os.callsStartingWith("CopyFileFrom").empty());
}

TEST_F(FilePlaybackTest, Id3v2TagLengthCountsHeaderContentsAndFooter) {
  const std::string none = "\xFF\xFB\x90\x64" + std::string(6, '\0');
  const struct {
    const char* what;
    std::string head;
    std::int64_t fileSize;
    std::int64_t length;
  } cases[] = {
      {"no tag", none, 5000, 0},
      {"plain tag of 1024 bytes", Id3Header(0x00, {0, 0, 8, 0}), 5000, 10 + 1024},
      {"footer flag adds 10 bytes", Id3Header(0x10, {0, 0, 8, 0}), 5000, 10 + 1024 + 10},
      {"unsynchronised: the stored size", Id3Header(0x80, {0, 0, 8, 0}), 5000, 10 + 1024},
      {"every size byte counts 7 bits", Id3Header(0x00, {1, 2, 3, 4}), 1 << 22,
       10 + (1 << 21) + (2 << 14) + (3 << 7) + 4},
      {"tag fills the file exactly", Id3Header(0x00, {0, 0, 8, 0}), 1034, 1034},
      {"tag larger than the file", Id3Header(0x00, {0, 0, 8, 0}), 1033, 0},
      {"footer reaches past the end", Id3Header(0x10, {0, 0, 8, 0}), 1040, 0},
      {"largest size, huge file", Id3Header(0x00, {0x7F, 0x7F, 0x7F, 0x7F}), 1LL << 40,
       10 + (1 << 28) - 1},
      {"size byte not syncsafe", Id3Header(0x00, {0, 0, 0x80, 0}), 5000, 0},
      {"version FF", std::string("ID3\xFF\x00\x00\x00\x00\x08\x00", 10), 5000, 0},
      {"truncated header", Id3Header(0x00, {0, 0, 8, 0}).substr(0, 9), 9, 0},
      {"lower-case id3", "id3" + Id3Header(0x00, {0, 0, 8, 0}).substr(3), 5000, 0},
      {"empty file", "", 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Id3v2TagLength(c.head, c.fileSize), c.length) << c.what;
  }
}

TEST_F(FilePlaybackTest, ARefusedMp3PlaysFromAPlainCopyWithoutItsTagUntilItIsClosed) {
  const std::string audio = "\xFF\xFB\x90\x64 frames of audio";
  const std::string tag = Id3Header(0x00, {0, 0, 0, 20}) + std::string(20, 'P');
  os.files["C:\\My Music\\theme song.mp3"] = tag + audio;
  os.files[kCopy] = "left behind by an earlier run";
  openCode = 277;

  bgm.Mp3Play();
  while (bgm.Mp3CopyPending()) bgm.Mp3PlayCopy();  // written on a thread of its own
  EXPECT_EQ(os.calls(),
            lines({kOpenFile, "ReadFileHead(\"C:\\My Music\\theme song.mp3\", 10)",
                   "GetTempPathW(261, buffer)",
                   "CopyFileFrom(\"C:\\My Music\\theme song.mp3\", 30, \"" + kCopy + "\")",
                   "SetFileDispositionInfo(28673, FALSE)", "CloseHandle(28673)", kOpenCopy,
                   "mciSendStringA(\"play MP3Play\", NULL, 0, 0)"}));
  EXPECT_EQ(os.files[kCopy], audio);

  os.clearCalls();
  mode = "stopped";
  bgm.Mp3KeepPlaying();  // the alias is the copy's: the commands stay the same
  EXPECT_EQ(os.calls().back(), "mciSendStringA(\"play MP3Play from 0\", NULL, 0, 0)");

  os.clearCalls();
  bgm.Mp3Close();
  EXPECT_EQ(os.calls(), lines({"mciSendStringA(\"stop MP3Play\", NULL, 0, 0)",
                               "mciSendStringA(\"close MP3Play\", NULL, 0, 0)",
                               "DeleteFileW(\"" + kCopy + "\")"}));
  EXPECT_EQ(os.files.count(kCopy), 0u);
  EXPECT_EQ(os.files.count("C:\\My Music\\theme song.mp3"), 1u);
}

TEST_F(FilePlaybackTest, ACopyThatASaverEndedOutrightLeftBehindGoesAtTheNextStart) {
  os.files[kCopy] = "left behind";
  RemoveStaleCopy(os);
  EXPECT_EQ(os.calls(), lines({"GetTempPathW(261, buffer)", "DeleteFileW(\"" + kCopy + "\")"}));
  EXPECT_EQ(os.files.count(kCopy), 0u);
}

// The copy is made only for a tag or a "!", and its name must reach mciSendStringA in the ANSI
// code page; whatever fails leaves nothing behind. Copies under C:\Refused\ are refused too.
TEST_F(FilePlaybackTest, ACopyIsMadeOnlyWhenItCanHelpAndLeavesNothingBehindWhenItCannot) {
  const std::string song = "C:\\My Music\\theme song.mp3", bang = "C:\\Hey there!.mp3";
  const std::string temp = "C:\\Users\\me\\Temp\\", locked = "C:\\Locked\\",
                    refused = "C:\\Refused\\", russian = "C:\\Users\\Олег\\Temp\\",
                    russianShort = "C:\\Users\\2F0A~1\\Temp\\";
  const auto open = [](const std::string& path) {
    return "mciSendStringA(\"open \"" + path + "\" type MPEGVideo Alias MP3Play\", NULL, 0, 0)";
  };
  const auto head = [](const std::string& path) { return "ReadFileHead(\"" + path + "\", 10)"; };
  const auto copy = [&](const std::string& folder) {
    return "CopyFileFrom(\"" + bang + "\", 0, \"" + folder + "QuarloBGM.mp3\")";
  };
  const auto shortOf = [](const std::string& folder) {
    return "GetShortPathNameW(\"" + folder + "\", buffer, 261)";
  };
  const std::string getTemp = "GetTempPathW(261, buffer)";
  // The whole copy, kept by the saver's thread.
  const std::string keep = "SetFileDispositionInfo(28673, FALSE)", close = "CloseHandle(28673)";
  const std::string play = "mciSendStringA(\"play MP3Play\", NULL, 0, 0)";
  const struct {
    const char* what;
    std::string source;
    std::uint32_t codePage;
    std::string tempPath;
    std::vector<std::string> calls;  // after the refused open
  } cases[] = {
      {"no tag, no \"!\"", song, 1252, temp, {head(song)}},
      {"\"!\" without a tag",
       bang,
       1252,
       temp,
       {head(bang), getTemp, copy(temp), keep, close, open(temp + "QuarloBGM.mp3"), play}},
      {"file unreadable", "C:\\gone!.mp3", 1252, temp, {head("C:\\gone!.mp3")}},
      {"copy refused too",
       bang,
       1252,
       refused,
       {head(bang), getTemp, copy(refused), keep, close, open(refused + "QuarloBGM.mp3"),
        "DeleteFileW(\"" + refused + "QuarloBGM.mp3\")"}},
      {"temporary folder not writable", bang, 1252, locked, {head(bang), getTemp, copy(locked)}},
      {"no temporary folder", bang, 1252, "", {head(bang), getTemp}},
      {"temporary folder longer than a path",
       bang,
       1252,
       std::string(300, 'T'),
       {head(bang), getTemp}},
      // A user name code page 1252 cannot hold: the folder's short name, if the volume keeps one.
      {"Cyrillic folder, short name",
       bang,
       1252,
       russian,
       {head(bang), getTemp, shortOf(russian), copy(russianShort), keep, close,
        open(russianShort + "QuarloBGM.mp3"), play}},
      {"Cyrillic folder, no short name",
       bang,
       1252,
       "C:\\Олег\\",
       {head(bang), getTemp, shortOf("C:\\Олег\\")}},
      {"Cyrillic folder, UTF-8 code page",
       bang,
       65001,
       russian,
       {head(bang), getTemp, copy(russian), keep, close, open(russian + "QuarloBGM.mp3"), play}},
  };
  for (const auto& c : cases) {
    FakeOs fresh;
    fresh.mci = [](const std::string& command, std::string&) {
      const bool ofCopy = command.find("QuarloBGM") != std::string::npos;
      const bool refusedHere = !ofCopy || command.find("Refused") != std::string::npos;
      return command.rfind("open", 0) == 0 && refusedHere ? 277 : 0;
    };
    fresh.codePage = c.codePage;
    fresh.files = {{song, "\xFF\xFB"}, {bang, "\xFF\xFB"}};
    fresh.tempPath = c.tempPath;
    fresh.shortPaths[russian] = russianShort;
    fresh.unwritableFolders = {locked};
    SaverSettings().MusicFile = c.source;
    Quarlo_BGM player{fresh, [](const std::function<void()>& work) { work(); }};
    player.Mp3Play();
    player.Mp3PlayCopy();
    std::vector<std::string> expected = {open(c.source)};
    expected.insert(expected.end(), c.calls.begin(), c.calls.end());
    EXPECT_EQ(fresh.calls(), expected) << c.what;
    player.Mp3Close();
    EXPECT_EQ(fresh.files.size(), 2u) << c.what << ": a copy was left behind";
  }
}

TEST_F(FilePlaybackTest, Mp3IsPlayingReadsTheFirstSevenCharactersOfTheMode) {
  const struct {
    std::string mode;
    bool playing;
  } cases[] = {
      {"playing", true},    {"playing now", true}, {"stopped", false}, {"paused", false},
      {"not ready", false}, {"Playing", false},    {"playin", false},
  };
  for (const auto& c : cases) {
    mode = c.mode;
    EXPECT_EQ(bgm.Mp3IsPlaying(), c.playing) << c.mode;
  }
  EXPECT_EQ(os.calls().back(), "mciSendStringA(\"status MP3Play mode\", buffer, 30, 0)");
}

TEST_F(FilePlaybackTest, AFailedModeQueryKeepsThePreviousAnswer) {
  mode = "playing";
  EXPECT_TRUE(bgm.Mp3IsPlaying());
  mode.clear();
  EXPECT_TRUE(bgm.Mp3IsPlaying());
  mode = "stopped";
  EXPECT_FALSE(bgm.Mp3IsPlaying());
  mode.clear();
  EXPECT_FALSE(bgm.Mp3IsPlaying());
}

TEST_F(FilePlaybackTest, Mp3KeepPlayingRestartsAFileThatIsNotPlaying) {
  mode = "playing";
  bgm.Mp3KeepPlaying();
  EXPECT_EQ(os.calls(), lines({"mciSendStringA(\"status MP3Play mode\", buffer, 30, 0)"}));

  os.clearCalls();
  mode = "stopped";
  bgm.Mp3KeepPlaying();
  EXPECT_EQ(os.calls(), lines({"mciSendStringA(\"status MP3Play mode\", buffer, 30, 0)",
                               "mciSendStringA(\"stop MP3Play\", NULL, 0, 0)",
                               "mciSendStringA(\"play MP3Play from 0\", NULL, 0, 0)"}));
}

TEST_F(FilePlaybackTest, Mp3KeepPlayingOnAnAliasThatNeverOpenedKeepsTrying) {
  // No alias: every command fails and nothing was ever written into the mode buffer.
  os.mci = [](const std::string&, std::string&) { return 263; };
  bgm.Mp3Play();
  bgm.Mp3KeepPlaying();
  bgm.Mp3KeepPlaying();
  EXPECT_EQ(os.callsStartingWith("mciSendStringA(\"play MP3Play from 0\"").size(), 2u);
}

TEST_F(FilePlaybackTest, Mp3CloseStopsAndClosesTheAlias) {
  bgm.Mp3Close();
  EXPECT_EQ(os.calls(), lines({"mciSendStringA(\"stop MP3Play\", NULL, 0, 0)",
                               "mciSendStringA(\"close MP3Play\", NULL, 0, 0)"}));
}

// Flags 11: SND_ASYNC | SND_NODEFAULT | SND_LOOP, so that a file that cannot be played is never
// replaced by the system's default sound.
TEST_F(FilePlaybackTest, WavPlayLoopsTheFileOnlyWithAWaveOutputDevice) {
  SaverSettings().MusicFile = "C:\\Music\\loop.wav";
  const struct {
    std::uint32_t devices;
    bool plays;
  } cases[] = {{0, false}, {1, true}, {3, true}, {0x80000000u, false}, {0xFFFFFFFFu, false}};
  for (const auto& c : cases) {
    os.clearCalls();
    os.waveOutDevices = c.devices;
    bgm.WavPlay();
    if (c.plays) {
      EXPECT_EQ(os.calls(),
                lines({"waveOutGetNumDevs()", "PlaySoundA(\"C:\\Music\\loop.wav\", 0, 11)"}))
          << c.devices;
    } else {
      EXPECT_EQ(os.calls(), lines({"waveOutGetNumDevs()"})) << c.devices;
    }
  }
}

TEST_F(FilePlaybackTest, WavStopStopsAnyWaveSound) {
  bgm.WavStop();
  EXPECT_EQ(os.calls(), lines({"PlaySoundA(NULL, 0, 0)"}));
}

}  // namespace
}  // namespace quarlo::music
