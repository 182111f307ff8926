#pragma once
// A simulated `cdaudio` device behind the MCI command-string interface, for tests: no machine
// here has a CD drive, and Wine's cdaudio driver does not load. Plug it into FakeOs::mci with
// Attach; the test moves its clock with Advance.
//
// What it models:
//   - a disc of tracks with given lengths, played in real time as the clock advances; playing
//     runs on across track boundaries and stops at the end of the disc (the head then rests at
//     the start of track 1) or at the "to" position of the play command;
//   - the time formats msf (the default, positions from the start of the disc, "MM:SS:FF") and
//     tmsf ("TT:MM:SS:FF", track and the time inside it); 75 frames a second;
//   - the commands open, close, set <dev> time format msf|tmsf, stop, pause, play [from] [to],
//     status <dev> current track | number of tracks | mode | position | position track <n> |
//     length track <n>;
//   - the failures: no drive (open fails as Wine's does, 266), no disc (the disc queries fail
//     with a hardware error, 262; mode reads "open"), a drive that stops answering (every
//     command fails, 276), tracks that do not exist (282) and positions that are not numbers
//     (270), commands to a device that is not open (263; it does not open itself).
// Everything it is asked is in the FakeOs call log; plays() lists the plays it started.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/fake_os.h"

namespace quarlo::testing {

// MCI error codes as the system numbers them.
inline constexpr std::int32_t kMciErrUnrecognizedKeyword = 259;
inline constexpr std::int32_t kMciErrUnrecognizedCommand = 261;
inline constexpr std::int32_t kMciErrHardware = 262;
inline constexpr std::int32_t kMciErrInvalidDeviceName = 263;
inline constexpr std::int32_t kMciErrDeviceOpen = 265;
inline constexpr std::int32_t kMciErrCannotLoadDriver = 266;
inline constexpr std::int32_t kMciErrBadInteger = 270;
inline constexpr std::int32_t kMciErrDeviceNotReady = 276;
inline constexpr std::int32_t kMciErrOutOfRange = 282;

class CdSimulator {
 public:
  static constexpr int kFramesPerSecond = 75;

  // A disc with one entry per track: its length in seconds.
  explicit CdSimulator(std::vector<int> trackSeconds) : tracks_(std::move(trackSeconds)) {}

  void Attach(FakeOs& os) {
    os.mci = [this](const std::string& command, std::string& reply) {
      return Answer(command, reply);
    };
  }

  // --- What the test changes -------------------------------------------------------------------
  void RemoveDrive() { driveInstalled_ = false; }
  void RemoveDisc() {
    discInserted_ = false;
    playing_ = false;
  }
  void StopAnswering() { answering_ = false; }
  // Moves the clock on; a playing disc plays on, across tracks, to its stop position.
  void Advance(int milliseconds) {
    if (!playing_ || !answering_) {
      subFrame_ = 0;
      return;
    }
    subFrame_ += milliseconds * kFramesPerSecond;
    position_ += subFrame_ / 1000;
    subFrame_ %= 1000;
    if (position_ >= stop_) {
      playing_ = false;
      position_ = stop_ >= DiscFrames() ? 0 : stop_;
    }
  }

  // --- What the listener would notice ----------------------------------------------------------
  bool IsOpen() const { return open_; }
  bool IsPlaying() const { return playing_; }
  bool InTmsf() const { return tmsf_; }
  // Track (1-based) and seconds into it of the head.
  int CurrentTrack() const { return TrackAt(position_); }
  double SecondsIntoTrack() const {
    return static_cast<double>(position_ - TrackStart(CurrentTrack())) / kFramesPerSecond;
  }
  // Each play the device started, from where, as a tmsf position ("03:00:00:00").
  const std::vector<std::string>& plays() const { return plays_; }

  // --- The device ------------------------------------------------------------------------------
  std::int32_t Answer(const std::string& command, std::string& reply) {
    std::vector<std::string> words = Words(command);
    if (words.size() < 2) return kMciErrUnrecognizedCommand;
    if (words[1] != "cdaudio") return kMciErrInvalidDeviceName;
    if (!answering_) return kMciErrDeviceNotReady;
    const std::string& verb = words[0];
    if (verb == "open") return Open(words);
    if (!open_) return kMciErrInvalidDeviceName;
    if (verb == "close") {
      open_ = playing_ = false;
      return 0;
    }
    if (verb == "set") return Set(words);
    if (verb == "stop" || verb == "pause") {
      if (!discInserted_) return kMciErrHardware;
      playing_ = false;
      return 0;
    }
    if (verb == "play") return Play(words);
    if (verb == "status") return Status(words, reply);
    return kMciErrUnrecognizedCommand;
  }

  // A position (in frames from the start of the disc) as the device writes it.
  std::string FormatPosition(int frames, bool tmsf) const {
    char text[32];
    if (tmsf) {
      const int track = TrackAt(frames);
      const int inside = frames - TrackStart(track);
      std::snprintf(text, sizeof text, "%02d:%02d:%02d:%02d", track, inside / kFramesPerMinute,
                    inside / kFramesPerSecond % 60, inside % kFramesPerSecond);
    } else {
      std::snprintf(text, sizeof text, "%02d:%02d:%02d", frames / kFramesPerMinute,
                    frames / kFramesPerSecond % 60, frames % kFramesPerSecond);
    }
    return text;
  }

 private:
  static std::vector<std::string> Words(const std::string& command) {
    std::istringstream in(command);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
  }

  static constexpr int kFramesPerMinute = 60 * kFramesPerSecond;

  int TrackCount() const { return static_cast<int>(tracks_.size()); }
  int TrackFrames(int track) const { return tracks_[track - 1] * kFramesPerSecond; }
  int TrackStart(int track) const {
    int start = 0;
    for (int t = 1; t < track && t <= TrackCount(); ++t) start += TrackFrames(t);
    return start;
  }
  int DiscFrames() const { return TrackStart(TrackCount() + 1); }
  int TrackAt(int frames) const {
    for (int t = 1; t <= TrackCount(); ++t) {
      if (frames < TrackStart(t + 1)) return t;
    }
    return TrackCount();
  }

  // A whole number of at most two digits (MCI fields), or nullopt.
  static std::optional<int> Field(const std::string& text) {
    if (text.empty() || text.size() > 3) return std::nullopt;
    int value = 0;
    for (const char c : text) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + (c - '0');
    }
    return value;
  }

  // Reads a position in the current time format; the error code when it is not one.
  std::int32_t ParsePosition(const std::string& text, int& frames) const {
    std::vector<int> fields;
    std::size_t begin = 0;
    while (true) {
      const std::size_t colon = text.find(':', begin);
      const std::optional<int> field = Field(text.substr(begin, colon - begin));
      if (!field) return kMciErrBadInteger;
      fields.push_back(*field);
      if (colon == std::string::npos) break;
      begin = colon + 1;
    }
    if (tmsf_) {
      if (fields.size() > 4) return kMciErrBadInteger;
      fields.resize(4, 0);
      const int track = fields[0];
      if (track < 1 || track > TrackCount()) return kMciErrOutOfRange;
      const int inside = fields[1] * kFramesPerMinute + fields[2] * kFramesPerSecond + fields[3];
      if (inside >= TrackFrames(track)) return kMciErrOutOfRange;
      frames = TrackStart(track) + inside;
    } else {
      if (fields.size() > 3) return kMciErrBadInteger;
      fields.resize(3, 0);
      frames = fields[0] * kFramesPerMinute + fields[1] * kFramesPerSecond + fields[2];
      if (frames > DiscFrames()) return kMciErrOutOfRange;
    }
    return 0;
  }

  std::int32_t Open(const std::vector<std::string>& words) {
    if (words.size() != 2) return kMciErrUnrecognizedKeyword;
    if (!driveInstalled_) return kMciErrCannotLoadDriver;
    if (open_) return kMciErrDeviceOpen;
    open_ = true;
    tmsf_ = false;
    return 0;
  }

  std::int32_t Set(const std::vector<std::string>& words) {
    if (words.size() != 5 || words[2] != "time" || words[3] != "format") {
      return kMciErrUnrecognizedKeyword;
    }
    if (words[4] == "tmsf") {
      tmsf_ = true;
    } else if (words[4] == "msf") {
      tmsf_ = false;
    } else {
      return kMciErrUnrecognizedKeyword;
    }
    return 0;
  }

  std::int32_t Play(const std::vector<std::string>& words) {
    if (!discInserted_) return kMciErrHardware;
    int from = position_;
    int to = DiscFrames();
    for (std::size_t i = 2; i < words.size(); i += 2) {
      if (i + 1 >= words.size()) return kMciErrUnrecognizedKeyword;
      int frames = 0;
      if (const std::int32_t error = ParsePosition(words[i + 1], frames)) return error;
      if (words[i] == "from") {
        from = frames;
      } else if (words[i] == "to") {
        to = frames;
      } else {
        return kMciErrUnrecognizedKeyword;
      }
    }
    if (to <= from) return kMciErrOutOfRange;
    position_ = from;
    stop_ = to;
    subFrame_ = 0;
    playing_ = true;
    plays_.push_back(FormatPosition(position_, true));
    return 0;
  }

  std::int32_t Status(const std::vector<std::string>& words, std::string& reply) {
    std::string item;
    for (std::size_t i = 2; i < words.size(); ++i) item += (i > 2 ? " " : "") + words[i];
    if (item == "mode") {
      reply = !discInserted_ ? "open" : playing_ ? "playing" : "stopped";
      return 0;
    }
    if (!discInserted_) return kMciErrHardware;
    if (item == "current track") {
      reply = std::to_string(CurrentTrack());
    } else if (item == "number of tracks") {
      reply = std::to_string(TrackCount());
    } else if (item == "position") {
      reply = FormatPosition(position_, tmsf_);
    } else if (words.size() == 5 && (words[2] == "position" || words[2] == "length") &&
               words[3] == "track") {
      const std::optional<int> track = Field(words[4]);
      if (!track) return kMciErrBadInteger;
      if (*track < 1 || *track > TrackCount()) return kMciErrOutOfRange;
      if (words[2] == "position") {
        reply = FormatPosition(TrackStart(*track), tmsf_);
      } else {
        reply = FormatPosition(TrackFrames(*track), false);  // a length reads as msf
      }
    } else {
      return kMciErrUnrecognizedKeyword;
    }
    return 0;
  }

  std::vector<int> tracks_;
  bool driveInstalled_ = true;
  bool discInserted_ = true;
  bool answering_ = true;
  bool open_ = false;
  bool tmsf_ = false;
  bool playing_ = false;
  int position_ = 0;  // frames from the start of the disc
  int stop_ = 0;
  int subFrame_ = 0;  // the part of a frame the clock has run, in 1/1000 frames
  std::vector<std::string> plays_;
};

}  // namespace quarlo::testing
