// The MCI command layer: MciSend, MciStatus and MciPlay over the recording fake.

#include <iconv.h>

#include <gtest/gtest.h>

#include "music/quarlo_bgm.h"
#include "settings/settings.h"
#include "support/fake_os.h"

namespace quarlo::music {
namespace {

using testing::FakeOs;
using testing::lines;

class CommandLayerTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetSaverSettings(); }

  // The device answers every command with this code and reply text.
  void Answer(std::int32_t code, std::string reply = "") {
    os.mci = [code, reply](const std::string&, std::string& out) {
      out = reply;
      return code;
    };
  }

  FakeOs os;
  Quarlo_BGM bgm{os};
};

TEST_F(CommandLayerTest, AnEmptyCommandSendsNothing) {
  std::string reply = "before";
  EXPECT_EQ(bgm.MciSend("", reply), -1);
  EXPECT_EQ(reply, "コマンド文字列が指定されていません");
  EXPECT_EQ(bgm.MciStatus(""), "Error:-1");
  EXPECT_EQ(bgm.MciReply(), "コマンド文字列が指定されていません");
  EXPECT_TRUE(os.calls().empty());
}

TEST_F(CommandLayerTest, ASuccessfulCommandRepliesWithTheDeviceAnswerUpToItsFirstNul) {
  Answer(0, std::string("playing\0stale text", 18));
  std::string reply;
  EXPECT_EQ(bgm.MciSend("status MP3Play mode", reply), 0);
  EXPECT_EQ(reply, "playing");
  EXPECT_EQ(os.calls(), lines({"mciSendStringA(\"status MP3Play mode\", buffer, 512, 0)"}));
}

TEST_F(CommandLayerTest, ALongAnswerIsCutToTheReplyBuffer) {
  Answer(0, std::string(600, 'x'));
  std::string reply;
  bgm.MciSend("status cdaudio position", reply);
  EXPECT_EQ(reply, std::string(511, 'x'));
}

TEST_F(CommandLayerTest, AFailedCommandRepliesWithTheSystemsErrorDescription) {
  Answer(263);
  os.mciErrorText = [](std::int32_t code) -> std::optional<std::string> {
    return code == 263 ? std::optional<std::string>(
                             std::string("指定されたデバイスは開かれていません\0junk", 60))
                       : std::nullopt;
  };
  std::string reply;
  EXPECT_EQ(bgm.MciSend("status cdaudio mode", reply), 263);
  EXPECT_EQ(reply, "指定されたデバイスは開かれていません");
  EXPECT_EQ(os.calls(), lines({"mciSendStringA(\"status cdaudio mode\", buffer, 512, 0)",
                               "mciGetErrorStringA(263, buffer, 256)"}));
}

TEST_F(CommandLayerTest, AFailedCommandWithoutADescriptionRepliesWithTheFixedText) {
  Answer(282);
  os.mciErrorText = [](std::int32_t) { return std::nullopt; };
  std::string reply;
  EXPECT_EQ(bgm.MciSend("play cdaudio from 12", reply), 282);
  EXPECT_EQ(reply, "Error (文字列が取れません)");
}

TEST_F(CommandLayerTest, MciStatusGivesTheAnswerOrTheResultCode) {
  const struct {
    std::int32_t code;
    std::string reply;
    std::string expected;
  } cases[] = {
      {0, "3", "3"},        {0, "", ""}, {263, "", "Error:263"}, {266, "ignored", "Error:266"},
      {-5, "", "Error:-5"},
  };
  for (const auto& c : cases) {
    Answer(c.code, c.reply);
    EXPECT_EQ(bgm.MciStatus("status cdaudio current track"), c.expected) << "code " << c.code;
  }
}

TEST_F(CommandLayerTest, MciStatusKeepsTheErrorDescriptionInMciReply) {
  Answer(282);
  os.mciErrorText = [](std::int32_t) { return std::optional<std::string>("out of range"); };
  EXPECT_EQ(bgm.MciStatus("status cdaudio position track 12"), "Error:282");
  EXPECT_EQ(bgm.MciReply(), "out of range");
}

TEST_F(CommandLayerTest, MciPlayBuildsItsCommandFromTheArgumentsGiven) {
  const struct {
    const char* device;
    const char* from;
    const char* to;
    const char* expected;
  } cases[] = {
      {"cdaudio", "03:00:00:00", "04:00:00:00", "play cdaudio from 03:00:00:00 to 04:00:00:00"},
      {"cdaudio", "03:00:00:00", "", "play cdaudio from 03:00:00:00"},
      {"cdaudio", "", "04:00:00:00", "play cdaudio to 04:00:00:00"},
      {"cdaudio", "", "", "play cdaudio"},
      {"MP3Play", "0", "", "play MP3Play from 0"},
  };
  std::vector<std::string> sent;
  os.mci = [&sent](const std::string& command, std::string&) {
    sent.push_back(command);
    return command == "play cdaudio" ? 0 : 282;
  };
  for (const auto& c : cases) {
    sent.clear();
    const std::int32_t code = bgm.MciPlay(c.device, c.from, c.to);
    EXPECT_EQ(sent, lines({c.expected}));
    EXPECT_EQ(code, std::string(c.expected) == "play cdaudio" ? 0 : 282) << c.expected;
  }
}

// A fake system in code page 932: texts cross the boundary as Shift-JIS bytes.
class CodePage932Os : public FakeOs {
 public:
  std::string ToAnsi(const std::string& utf8) override { return Convert(utf8, "CP932", "UTF-8"); }
  std::string FromAnsi(const std::string& ansi) override { return Convert(ansi, "UTF-8", "CP932"); }

  static std::string Convert(const std::string& text, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return "<no iconv>";
    std::string in = text;
    std::string out(text.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1)) return "<unconvertible>";
    out.resize(out.size() - outLeft);
    return out;
  }
};

TEST(CommandLayerCodePage, TextsCrossTheBoundaryInTheAnsiCodePage) {
  ResetSaverSettings();
  CodePage932Os os;
  std::vector<std::string> sent;
  os.mci = [&sent](const std::string& command, std::string& reply) {
    sent.push_back(command);
    reply = "\x8d\xc4\x90\xb6\x92\x86";  // 再生中 in Shift-JIS
    return 0;
  };
  Quarlo_BGM bgm(os);

  SaverSettings().MusicFile = "C:\\音楽\\曲.mp3";
  bgm.Mp3Play();
  ASSERT_FALSE(sent.empty());
  // 音楽 is 89 B9 8A 79, 曲 is 8B C8 in Shift-JIS.
  EXPECT_EQ(sent[0], "open \"C:\\\x89\xb9\x8a\x79\\\x8b\xc8.mp3\" type MPEGVideo Alias MP3Play");

  EXPECT_EQ(bgm.MciStatus("status MP3Play mode"), "再生中");
}

}  // namespace
}  // namespace quarlo::music
