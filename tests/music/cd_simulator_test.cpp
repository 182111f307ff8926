// The simulated drive answers as a cdaudio device does; the CD tests rely on it.

#include <gtest/gtest.h>

#include "music/cd_simulator.h"

namespace quarlo::testing {
namespace {

struct Reply {
  std::int32_t code;
  std::string text;
  friend bool operator==(const Reply&, const Reply&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Reply& r) {
    return out << r.code << " \"" << r.text << "\"";
  }
};

class CdSimulatorTest : public ::testing::Test {
 protected:
  Reply Ask(const std::string& command) {
    Reply r{0, ""};
    r.code = disc.Answer(command, r.text);
    return r;
  }

  CdSimulator disc{{10, 20, 30}};
};

TEST_F(CdSimulatorTest, AnswersQueriesInBothTimeFormats) {
  ASSERT_EQ(Ask("open cdaudio").code, 0);
  EXPECT_EQ(Ask("status cdaudio position track 2"), (Reply{0, "00:10:00"}));
  ASSERT_EQ(Ask("set cdaudio time format tmsf").code, 0);
  const struct {
    const char* command;
    Reply reply;
  } cases[] = {
      {"status cdaudio number of tracks", {0, "3"}},
      {"status cdaudio current track", {0, "1"}},
      {"status cdaudio mode", {0, "stopped"}},
      {"status cdaudio position", {0, "01:00:00:00"}},
      {"status cdaudio position track 3", {0, "03:00:00:00"}},
      {"status cdaudio length track 3", {0, "00:30:00"}},
      {"status cdaudio position track 4", {kMciErrOutOfRange, ""}},
      {"status cdaudio position track 0", {kMciErrOutOfRange, ""}},
      {"status cdaudio position track -1", {kMciErrBadInteger, ""}},
      {"status MP3Play mode", {kMciErrInvalidDeviceName, ""}},
      {"play cdaudio from Error:282", {kMciErrBadInteger, ""}},
      {"play cdaudio from 04:00:00:00", {kMciErrOutOfRange, ""}},
      {"eject cdaudio", {kMciErrUnrecognizedCommand, ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(Ask(c.command), c.reply) << c.command;
}

TEST_F(CdSimulatorTest, PlaysAcrossTracksAndRestsAtTheStartAfterTheLastOne) {
  Ask("open cdaudio");
  Ask("set cdaudio time format tmsf");
  ASSERT_EQ(Ask("play cdaudio from 02:00:19:74"), (Reply{0, ""}));
  EXPECT_EQ(Ask("status cdaudio position"), (Reply{0, "02:00:19:74"}));
  disc.Advance(100);
  EXPECT_EQ(Ask("status cdaudio current track"), (Reply{0, "3"}));
  EXPECT_EQ(Ask("status cdaudio mode"), (Reply{0, "playing"}));
  disc.Advance(30000);
  EXPECT_EQ(Ask("status cdaudio mode"), (Reply{0, "stopped"}));
  EXPECT_EQ(Ask("status cdaudio position"), (Reply{0, "01:00:00:00"}));
  EXPECT_EQ(disc.plays(), std::vector<std::string>({"02:00:19:74"}));
}

TEST_F(CdSimulatorTest, PlayStopsAtItsEndPosition) {
  Ask("open cdaudio");
  Ask("set cdaudio time format tmsf");
  ASSERT_EQ(Ask("play cdaudio from 1 to 2").code, 0);
  disc.Advance(10000);
  EXPECT_FALSE(disc.IsPlaying());
  EXPECT_EQ(disc.CurrentTrack(), 2);
}

TEST_F(CdSimulatorTest, FailuresOfTheDriveAndTheDisc) {
  EXPECT_EQ(Ask("status cdaudio mode").code, kMciErrInvalidDeviceName);  // not open

  disc.RemoveDisc();
  ASSERT_EQ(Ask("open cdaudio").code, 0);
  EXPECT_EQ(Ask("status cdaudio current track").code, kMciErrHardware);
  EXPECT_EQ(Ask("status cdaudio mode"), (Reply{0, "open"}));
  EXPECT_EQ(Ask("play cdaudio").code, kMciErrHardware);

  disc.StopAnswering();
  EXPECT_EQ(Ask("close cdaudio").code, kMciErrDeviceNotReady);

  CdSimulator noDrive({10});
  noDrive.RemoveDrive();
  std::string reply;
  EXPECT_EQ(noDrive.Answer("open cdaudio", reply), kMciErrCannotLoadDriver);
}

}  // namespace
}  // namespace quarlo::testing
