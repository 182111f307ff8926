#pragma once
// The four user settings: the process-wide record and the settings file beside the executable.

#include <cstdint>
#include <string>

#include "os/os.h"

namespace quarlo {

struct Settings {
  std::int16_t SpriteCount = 0;
  std::int16_t MusicSource = 0;  // 0 none, 1 audio CD, 2 MP3 or WAV file
  std::int16_t RepeatTrack = 0;  // 0 plays the whole disc
  std::string MusicFile;
};

inline constexpr std::int16_t kMusicNone = 0;
inline constexpr std::int16_t kMusicCd = 1;
inline constexpr std::int16_t kMusicFile = 2;

// The settings of this run, filled by LoadSettings. Tests reset it between cases.
Settings& SaverSettings();
void ResetSaverSettings();

inline constexpr const char* kSection = "Section";
inline constexpr const char* kKeySpriteCount = "Quarloの数";
inline constexpr const char* kKeyMusicSource = "BGM区分";
inline constexpr const char* kKeyRepeatTrack = "BGMﾘﾋﾟｰﾄ";
inline constexpr const char* kKeyMusicFile = "BGMﾌｧｲﾙ";

// The executable's directory as the program names it: no trailing backslash, except at a drive
// root ("C:\").
std::string AppPath(os::Os& os);
// AppPath followed by "\Quarlo.ini"; at a drive root the path has two backslashes in a row.
std::string SettingsPath(os::Os& os);

// One value of the settings file, at most 255 bytes; empty when the file, section or key is
// missing.
std::string ReadIniValue(os::Os& os, const std::string& section, const std::string& key,
                         const std::string& filePath);
// Writes one value; reports nothing. A value the file cannot hold as written (a line break, or a
// character the ANSI code page lacks) is not written, so the file keeps its previous value.
void WriteIniValue(os::Os& os, const std::string& section, const std::string& key,
                   const std::string& value, const std::string& filePath);
// True when the file can be opened for reading; a trailing backslash is ignored.
bool FileExists(os::Os& os, const std::string& path);

// Fills SaverSettings from the settings file. Never fails.
void LoadSettings(os::Os& os);

}  // namespace quarlo
