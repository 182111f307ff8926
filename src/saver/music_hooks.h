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

  // Starts the music chosen by SaverSettings (a step of the saver's load sequence).
  void MusicStart();
  void Timer1_Timer();
  void Timer2_Timer();
  // The arrow keys while the source is the CD: true when the key was used and must not end the
  // saver.
  bool MusicKey(int keyCode);
  // Stops the music (the first step of the saver's exit).
  void MusicStop();

 private:
  music::Quarlo_BGM& bgm_;
  fw::Timer& timer1_;
  fw::Timer& timer2_;
};

}  // namespace quarlo::saver
