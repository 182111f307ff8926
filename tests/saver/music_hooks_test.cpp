// The saver's music hooks: which music starts and stops for which settings, the two music
// timers, the CD arrow keys, and whole CD runs against the simulated drive.

#include "saver/music_hooks.h"

#include <gtest/gtest.h>

#include "framework/form.h"
#include "music/cd_simulator.h"
#include "settings/settings.h"
#include "support/fake_os.h"
#include "support/headless_backend.h"

namespace quarlo::saver {
namespace {

using testing::CdSimulator;
using testing::FakeOs;
using testing::lines;

constexpr int kLeft = 37;
constexpr int kRight = 39;

// The music part of the saver window: a headless form with its two timers.
class MusicForm : public fw::Form {
 public:
  explicit MusicForm(fw::Backend& backend) : fw::Form(backend, "Quarlo_S") {}
  fw::Timer Timer1{this, "Timer1"};
  fw::Timer Timer2{this, "Timer2"};
};

class SaverMusicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSaverSettings();
    os.everyFileReadable = true;
    form.Load();
    form.Timer1.Tick = [this] { music.Timer1_Timer(); };
    form.Timer2.Tick = [this] { music.Timer2_Timer(); };
  }

  void UseMusic(std::int16_t source, std::string file = "", std::int16_t repeat = 0) {
    SaverSettings().MusicSource = source;
    SaverSettings().MusicFile = std::move(file);
    SaverSettings().RepeatTrack = repeat;
  }

  // Lets `ms` milliseconds pass: the drive plays on and each timer ticks when it is due.
  void Run(int ms) {
    for (int step = 0; step < ms; step += kStep) {
      disc.Advance(kStep);
      clock += kStep;
      form.Timer2.RaiseTick();
      if (clock % 1000 == 0) form.Timer1.RaiseTick();
    }
  }

  static constexpr int kStep = 200;
  FakeOs os;
  testing::HeadlessBackend backend{os};
  MusicForm form{backend};
  std::vector<std::function<void()>> copies;  // the plain copies' work, run when the test says
  music::Quarlo_BGM bgm{os, [this](std::function<void()> work) { copies.push_back(work); }};
  SaverMusic music{bgm, form.Timer1, form.Timer2};
  CdSimulator disc{{30, 25, 20, 40, 35, 30, 30, 25, 20, 45}};  // ten tracks
  int clock = 0;
};

TEST_F(SaverMusicTest, TheTimersHaveTheirIntervalsAndStartDisabled) {
  EXPECT_EQ(form.Timer1.Interval(), 1000u);
  EXPECT_EQ(form.Timer2.Interval(), 200u);
  EXPECT_FALSE(form.Timer1.Enabled());
  EXPECT_FALSE(form.Timer2.Enabled());
}

TEST_F(SaverMusicTest, TheFileTypeIsTheLastThreeCharactersUpperCased) {
  const struct {
    const char* path;
    const char* type;
  } cases[] = {
      {"C:\\a.mp3", "MP3"},
      {"C:\\a.Wav", "WAV"},
      {"C:\\a.mid", "MID"},
      {"mp3", "MP3"},
      {"3", "3"},
      {"", ""},
      {"C:\\曲.ｍｐ３", "ｍｐ３"},
      {"C:\\x.wave", "AVE"},
  };
  for (const auto& c : cases) EXPECT_EQ(MusicFileType(c.path), c.type) << c.path;
}

TEST_F(SaverMusicTest, MusicStartsAndStopsAccordingToTheSettings) {
  const std::string openCd = "mciSendStringA(\"open cdaudio\", NULL, 0, 0)";
  const std::string tmsf = "mciSendStringA(\"set cdaudio time format tmsf\", NULL, 0, 0)";
  const struct {
    std::int16_t source;
    const char* file;
    std::vector<std::string> start;
    bool timer1, timer2;
    std::vector<std::string> stop;
  } cases[] = {
      {0, "C:\\Music\\a.mp3", {}, false, false, {}},
      {7, "C:\\Music\\a.mp3", {}, false, false, {}},
      {1,
       "C:\\Music\\a.mp3",
       {openCd, tmsf},
       false,
       true,
       {"mciSendStringA(\"stop cdaudio\", NULL, 0, 0)",
        "mciSendStringA(\"close cdaudio\", NULL, 0, 0)"}},
      {2,
       "C:\\Music\\a.wav",
       {"CanOpenForReading(\"C:\\Music\\a.wav\")", "waveOutGetNumDevs()",
        "PlaySoundA(\"C:\\Music\\a.wav\", 0, 11)"},
       false,
       false,
       {"PlaySoundA(NULL, 0, 0)"}},
      {2,
       "C:\\Music\\a.WAV",
       {"CanOpenForReading(\"C:\\Music\\a.WAV\")", "waveOutGetNumDevs()",
        "PlaySoundA(\"C:\\Music\\a.WAV\", 0, 11)"},
       false,
       false,
       {"PlaySoundA(NULL, 0, 0)"}},
      {2,
       "C:\\My Music\\a.mp3",
       {"CanOpenForReading(\"C:\\My Music\\a.mp3\")",
        "mciSendStringA(\"open \"C:\\My Music\\a.mp3\" type MPEGVideo Alias MP3Play\", NULL, 0, 0)",
        "mciSendStringA(\"play MP3Play\", NULL, 0, 0)"},
       true,
       false,
       {"mciSendStringA(\"stop MP3Play\", NULL, 0, 0)",
        "mciSendStringA(\"close MP3Play\", NULL, 0, 0)"}},
      {2,
       "C:\\Music\\a.Mp3",
       {"CanOpenForReading(\"C:\\Music\\a.Mp3\")",
        "mciSendStringA(\"open \"C:\\Music\\a.Mp3\" type MPEGVideo Alias MP3Play\", NULL, 0, 0)",
        "mciSendStringA(\"play MP3Play\", NULL, 0, 0)"},
       true,
       false,
       {"mciSendStringA(\"stop MP3Play\", NULL, 0, 0)",
        "mciSendStringA(\"close MP3Play\", NULL, 0, 0)"}},
      {2, "C:\\Music\\a.mid", {}, false, false, {}},
      {2, "C:\\Music\\a.ogg", {}, false, false, {}},
      {2, "", {}, false, false, {}},
      {2, "Q:\\away\\a.mp3", {"CanOpenForReading(\"Q:\\away\\a.mp3\")"}, false, false, {}},
  };
  for (const auto& c : cases) {
    const std::string what = std::to_string(c.source) + " " + c.file;
    UseMusic(c.source, c.file);
    os.everyFileReadable = c.file[0] != 'Q';  // drive Q: is away
    form.Timer1.SetEnabled(false);
    form.Timer2.SetEnabled(false);
    os.clearCalls();
    music.MusicStart();
    EXPECT_EQ(os.calls(), c.start) << what;
    EXPECT_EQ(form.Timer1.Enabled(), c.timer1) << what;
    EXPECT_EQ(form.Timer2.Enabled(), c.timer2) << what;

    os.clearCalls();
    music.MusicStop();
    EXPECT_EQ(os.calls(), c.stop) << what;
    EXPECT_FALSE(form.Timer2.Enabled()) << what;
  }
}

TEST_F(SaverMusicTest, OnlyTheCdMakesTheArrowKeysChangeTheTrack) {
  disc.Attach(os);
  const struct {
    std::int16_t source;
    int key;
    bool used;
  } cases[] = {
      {1, kLeft, true},  {1, kRight, true},  {1, 38, false},    {1, 40, false},
      {1, 32, false},    {1, 16, false},     {0, kLeft, false}, {0, kRight, false},
      {2, kLeft, false}, {2, kRight, false},
  };
  for (const auto& c : cases) {
    UseMusic(c.source, c.source == 2 ? "C:\\a.mp3" : "");
    os.clearCalls();
    EXPECT_EQ(music.MusicKey(c.key), c.used) << c.source << " key " << c.key;
    EXPECT_EQ(os.callsStartingWith("mciSendStringA(\"status cdaudio current track\"").size(),
              c.used ? 1u : 0u)
        << c.source << " key " << c.key;
  }
}

TEST_F(SaverMusicTest, Timer1RestartsAnMp3ThatHasEnded) {
  std::string mode = "playing";
  os.mci = [&mode](const std::string& command, std::string& reply) {
    if (command == "status MP3Play mode") reply = mode;
    return 0;
  };
  UseMusic(2, "C:\\Music\\a.mp3");
  music.MusicStart();
  os.clearCalls();
  Run(1000);
  EXPECT_EQ(os.calls(), lines({"mciSendStringA(\"status MP3Play mode\", buffer, 30, 0)"}));

  mode = "stopped";
  os.clearCalls();
  Run(1000);
  EXPECT_EQ(os.calls(), lines({"mciSendStringA(\"status MP3Play mode\", buffer, 30, 0)",
                               "mciSendStringA(\"stop MP3Play\", NULL, 0, 0)",
                               "mciSendStringA(\"play MP3Play from 0\", NULL, 0, 0)"}));
  EXPECT_TRUE(form.Timer1.Enabled());
  EXPECT_FALSE(form.Timer2.Enabled());
}

TEST_F(SaverMusicTest, Timer1NeverRunsForAWavFile) {
  UseMusic(2, "C:\\Music\\a.wav");
  music.MusicStart();
  os.clearCalls();
  Run(5000);
  EXPECT_TRUE(os.calls().empty());
}

// While paused nothing plays and no timer restarts anything; a copy waits for a frame presented
// while not paused; the exit still closes everything.
TEST_F(SaverMusicTest, PauseSilencesTheMusicAndResumeGoesOnWhereItWas) {
  const auto sent = [](const std::string& command) {
    return "mciSendStringA(\"" + command + "\", NULL, 0, 0)";
  };
  const std::string copy = "C:\\Users\\me\\Temp\\QuarloBGM.mp3";
  const struct {
    std::int16_t source;
    const char* file;
    std::vector<std::string> pause, resume, stop;
  } cases[] = {
      {0, "", {}, {}, {}},
      {1,
       "",
       {sent("pause cdaudio")},
       {"mciSendStringA(\"play cdaudio\", buffer, 512, 0)"},
       {sent("stop cdaudio"), sent("close cdaudio")}},
      {2,
       "C:\\Music\\a.wav",
       {"PlaySoundA(NULL, 0, 0)"},
       {"waveOutGetNumDevs()", "PlaySoundA(\"C:\\Music\\a.wav\", 0, 11)"},
       {"PlaySoundA(NULL, 0, 0)"}},
      {2,
       "C:\\Music\\a.mp3",
       {sent("pause MP3Play")},
       {sent("resume MP3Play")},
       {sent("stop MP3Play"), sent("close MP3Play")}},
      // Refused by the device: its copy, started at the first frame, is written while paused.
      {2,
       "C:\\Music\\art.mp3",
       {"CopyFileFrom(\"C:\\Music\\art.mp3\", 10, \"" + copy + "\")"},
       {"SetFileDispositionInfo(28673, FALSE)", "CloseHandle(28673)",
        sent("open \"" + copy + "\" type MPEGVideo Alias MP3Play"), sent("play MP3Play")},
       {sent("stop MP3Play"), sent("close MP3Play"), "DeleteFileW(\"" + copy + "\")"}},
  };
  os.mci = [](const std::string& command, std::string&) {
    return command.find("open \"C:\\Music\\art") == 0 ? 277 : 0;
  };
  os.files["C:\\Music\\art.mp3"] = std::string("ID3\x04\0\0\0\0\0\0\xFF\xFB", 12);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.source) + " " + c.file);
    UseMusic(c.source, c.file);
    music.MusicStart();
    const bool keepPlaying = form.Timer1.Enabled(), poll = form.Timer2.Enabled();
    EXPECT_TRUE(os.callsStartingWith("ReadFileHead").empty()) << "a copy before any frame";
    music.FramePresented();
    os.clearCalls();
    music.Pause();
    music.Pause();
    for (const auto& work : std::exchange(copies, {})) work();
    music.FramePresented();
    EXPECT_EQ(music.MusicKey(kRight), c.source == 1);
    Run(3000);
    EXPECT_EQ(os.calls(), c.pause);
    EXPECT_FALSE(form.Timer1.Enabled() || form.Timer2.Enabled());

    os.clearCalls();
    music.Resume();
    music.Resume();
    music.FramePresented();
    music.FramePresented();
    EXPECT_EQ(os.calls(), c.resume);
    EXPECT_EQ(form.Timer1.Enabled(), keepPlaying);
    EXPECT_EQ(form.Timer2.Enabled(), poll);

    music.Pause();
    os.clearCalls();
    music.MusicStop();
    EXPECT_EQ(os.calls(), c.stop);
  }
}

TEST_F(SaverMusicTest, TheExitLeavesNoCopyBehindWhateverItsStage) {
  const std::string song = "C:\\Hey!.mp3", copy = "C:\\Users\\me\\Temp\\QuarloBGM.mp3";
  os.mci = [](const std::string& command, std::string&) {
    return command.rfind("open \"C:\\Hey!", 0) == 0 ? 277 : 0;
  };
  os.files[song] = "\xFF\xFB";
  const struct {
    const char* what;
    bool written, taken;  // by the copy's thread; by the saver's, at a frame
    std::string last;     // how the saver's last call starts
  } stages[] = {
      {"still being written: its thread drops it when done", false, false, "mciSendStringA("},
      {"whole, not yet taken: the saver drops it", true, false, "CloseHandle("},
      {"playing", true, true, "DeleteFileW(\"" + copy + "\")"},
  };
  for (const auto& stage : stages) {
    UseMusic(2, song);
    music.MusicStart();
    for (int frame = 0; frame < 3; ++frame) music.FramePresented();
    ASSERT_EQ(copies.size(), 1u) << "one copy, not yet written after three frames";
    if (stage.written) std::exchange(copies, {})[0]();
    if (stage.taken) music.FramePresented();
    music.MusicStop();
    EXPECT_EQ(os.calls().back().rfind(stage.last, 0), 0u)
        << stage.what << ": " << os.calls().back();
    os.ExitProcess(0);
    for (const auto& work : std::exchange(copies, {})) work();
    EXPECT_EQ(os.files.count(copy), 0u) << stage.what;
  }
}

// --- Whole runs against the simulated drive ---------------------------------------------------

class SaverCdTest : public SaverMusicTest {
 protected:
  void SetUp() override {
    SaverMusicTest::SetUp();
    disc.Attach(os);
  }

  void StartCd(std::int16_t repeat) {
    UseMusic(1, "", repeat);
    music.MusicStart();
  }
};

TEST_F(SaverCdTest, TheWholeDiscPlaysFromTheFirstPollAndAgainAfterItsEnd) {
  StartCd(0);
  EXPECT_TRUE(disc.IsOpen());
  EXPECT_FALSE(disc.IsPlaying());
  Run(200);
  EXPECT_TRUE(disc.IsPlaying());
  EXPECT_EQ(disc.plays(), lines({"01:00:00:00"}));

  // Ten tracks, 300 s: it plays through them all without another play command.
  for (int second = 0; second < 299; ++second) {
    Run(1000);
    ASSERT_TRUE(disc.IsPlaying()) << "at " << clock << " ms";
  }
  EXPECT_EQ(disc.CurrentTrack(), 10);
  EXPECT_EQ(disc.plays().size(), 1u);

  // At the end the drive stops; the next poll plays on from where the head rests.
  Run(1000);
  EXPECT_TRUE(disc.IsPlaying());
  EXPECT_EQ(disc.plays(), lines({"01:00:00:00", "01:00:00:00"}));
  EXPECT_EQ(os.callsStartingWith("mciSendStringA(\"play cdaudio\"").size(), 2u);
  EXPECT_TRUE(form.Timer2.Enabled());

  os.clearCalls();
  music.MusicStop();
  EXPECT_EQ(os.calls(), lines({"mciSendStringA(\"stop cdaudio\", NULL, 0, 0)",
                               "mciSendStringA(\"close cdaudio\", NULL, 0, 0)"}));
  EXPECT_FALSE(disc.IsOpen());
}

TEST_F(SaverCdTest, AHeldTrackStartsAtItsBeginningAndComesBackWhenTheNextOneBegins) {
  StartCd(3);  // track 3 lasts 20 s
  Run(200);
  EXPECT_EQ(disc.plays(), lines({"03:00:00:00"}));

  // After every poll the listener is on track 3; the drive itself runs on into track 4.
  for (int t = 0; t < 70000; t += kStep) {
    Run(kStep);
    ASSERT_TRUE(disc.IsPlaying()) << "at " << clock << " ms";
    ASSERT_EQ(disc.CurrentTrack(), 3) << "the poll did not bring track 3 back, at " << clock;
  }
  // Track 3 lasts 20 s: in 70 s it was restarted three times, each time as track 4 began.
  EXPECT_EQ(disc.plays(), lines({"03:00:00:00", "03:00:00:00", "03:00:00:00", "03:00:00:00"}));
}

TEST_F(SaverCdTest, TheRightArrowLeavesAHeldTrackUntilTheNextPoll) {
  StartCd(3);
  Run(1000);
  ASSERT_EQ(disc.CurrentTrack(), 3);

  EXPECT_TRUE(music.MusicKey(kRight));
  EXPECT_EQ(disc.CurrentTrack(), 4);
  EXPECT_EQ(disc.SecondsIntoTrack(), 0.0);
  Run(kStep);
  EXPECT_EQ(disc.CurrentTrack(), 3);
  EXPECT_EQ(disc.plays(), lines({"03:00:00:00", "04:00:00:00", "03:00:00:00"}));
}

TEST_F(SaverCdTest, TheArrowsChangeNothingBeforeTheFirstOrAfterTheLastTrack) {
  StartCd(0);
  Run(5000);
  ASSERT_EQ(disc.CurrentTrack(), 1);
  const double before = disc.SecondsIntoTrack();
  EXPECT_TRUE(music.MusicKey(kLeft));
  EXPECT_EQ(disc.CurrentTrack(), 1);
  EXPECT_EQ(disc.SecondsIntoTrack(), before);
  EXPECT_EQ(os.callsStartingWith("mciSendStringA(\"play cdaudio from Error:"),
            lines({"mciSendStringA(\"play cdaudio from Error:282\", buffer, 512, 0)"}));

  // Right arrow nine times: track 10, the last one.
  for (int i = 0; i < 9; ++i) EXPECT_TRUE(music.MusicKey(kRight));
  ASSERT_EQ(disc.CurrentTrack(), 10);
  Run(3000);
  const double onLast = disc.SecondsIntoTrack();
  EXPECT_TRUE(music.MusicKey(kRight));
  EXPECT_EQ(disc.CurrentTrack(), 10);
  EXPECT_EQ(disc.SecondsIntoTrack(), onLast);
  EXPECT_TRUE(disc.IsPlaying());
  EXPECT_TRUE(form.Timer2.Enabled());
}

TEST_F(SaverCdTest, WithoutADiscPollingStopsAndTheExitLeavesTheDriveAlone) {
  disc.RemoveDisc();
  StartCd(0);
  Run(kStep);
  EXPECT_FALSE(form.Timer2.Enabled());
  EXPECT_EQ(bgm.CdReady(), kFalse);

  os.clearCalls();
  Run(5000);
  EXPECT_TRUE(os.calls().empty());

  // The arrows still reach the track routines and do not end the saver.
  EXPECT_TRUE(music.MusicKey(kRight));
  EXPECT_FALSE(os.calls().empty());

  os.clearCalls();
  music.MusicStop();
  EXPECT_TRUE(os.calls().empty());
  EXPECT_TRUE(disc.IsOpen());
  EXPECT_TRUE(disc.plays().empty());
}

TEST_F(SaverCdTest, WithoutADrivePollingStopsAtTheFirstPoll) {
  // As under Wine: the device cannot be opened at all.
  disc.RemoveDrive();
  StartCd(3);
  Run(kStep);
  EXPECT_FALSE(form.Timer2.Enabled());
  os.clearCalls();
  music.MusicStop();
  EXPECT_TRUE(os.calls().empty());
}

TEST_F(SaverCdTest, AHeldTrackMissingFromTheDiscIsSilentWhilePollingGoesOn) {
  StartCd(12);
  Run(10000);
  EXPECT_FALSE(disc.IsPlaying());
  EXPECT_TRUE(disc.plays().empty());
  EXPECT_TRUE(form.Timer2.Enabled());
  // One failing play command per poll.
  EXPECT_EQ(os.callsStartingWith("mciSendStringA(\"play cdaudio from Error:282\"").size(), 50u);
}

TEST_F(SaverCdTest, ADriveThatStopsAnsweringEndsThePolling) {
  StartCd(0);
  Run(3000);
  ASSERT_TRUE(form.Timer2.Enabled());
  disc.StopAnswering();
  Run(kStep);
  EXPECT_FALSE(form.Timer2.Enabled());
  os.clearCalls();
  Run(3000);
  music.MusicStop();
  EXPECT_TRUE(os.calls().empty());
}

}  // namespace
}  // namespace quarlo::saver
