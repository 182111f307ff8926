#include "startup/settings.h"

#include <cmath>
#include <vector>

#include "framework/numeric.h"
#include "framework/text.h"

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

// A section or key name as the 128-character buffer holds it.
std::string NameInBuffer(const std::string& name) { return Mid(name, 1, kNameBufferSize - 1); }

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

std::string ReadIniValue(os::Os& os, const std::string& section, const std::string& key,
                         const std::string& filePath) {
  std::vector<char> buffer(kReadBufferSize, '\0');
  const std::string ansiSection = os.ToAnsi(section);
  const std::string ansiKey = os.ToAnsi(key);
  const std::string ansiPath = os.ToAnsi(filePath);
  os.GetPrivateProfileStringA(ansiSection.c_str(), ansiKey.c_str(), "", buffer.data(),
                              kReadBufferSize, ansiPath.c_str());
  buffer.back() = '\0';
  return os.FromAnsi(std::string(buffer.data()));
}

void WriteIniValue(os::Os& os, const std::string& section, const std::string& key,
                   const std::string& value, const std::string& filePath) {
  if (value.find_first_of("\r\n") != std::string::npos) return;
  const std::string ansiValue = os.ToAnsi(value);
  if (os.FromAnsi(ansiValue) != value) return;
  const std::string ansiSection = os.ToAnsi(NameInBuffer(section));
  const std::string ansiKey = os.ToAnsi(NameInBuffer(key));
  const std::string ansiPath = os.ToAnsi(filePath);
  os.WritePrivateProfileStringA(ansiSection.c_str(), ansiKey.c_str(), ansiValue.c_str(),
                                ansiPath.c_str());
}

bool FileExists(os::Os& os, const std::string& path) {
  std::string target = path;
  if (!target.empty() && target.back() == '\\') target.pop_back();
  return os.CanOpenForReading(os.ToAnsi(target));
}

void LoadSettings(os::Os& os) {
  Settings& s = g_settings;
  LoadNumber(os, kKeySpriteCount, 50, s.SpriteCount);
  LoadNumber(os, kKeyMusicSource, 0, s.MusicSource);
  LoadNumber(os, kKeyRepeatTrack, 0, s.RepeatTrack);

  const std::string file = ReadIniValue(os, kSection, kKeyMusicFile, SettingsPath(os));
  s.MusicFile = file;
  if (file.empty() || !FileExists(os, file)) {
    s.MusicFile.clear();
    if (s.MusicSource == kMusicFile) s.MusicSource = kMusicNone;
  }
}

}  // namespace quarlo
