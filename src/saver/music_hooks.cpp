#include "saver/music_hooks.h"

#include "rules/text.h"
#include "settings/settings.h"

namespace quarlo::saver {
namespace {

constexpr std::uint32_t kKeepPlayingInterval = 1000;
constexpr std::uint32_t kCdPollInterval = 200;

constexpr int kKeyLeft = 37;
constexpr int kKeyRight = 39;

}  // namespace

std::string MusicFileType(const std::string& path) { return UpperAscii(Right(path, 3)); }

SaverMusic::SaverMusic(music::Quarlo_BGM& bgm, fw::Timer& timer1, fw::Timer& timer2)
    : bgm_(bgm), timer1_(timer1), timer2_(timer2) {
  timer1_.SetInterval(kKeepPlayingInterval);
  timer1_.SetEnabled(false);
  timer2_.SetInterval(kCdPollInterval);
  timer2_.SetEnabled(false);
}

void SaverMusic::MusicStart() {
  const Settings& settings = SaverSettings();
  if (settings.MusicSource == kMusicCd) {
    bgm_.CdOpen();
    timer2_.SetEnabled(true);
  } else if (settings.MusicSource == kMusicFile) {
    const std::string type = MusicFileType(settings.MusicFile);
    // Only a file of a type that plays is looked for; one that cannot be opened now (on a drive
    // that is away, say) plays nothing, and nothing of it is stopped at the exit.
    if ((type != "WAV" && type != "MP3") || !bgm_.MusicFileOpens()) return;
    if (type == "WAV") {
      bgm_.WavPlay();
      fileMusic_ = FileMusic::kWav;
    }
    if (type == "MP3") {
      bgm_.Mp3Play();
      fileMusic_ = FileMusic::kMp3;
      timer1_.SetEnabled(true);
    }
  }
}

void SaverMusic::FramePresented() {
  if (!paused_ && bgm_.Mp3CopyPending()) bgm_.Mp3PlayCopy();
}

void SaverMusic::Pause() {
  if (paused_) return;
  paused_ = true;
  keepPlayingBeforePause_ = timer1_.Enabled();
  pollBeforePause_ = timer2_.Enabled();
  timer1_.SetEnabled(false);
  timer2_.SetEnabled(false);
  if (pollBeforePause_) bgm_.CdPause();
  if (fileMusic_ == FileMusic::kWav) bgm_.WavStop();
  if (fileMusic_ == FileMusic::kMp3 && bgm_.Mp3IsOpen()) bgm_.Mp3Pause();
}

void SaverMusic::Resume() {
  if (!paused_) return;
  paused_ = false;
  if (pollBeforePause_) bgm_.CdResume();
  if (fileMusic_ == FileMusic::kWav) bgm_.WavPlay();
  if (fileMusic_ == FileMusic::kMp3 && bgm_.Mp3IsOpen()) bgm_.Mp3Resume();
  timer1_.SetEnabled(keepPlayingBeforePause_);
  timer2_.SetEnabled(pollBeforePause_);
}

void SaverMusic::Timer1_Timer() { bgm_.Mp3KeepPlaying(); }

void SaverMusic::Timer2_Timer() {
  bgm_.CdPoll();
  timer2_.SetEnabled(IsTrue(bgm_.CdReady()));
}

bool SaverMusic::MusicKey(int keyCode) {
  if (SaverSettings().MusicSource != kMusicCd) return false;
  if (keyCode != kKeyLeft && keyCode != kKeyRight) return false;
  if (paused_) return true;  // a new track would play while nothing may
  if (keyCode == kKeyLeft) {
    bgm_.CdPreviousTrack();
  } else {
    bgm_.CdNextTrack();
  }
  return true;
}

void SaverMusic::MusicStop() {
  // A paused CD is still open, its poll timer off only for the pause.
  if (timer2_.Enabled() || (paused_ && pollBeforePause_)) {
    timer2_.SetEnabled(false);
    bgm_.CdClose();
  }
  if (fileMusic_ == FileMusic::kWav) bgm_.WavStop();
  if (fileMusic_ == FileMusic::kMp3) bgm_.Mp3Close();
  fileMusic_ = FileMusic::kNone;
  paused_ = false;
}

}  // namespace quarlo::saver
