#pragma once
// The user settings: the process-wide record and the settings file beside the executable.

#include <cstdint>
#include <string>

#include "os/os.h"
#include "rules/numeric.h"

namespace quarlo {

struct Settings {
  std::int16_t SpriteCount = 0;
  std::int16_t MusicSource = 0;  // 0 none, 1 audio CD, 2 MP3 or WAV file
  std::int16_t RepeatTrack = 0;  // 0 plays the whole disc
  std::string MusicFile;
  // Every monitor shows a scene of its own; off, the others are covered with black.
  Bool16 EveryMonitor = kFalse;
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
inline constexpr const char* kKeyEveryMonitor = "全ﾓﾆﾀｰ";

// The executable's directory as the program names it: no trailing backslash, except at a drive
// root ("C:\").
std::string AppPath(os::Os& os);
// AppPath followed by "\Quarlo.ini"; at a drive root the path has two backslashes in a row.
std::string SettingsPath(os::Os& os);

// The settings file is kept in the ANSI code page, with the key names in the Shift-JIS bytes a
// Japanese system writes. On any code page that carries those bytes through unchanged (932, and
// the single-byte code pages such as 1252) the names are passed as those bytes read in it, so the
// file is the same byte for byte everywhere; elsewhere (a double-byte code page other than 932,
// UTF-8) they are passed as text, and the system writes them as that code page can.
std::string KeyInFile(os::Os& os, const std::string& key);

// True when the settings file can hold `value` so that it reads back unchanged: no control
// character (a line break among them), no blank at either end, every character in the ANSI code
// page, and not enclosed in quotes (the reader drops blanks and one pair of quotes round a value).
bool SettingsFileCanHold(os::Os& os, const std::string& value);

// One value of the settings file, at most 255 characters; empty when the file, section or key is
// missing. The path may hold any character.
std::string ReadIniValue(os::Os& os, const std::string& section, const std::string& key,
                         const std::string& filePath);
// Writes one value; reports nothing. A value the file cannot hold (SettingsFileCanHold, blanks in
// front aside) is not written, so the file keeps its previous value.
void WriteIniValue(os::Os& os, const std::string& section, const std::string& key,
                   const std::string& value, const std::string& filePath);
// True when the file can be opened for reading by its name in the ANSI code page; a trailing
// backslash is ignored.
bool FileExists(os::Os& os, const std::string& path);

// Fills SaverSettings from the settings file. Never fails. A music path is kept when the file
// can hold it as it is, whether or not it can be opened now (the saver asks at its start).
// EveryMonitor is on for any number but zero; absent, empty or not a number, it is off.
void LoadSettings(os::Os& os);

}  // namespace quarlo
