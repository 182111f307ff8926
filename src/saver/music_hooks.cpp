#include "saver/music_hooks.h"

#include "framework/text.h"
#include "startup/settings.h"

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
    if (MusicFileType(settings.MusicFile) == "WAV") bgm_.WavPlay();
    if (MusicFileType(settings.MusicFile) == "MP3") {
      bgm_.Mp3Play();
      timer1_.SetEnabled(true);
    }
  }
}

void SaverMusic::Timer1_Timer() { bgm_.Mp3KeepPlaying(); }

void SaverMusic::Timer2_Timer() {
  bgm_.CdPoll();
  timer2_.SetEnabled(IsTrue(bgm_.CdReady()));
}

bool SaverMusic::MusicKey(int keyCode) {
  if (SaverSettings().MusicSource != kMusicCd) return false;
  if (keyCode == kKeyLeft) {
    bgm_.CdPreviousTrack();
    return true;
  }
  if (keyCode == kKeyRight) {
    bgm_.CdNextTrack();
    return true;
  }
  return false;
}

void SaverMusic::MusicStop() {
  if (timer2_.Enabled()) {
    timer2_.SetEnabled(false);
    bgm_.CdClose();
  }
  const Settings& settings = SaverSettings();
  if (settings.MusicSource != kMusicFile) return;
  if (MusicFileType(settings.MusicFile) == "WAV") bgm_.WavStop();
  if (MusicFileType(settings.MusicFile) == "MP3") bgm_.Mp3Close();
}

}  // namespace quarlo::saver
