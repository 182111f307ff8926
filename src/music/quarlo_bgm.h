#pragma once
// The music module: the MCI command-string layer, MP3 and WAV playback of the settings' music
// file, and audio-CD playback with a held track.

#include <array>
#include <cstdint>
#include <string>

#include "rules/numeric.h"
#include "music/plain_copy.h"
#include "os/os.h"

namespace quarlo::music {

class Quarlo_BGM {
 public:
  // copyRunner runs the work of the plain copy (see PlainCopy); none: a thread of its own.
  explicit Quarlo_BGM(os::Os& os, PlainCopy::Runner copyRunner = {});

  // --- Command layer --------------------------------------------------------------------------
  // Sends one command string; reply receives the device's answer or an error description.
  // Returns the result code (0 for success), or -1 without sending anything for an empty command.
  std::int32_t MciSend(const std::string& command, std::string& reply);
  // The answer to a query, or "Error:" followed by the result code.
  std::string MciStatus(const std::string& command);
  // Sends "play <device> [from <from>] [to <to>]"; returns its result code.
  std::int32_t MciPlay(const std::string& device, const std::string& from, const std::string& to);
  // The reply or error description of the last MciStatus or MciPlay.
  const std::string& MciReply() const { return mciReply_; }

  // --- The music file (SaverSettings().MusicFile) ---------------------------------------------
  // True when the file can be opened for reading now (it may live on a drive that is away).
  bool MusicFileOpens();
  // Opens the file under the alias and plays it. When the device refuses the file as it is, a
  // plain copy without the ID3v2 tag may play instead; making it can take seconds, so it is left
  // for Mp3PlayCopy.
  void Mp3Play();
  // True after Mp3Play was refused, until Mp3PlayCopy has played the copy or found there is none,
  // or until Mp3Close.
  bool Mp3CopyPending() const { return copyPending_; }
  // The first call starts the plain copy (see PlainCopy) and returns at once; a call once the
  // copy is made opens it under the alias and plays it. MCI hears only the caller's thread.
  void Mp3PlayCopy();
  // True while the alias is open on the file or its copy.
  bool Mp3IsOpen() const { return mp3Open_; }
  bool Mp3IsPlaying();
  void Mp3KeepPlaying();
  // The alias keeps its position while paused.
  void Mp3Pause();
  void Mp3Resume();
  // Stops and closes the alias, then removes the plain copy if one was made.
  void Mp3Close();
  void WavPlay();
  void WavStop();

  // --- Audio CD --------------------------------------------------------------------------------
  void CdOpen();
  void CdPoll();
  void CdPreviousTrack();
  void CdNextTrack();
  void CdClose();
  // The drive keeps its position while paused ("pause" stops it; "play" without a position goes
  // on from there).
  void CdPause();
  void CdResume();
  // True while the CD answers; set by every poll.
  Bool16 CdReady() const { return cdReady_; }

 private:
  // Sends a command with no reply buffer (reply length 0); returns the result code.
  std::int32_t SendWithoutReply(const std::string& command);
  // "open "<path>" type MPEGVideo Alias MP3Play"; returns the result code.
  std::int32_t Mp3Open(const std::string& path);
  // Plays from the start of the track `step` away from the current one.
  void CdPlayNeighbour(int step);

  os::Os& os_;
  PlainCopy plainCopy_;
  std::array<char, 512> replyBuffer_{};
  std::array<char, 256> errorBuffer_{};
  std::array<char, 30> mp3ModeBuffer_{};
  std::array<char, 256> cdModeBuffer_{};
  std::string mciReply_;
  Bool16 cdReady_ = kFalse;
  bool mp3Open_ = false;
  bool copyPending_ = false;
};

}  // namespace quarlo::music
