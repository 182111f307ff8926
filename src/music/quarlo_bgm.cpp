#include "music/quarlo_bgm.h"

#include <algorithm>
#include <bit>
#include <optional>
#include <utility>

#include "rules/text.h"
#include "settings/settings.h"

namespace quarlo::music {
namespace {

constexpr const char* kNoCommandText = "コマンド文字列が指定されていません";
constexpr const char* kNoErrorText = "Error (文字列が取れません)";

constexpr const char* kCdDevice = "cdaudio";
constexpr const char* kStopped = "stopped";
constexpr const char* kPlaying = "playing";

// The replies are compared by their first seven characters ("playing", "stopped").
constexpr std::size_t kModeWordLength = 7;

// The CD mode query passes one character less than its buffer holds.
constexpr std::uint32_t kCdModeReplyLength = 255;

// A buffer's text: everything before its first NUL, never past its end.
template <std::size_t N>
std::string BufferText(const std::array<char, N>& buffer) {
  return std::string(buffer.begin(), std::find(buffer.begin(), buffer.end(), '\0'));
}

// Whether an MciStatus answer reports a failure ("Error:263" and the like).
bool IsErrorAnswer(const std::string& answer) {
  return UpperAscii(answer).find("ERR") != std::string::npos;
}

// A track number read leniently ("3" -> 3, "Error:263" -> 0), rounded to 16 bits; 0 when it
// does not fit.
std::int16_t LenientTrackNumber(const std::string& answer) {
  return ToInt16(ReadLeadingNumber(answer)).value_or(0);
}

// A neighbouring track number, or nullopt when it leaves the 16-bit range.
std::optional<std::int16_t> NeighbourTrack(std::int16_t track, int step) {
  return ToInt16(track + step);
}

}  // namespace

Quarlo_BGM::Quarlo_BGM(os::Os& os, PlainCopy::Runner copyRunner)
    : os_(os), plainCopy_(os, std::move(copyRunner)) {}

// --- Command layer --------------------------------------------------------------------------

std::int32_t Quarlo_BGM::MciSend(const std::string& command, std::string& reply) {
  if (command.empty()) {
    reply = kNoCommandText;
    return -1;
  }
  const std::string ansiCommand = os_.ToAnsi(command);
  const std::int32_t code =
      os_.mciSendStringA(ansiCommand.c_str(), replyBuffer_.data(),
                         static_cast<std::uint32_t>(replyBuffer_.size()), os::kNull);
  if (code != 0) {
    if (os_.mciGetErrorStringA(code, errorBuffer_.data(),
                               static_cast<std::uint32_t>(errorBuffer_.size()))) {
      reply = os_.FromAnsi(BufferText(errorBuffer_));
    } else {
      reply = kNoErrorText;
    }
    return code;
  }
  reply = os_.FromAnsi(BufferText(replyBuffer_));
  return 0;
}

std::string Quarlo_BGM::MciStatus(const std::string& command) {
  const std::int32_t code = MciSend(command, mciReply_);
  if (code != 0) return "Error:" + std::to_string(code);
  return mciReply_;
}

std::int32_t Quarlo_BGM::MciPlay(const std::string& device, const std::string& from,
                                 const std::string& to) {
  std::string command = "play " + device;
  if (!from.empty()) command += " from " + from;
  if (!to.empty()) command += " to " + to;
  return MciSend(command, mciReply_);
}

std::int32_t Quarlo_BGM::SendWithoutReply(const std::string& command) {
  const std::string ansiCommand = os_.ToAnsi(command);
  return os_.mciSendStringA(ansiCommand.c_str(), nullptr, 0, os::kNull);
}

// --- The music file -------------------------------------------------------------------------

std::int32_t Quarlo_BGM::Mp3Open(const std::string& path) {
  return SendWithoutReply("open \"" + path + "\" type MPEGVideo Alias MP3Play");
}

bool Quarlo_BGM::MusicFileOpens() { return FileExists(os_, SaverSettings().MusicFile); }

void Quarlo_BGM::Mp3Play() {
  mp3Open_ = Mp3Open(SaverSettings().MusicFile) == 0;
  copyPending_ = !mp3Open_;
  if (mp3Open_) SendWithoutReply("play MP3Play");
}

void Quarlo_BGM::Mp3PlayCopy() {
  if (!copyPending_) return;
  if (!plainCopy_.Started()) plainCopy_.Start(SaverSettings().MusicFile);
  if (plainCopy_.Making()) return;
  copyPending_ = false;
  const std::string copy = plainCopy_.Path();
  if (copy.empty()) return;
  mp3Open_ = Mp3Open(copy) == 0;
  if (mp3Open_) {
    SendWithoutReply("play MP3Play");
  } else {
    plainCopy_.Remove();  // a copy the device refuses as well is of no use
  }
}

bool Quarlo_BGM::Mp3IsPlaying() {
  // A failed query leaves the buffer as it was, so the previous answer stands.
  const std::string ansiCommand = os_.ToAnsi("status MP3Play mode");
  os_.mciSendStringA(ansiCommand.c_str(), mp3ModeBuffer_.data(),
                     static_cast<std::uint32_t>(mp3ModeBuffer_.size()), os::kNull);
  return Mid(os_.FromAnsi(BufferText(mp3ModeBuffer_)), 1, kModeWordLength) == kPlaying;
}

void Quarlo_BGM::Mp3KeepPlaying() {
  if (Mp3IsPlaying()) return;
  SendWithoutReply("stop MP3Play");
  SendWithoutReply("play MP3Play from 0");
}

void Quarlo_BGM::Mp3Pause() { SendWithoutReply("pause MP3Play"); }

void Quarlo_BGM::Mp3Resume() { SendWithoutReply("resume MP3Play"); }

void Quarlo_BGM::Mp3Close() {
  SendWithoutReply("stop MP3Play");
  SendWithoutReply("close MP3Play");
  mp3Open_ = false;
  copyPending_ = false;
  // Only a closed alias lets go of the file.
  plainCopy_.Remove();
}

void Quarlo_BGM::WavPlay() {
  // The device count is read as a signed number, as the system's callers always have.
  const std::int32_t devices = std::bit_cast<std::int32_t>(os_.waveOutGetNumDevs());
  if (devices <= 0) return;
  const std::string ansiPath = os_.ToAnsi(SaverSettings().MusicFile);
  // Without SND_NODEFAULT a file that cannot be played would be replaced by the system's default
  // sound, looped for the whole run.
  os_.PlaySoundA(ansiPath.c_str(), os::kNull, os::kSndAsync | os::kSndNoDefault | os::kSndLoop);
}

void Quarlo_BGM::WavStop() { os_.PlaySoundA(nullptr, os::kNull, 0); }

// --- Audio CD --------------------------------------------------------------------------------

void Quarlo_BGM::CdOpen() {
  SendWithoutReply("open cdaudio");
  SendWithoutReply("set cdaudio time format tmsf");
}

void Quarlo_BGM::CdPoll() {
  cdReady_ = kTrue;

  const std::string current = MciStatus("status cdaudio current track");
  if (IsErrorAnswer(current)) {
    cdReady_ = kFalse;
    return;
  }
  // Only a second test that the disc answers; the count itself is not needed.
  if (IsErrorAnswer(MciStatus("status cdaudio number of tracks"))) {
    cdReady_ = kFalse;
    return;
  }

  const std::string ansiCommand = os_.ToAnsi("status cdaudio mode");
  os_.mciSendStringA(ansiCommand.c_str(), cdModeBuffer_.data(), kCdModeReplyLength, os::kNull);
  const bool stopped = Mid(os_.FromAnsi(BufferText(cdModeBuffer_)), 1, kModeWordLength) == kStopped;

  const std::int16_t held = SaverSettings().RepeatTrack;
  if (held == 0) {
    if (stopped) MciPlay(kCdDevice, "", "");
    return;
  }

  // An answer that is no number cannot be compared: the device is taken as failed.
  const std::optional<double> currentTrack = ParseNumber(current);
  if (!currentTrack) {
    cdReady_ = kFalse;
    return;
  }
  if (*currentTrack != held || stopped) {
    const std::string start = MciStatus("status cdaudio position track " + std::to_string(held));
    MciPlay(kCdDevice, start, "");
  }
}

void Quarlo_BGM::CdPlayNeighbour(int step) {
  const std::int16_t track = LenientTrackNumber(MciStatus("status cdaudio current track"));
  std::string start;
  if (const std::optional<std::int16_t> target = NeighbourTrack(track, step)) {
    start = MciStatus("status cdaudio position track " + std::to_string(*target));
  }
  MciPlay(kCdDevice, start, "");
}

void Quarlo_BGM::CdPreviousTrack() { CdPlayNeighbour(-1); }

void Quarlo_BGM::CdNextTrack() { CdPlayNeighbour(+1); }

void Quarlo_BGM::CdClose() {
  SendWithoutReply("stop cdaudio");
  SendWithoutReply("close cdaudio");
}

void Quarlo_BGM::CdPause() { SendWithoutReply("pause cdaudio"); }

void Quarlo_BGM::CdResume() { MciPlay(kCdDevice, "", ""); }

}  // namespace quarlo::music
