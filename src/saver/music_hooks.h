#pragma once
// What the saver window does about music: it starts the music the settings chose while it
// loads, keeps it going with its two timers, lets the arrow keys change the CD track, and stops
// the music first thing when it ends.

#include <string>

#include "framework/controls.h"
#include "music/quarlo_bgm.h"

namespace quarlo::saver {

// "WAV", "MP3" or another ending: the last three characters of the path, upper-cased.
std::string MusicFileType(const std::string& path);

class SaverMusic {
 public:
  // timer1 keeps an MP3 playing (1000 ms); timer2 polls the CD (200 ms). The constructor sets
  // these intervals and disables both; the window routes their ticks to Timer1_Timer and
  // Timer2_Timer.
  SaverMusic(music::Quarlo_BGM& bgm, fw::Timer& timer1, fw::Timer& timer2);

  // Starts the music chosen by SaverSettings (a step of the saver's load sequence). A music file
  // that cannot be opened now plays nothing for this run.
  void MusicStart();
  // Called after each frame the saver has presented. When the device refused an MP3 at the
  // start, the first call while the music is not paused starts its plain copy, once the saver is
  // seen; the frames go on while it is made, and the first call after that, again while not
  // paused, plays it.
  void FramePresented();
  // Silences the music and stops both timers, so that nothing restarts it; Resume goes on from
  // where it was (a WAV from its start). Music that is not playing (none, a file that could not
  // be opened, a copy not yet made or not yet played) stays as it is. A second Pause, or Resume
  // without Pause, does nothing.
  void Pause();
  void Resume();
  void Timer1_Timer();
  void Timer2_Timer();
  // The arrow keys while the source is the CD: true when the key was used and must not end the
  // saver. While the music is paused they change no track.
  bool MusicKey(int keyCode);
  // Stops the music (the first step of the saver's exit), paused or not; a plain copy still
  // being made is abandoned, not waited for.
  void MusicStop();

 private:
  enum class FileMusic { kNone, kWav, kMp3 };

  music::Quarlo_BGM& bgm_;
  fw::Timer& timer1_;
  fw::Timer& timer2_;
  FileMusic fileMusic_ = FileMusic::kNone;  // what MusicStart played of the music file
  bool paused_ = false;
  // The timers' states when Pause turned them off.
  bool keepPlayingBeforePause_ = false;
  bool pollBeforePause_ = false;
};

}  // namespace quarlo::saver
