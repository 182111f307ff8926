// MP3 playback through the MPEGVideo alias and WAV playback through the wave-sound player.

#include <gtest/gtest.h>

#include "music/quarlo_bgm.h"
#include "startup/settings.h"
#include "support/fake_os.h"

namespace quarlo::music {
namespace {

using testing::FakeOs;
using testing::lines;

class FilePlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSaverSettings();
    SaverSettings().MusicFile = "C:\\My Music\\theme song.mp3";
    // A scripted MPEGVideo alias: the open succeeds unless told otherwise, the mode query
    // answers `mode` (or fails when it is empty).
    os.mci = [this](const std::string& command, std::string& reply) -> std::int32_t {
      if (command.rfind("open ", 0) == 0) return openCode;
      if (command == "status MP3Play mode") {
        if (mode.empty()) return 263;
        reply = mode;
      }
      return 0;
    };
  }

  FakeOs os;
  Quarlo_BGM bgm{os};
  std::int32_t openCode = 0;
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
  bgm.Mp3Play();
  EXPECT_EQ(os.calls().size(), 1u);
  EXPECT_EQ(os.callsStartingWith("mciSendStringA(\"play").size(), 0u);
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
                lines({"waveOutGetNumDevs()", "PlaySoundA(\"C:\\Music\\loop.wav\", 0, 9)"}))
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
