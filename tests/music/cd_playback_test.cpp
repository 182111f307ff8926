// Audio-CD playback: the commands of CdOpen, CdPoll, the track keys and CdClose, against the
// simulated drive and against scripted answers.

#include <map>
#include <utility>

#include <gtest/gtest.h>

#include "music/cd_simulator.h"
#include "music/quarlo_bgm.h"
#include "settings/settings.h"
#include "support/fake_os.h"

namespace quarlo::music {
namespace {

using testing::CdSimulator;
using testing::FakeOs;
using testing::lines;

const std::string kCurrentTrack =
    "mciSendStringA(\"status cdaudio current track\", buffer, 512, 0)";
const std::string kTrackCount =
    "mciSendStringA(\"status cdaudio number of tracks\", buffer, 512, 0)";
const std::string kMode = "mciSendStringA(\"status cdaudio mode\", buffer, 255, 0)";

std::string Sent(const std::string& command, int length = 512) {
  return "mciSendStringA(\"" + command + "\", " + (length ? "buffer" : "NULL") + ", " +
         std::to_string(length) + ", 0)";
}

class CdPlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSaverSettings();
    SaverSettings().MusicSource = 1;
    disc.Attach(os);
  }

  FakeOs os;
  CdSimulator disc{{200, 180, 240, 150, 210}};
  Quarlo_BGM bgm{os};
};

TEST_F(CdPlaybackTest, CdOpenOpensTheDeviceInTrackTimeWithoutPlaying) {
  bgm.CdOpen();
  EXPECT_EQ(os.calls(), lines({Sent("open cdaudio", 0), Sent("set cdaudio time format tmsf", 0)}));
  EXPECT_TRUE(disc.IsOpen());
  EXPECT_TRUE(disc.InTmsf());
  EXPECT_FALSE(disc.IsPlaying());
}

TEST_F(CdPlaybackTest, APollOfAStoppedDiscPlaysOnFromTheCurrentPosition) {
  bgm.CdOpen();
  os.clearCalls();
  bgm.CdPoll();
  EXPECT_EQ(os.calls(), lines({kCurrentTrack, kTrackCount, kMode, Sent("play cdaudio")}));
  EXPECT_EQ(bgm.CdReady(), kTrue);
  EXPECT_TRUE(disc.IsPlaying());

  os.clearCalls();
  disc.Advance(5000);
  bgm.CdPoll();
  EXPECT_EQ(os.calls(), lines({kCurrentTrack, kTrackCount, kMode}));
}

TEST_F(CdPlaybackTest, APollHoldingATrackPlaysFromThePositionTheDeviceGave) {
  SaverSettings().RepeatTrack = 3;
  bgm.CdOpen();
  os.clearCalls();
  bgm.CdPoll();
  EXPECT_EQ(os.calls(),
            lines({kCurrentTrack, kTrackCount, kMode, Sent("status cdaudio position track 3"),
                   Sent("play cdaudio from 03:00:00:00")}));
  EXPECT_EQ(disc.CurrentTrack(), 3);

  // On the held track and playing: nothing to do.
  os.clearCalls();
  disc.Advance(1000);
  bgm.CdPoll();
  EXPECT_EQ(os.calls(), lines({kCurrentTrack, kTrackCount, kMode}));
}

TEST_F(CdPlaybackTest, APollOnTheHeldTrackRestartsItWhenTheDiscStopped) {
  SaverSettings().RepeatTrack = 3;
  bgm.CdOpen();
  bgm.CdPoll();
  std::string ignored;
  bgm.MciSend("stop cdaudio", ignored);
  disc.Advance(1000);
  os.clearCalls();
  bgm.CdPoll();
  EXPECT_EQ(os.callsStartingWith("mciSendStringA(\"play").size(), 1u);
  EXPECT_TRUE(disc.IsPlaying());
}

// Scripted answers for the failure paths: each query maps to (code, reply).
class CdPollAnswersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSaverSettings();
    os.mci = [this](const std::string& command, std::string& reply) -> std::int32_t {
      const auto it = answers.find(command);
      if (it == answers.end()) return 0;
      reply = it->second.second;
      return it->second.first;
    };
  }

  FakeOs os;
  Quarlo_BGM bgm{os};
  std::map<std::string, std::pair<std::int32_t, std::string>> answers = {
      {"status cdaudio current track", {0, "2"}},
      {"status cdaudio number of tracks", {0, "10"}},
      {"status cdaudio mode", {0, "playing"}},
  };
  std::string current_;
};

TEST_F(CdPollAnswersTest, ReadinessFollowsTheTwoDiscQueries) {
  const struct {
    const char* what;
    std::int16_t repeat;
    std::pair<std::int32_t, std::string> current;
    std::pair<std::int32_t, std::string> count;
    Bool16 ready;
    std::size_t commands;
  } cases[] = {
      {"both answer", 0, {0, "2"}, {0, "10"}, kTrue, 3},
      {"current track fails", 0, {262, ""}, {0, "10"}, kFalse, 1},
      {"track count fails", 0, {0, "2"}, {276, ""}, kFalse, 2},
      {"an answer that reads as an error", 0, {0, "device error"}, {0, "10"}, kFalse, 1},
      {"error in lower case", 0, {0, "2"}, {0, "terrible"}, kFalse, 2},
      {"current track not a number, whole disc", 0, {0, "two"}, {0, "10"}, kTrue, 3},
      {"current track not a number, held track", 2, {0, "two"}, {0, "10"}, kFalse, 3},
      {"current track with blanks, held track", 2, {0, " 2 "}, {0, "10"}, kTrue, 3},
  };
  for (const auto& c : cases) {
    SaverSettings().RepeatTrack = c.repeat;
    answers["status cdaudio current track"] = c.current;
    answers["status cdaudio number of tracks"] = c.count;
    os.clearCalls();
    bgm.CdPoll();
    EXPECT_EQ(bgm.CdReady(), c.ready) << c.what;
    EXPECT_EQ(os.callsStartingWith("mciSendStringA").size(), c.commands) << c.what;
  }
}

TEST_F(CdPollAnswersTest, EveryPollStartsReadyAgain) {
  answers["status cdaudio current track"] = {262, ""};
  bgm.CdPoll();
  ASSERT_EQ(bgm.CdReady(), kFalse);
  answers["status cdaudio current track"] = {0, "2"};
  bgm.CdPoll();
  EXPECT_EQ(bgm.CdReady(), kTrue);
}

TEST_F(CdPollAnswersTest, TheHeldTrackIsPlayedWhenAnotherTrackOrNothingPlays) {
  const struct {
    std::string current;
    std::string mode;
    bool plays;
  } cases[] = {
      {"5", "playing", false}, {"6", "playing", true},    {"5", "stopped", true},
      {"5", "paused", false},  {"5.0", "playing", false}, {"4", "stopped and more", true},
  };
  SaverSettings().RepeatTrack = 5;
  answers["status cdaudio position track 5"] = {0, "05:00:00:00"};
  for (const auto& c : cases) {
    answers["status cdaudio current track"] = {0, c.current};
    answers["status cdaudio mode"] = {0, c.mode};
    os.clearCalls();
    bgm.CdPoll();
    const auto plays = os.callsStartingWith("mciSendStringA(\"play");
    if (c.plays) {
      EXPECT_EQ(plays, lines({Sent("play cdaudio from 05:00:00:00")})) << c.current << c.mode;
    } else {
      EXPECT_TRUE(plays.empty()) << c.current << " " << c.mode;
    }
  }
}

TEST_F(CdPollAnswersTest, AFailedModeQueryKeepsThePreviousMode) {
  answers["status cdaudio mode"] = {0, "stopped"};
  bgm.CdPoll();
  answers["status cdaudio mode"] = {262, ""};
  os.clearCalls();
  bgm.CdPoll();
  EXPECT_EQ(os.callsStartingWith("mciSendStringA(\"play"), lines({Sent("play cdaudio")}));
}

TEST_F(CdPollAnswersTest, TheTrackKeysAskForTheNeighbouringTrack) {
  const struct {
    std::string current;
    const char* previous;  // the position query of CdPreviousTrack, or "" for none
    const char* next;
  } cases[] = {
      {"3", "status cdaudio position track 2", "status cdaudio position track 4"},
      {"Error:262", "status cdaudio position track -1", "status cdaudio position track 1"},
      {"2.5", "status cdaudio position track 1", "status cdaudio position track 3"},
      {"3.5", "status cdaudio position track 3", "status cdaudio position track 5"},
      {"7 tracks", "status cdaudio position track 6", "status cdaudio position track 8"},
      {"99999", "status cdaudio position track -1", "status cdaudio position track 1"},
      {"32767", "status cdaudio position track 32766", ""},
      {"-32768", "", "status cdaudio position track -32767"},
  };
  std::vector<std::string> sent;
  os.mci = [&](const std::string& command, std::string& reply) {
    sent.push_back(command);
    if (command == "status cdaudio current track") reply = current_;
    if (command.rfind("status cdaudio position track ", 0) == 0) reply = "07:00:00:00";
    return 0;
  };
  for (const auto& c : cases) {
    current_ = c.current;
    for (const bool next : {false, true}) {
      sent.clear();
      next ? bgm.CdNextTrack() : bgm.CdPreviousTrack();
      const std::string query = next ? c.next : c.previous;
      const auto expected =
          query.empty()
              ? lines({"status cdaudio current track", "play cdaudio"})
              : lines({"status cdaudio current track", query, "play cdaudio from 07:00:00:00"});
      EXPECT_EQ(sent, expected) << c.current << (next ? " next" : " previous");
    }
  }
}

TEST_F(CdPollAnswersTest, CdCloseStopsAndClosesTheDevice) {
  bgm.CdClose();
  EXPECT_EQ(os.calls(), lines({Sent("stop cdaudio", 0), Sent("close cdaudio", 0)}));
}

}  // namespace
}  // namespace quarlo::music
