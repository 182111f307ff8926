#include "settings/settings.h"

#include <algorithm>
#include <cmath>

#include "rules/numeric.h"
#include "rules/text.h"

namespace quarlo {
namespace {

Settings g_settings;

constexpr std::uint32_t kReadBufferSize = 256;
constexpr std::size_t kNameBufferSize = 128;

// Reads a stored number into a 16-bit field: empty text gives the default; text that is not a
// number, or a value outside the 16-bit range after flooring, leaves the field as it was.
void LoadNumber(os::Os& os, const char* key, std::int16_t emptyValue, std::int16_t& field) {
  const std::string text = ReadIniValue(os, kSection, key, SettingsPath(os));
  if (text.empty()) {
    field = emptyValue;
    return;
  }
  const std::optional<double> number = ParseNumber(text);
  if (!number) return;
  if (const std::optional<std::int16_t> value = ToInt16(std::floor(*number))) field = *value;
}

// A stored switch: on for any number but zero; absent, empty or not a number, off.
Bool16 LoadSwitch(os::Os& os, const char* key) {
  const std::optional<double> number =
      ParseNumber(ReadIniValue(os, kSection, key, SettingsPath(os)));
  return ToBool16(number && *number != 0.0);
}

// A section or key name as the 128-character buffer holds it.
std::string NameInBuffer(const std::string& name) { return Mid(name, 1, kNameBufferSize - 1); }

// The key names as a Japanese system stores them.
struct StoredKey {
  const char* name;
  const char* shiftJis;
};
constexpr StoredKey kStoredKeys[] = {
    {kKeySpriteCount, "Quarlo\x82\xcc\x90\x94"},
    {kKeyMusicSource, "BGM\x8b\xe6\x95\xaa"},
    {kKeyRepeatTrack, "BGM\xd8\xcb\xdf\xb0\xc4"},
    {kKeyMusicFile, "BGM\xcc\xa7\xb2\xd9"},
    {kKeyEveryMonitor, "\x91\x53\xd3\xc6\xc0\xb0"},
};

bool EnclosedInQuotes(const std::string& value) {
  return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
         value.back() == value.front();
}

}  // namespace

Settings& SaverSettings() { return g_settings; }
void ResetSaverSettings() { g_settings = Settings{}; }

std::string AppPath(os::Os& os) {
  const std::string module = os.ModuleFileName();
  const std::size_t slash = module.find_last_of('\\');
  std::string directory = slash == std::string::npos ? std::string() : module.substr(0, slash);
  if (directory.size() == 2 && directory[1] == ':') directory += '\\';
  return directory;
}

std::string SettingsPath(os::Os& os) { return AppPath(os) + "\\Quarlo.ini"; }

std::string KeyInFile(os::Os& os, const std::string& key) {
  for (const StoredKey& stored : kStoredKeys) {
    if (key != stored.name) continue;
    const std::string text = os.FromAnsi(stored.shiftJis);
    if (os.ToAnsi(text) == stored.shiftJis) return text;
  }
  return key;
}

bool SettingsFileCanHold(os::Os& os, const std::string& value) {
  // A line break would end the line; other control characters at either end are dropped by the
  // reader like blanks (and no file name holds one), and so are blanks.
  for (const char c : value) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  if (!value.empty() && (value.front() == ' ' || value.back() == ' ')) return false;
  if (EnclosedInQuotes(value)) return false;
  return os::AnsiCanHold(os, value);
}

std::string ReadIniValue(os::Os& os, const std::string& section, const std::string& key,
                         const std::string& filePath) {
  std::string value;
  os.GetPrivateProfileStringW(section.c_str(), KeyInFile(os, key).c_str(), "", &value,
                              kReadBufferSize, filePath.c_str());
  return value;
}

void WriteIniValue(os::Os& os, const std::string& section, const std::string& key,
                   const std::string& value, const std::string& filePath) {
  // The blank in front of a number's sign-position form is dropped by the reader, as intended.
  if (!SettingsFileCanHold(os,
                           value.substr(std::min(value.find_first_not_of(' '), value.size())))) {
    return;
  }
  const std::string name = KeyInFile(os, NameInBuffer(key));
  os.WritePrivateProfileStringW(NameInBuffer(section).c_str(), name.c_str(), value.c_str(),
                                filePath.c_str());
}

bool FileExists(os::Os& os, const std::string& path) {
  std::string target = path;
  if (!target.empty() && target.back() == '\\') target.pop_back();
  // A name the ANSI code page cannot hold (from a settings file saved in UTF-16) would reach the
  // system with "?" or a look-alike in its place, which may even name another file.
  if (!os::AnsiCanHold(os, target)) return false;
  return os.CanOpenForReading(os.ToAnsi(target));
}

void LoadSettings(os::Os& os) {
  Settings& s = g_settings;
  LoadNumber(os, kKeySpriteCount, 50, s.SpriteCount);
  LoadNumber(os, kKeyMusicSource, 0, s.MusicSource);
  LoadNumber(os, kKeyRepeatTrack, 0, s.RepeatTrack);

  const std::string file = ReadIniValue(os, kSection, kKeyMusicFile, SettingsPath(os));
  s.MusicFile = file;
  // A path the file cannot hold as it is (only a hand-edited file gives one: quotes round blanks,
  // say) is no file name; dropped, it can never be saved back changed. A file that cannot be
  // opened now is kept: it may be on a drive that is away, and it is the user's choice still.
  if (file.empty() || !SettingsFileCanHold(os, file)) {
    s.MusicFile.clear();
    if (s.MusicSource == kMusicFile) s.MusicSource = kMusicNone;
  }
  s.EveryMonitor = LoadSwitch(os, kKeyEveryMonitor);
}

}  // namespace quarlo
