// Any command line through the runtime's split and the start procedure: the split gives a suffix
// of the line that starts with no blank, a quoted program path gives back exactly the arguments
// after it, and the start procedure always either opens exactly one face or ends the process.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "rules/text.h"
#include "fuzz/fuzz_check.h"
#include "os/command_line.h"
#include "startup/quarlo_b.h"
#include "settings/settings.h"
#include "support/fake_os.h"

namespace {

class CountingFaces : public quarlo::Faces {
 public:
  void StartPreview(const std::string& text) override {
    ++opened;
    quarlo::PreviewHostHandle(text);
  }
  void ShowSettingsDialog() override { ++opened; }
  void LoadSaver() override { ++opened; }
  int opened = 0;
};

bool Separates(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The arguments as the program sees them: up to a NUL, without the separators in front.
std::string_view Arguments(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  while (!text.empty() && Separates(text.front())) text.remove_prefix(1);
  return text;
}

void CheckSplit(const std::string& line) {
  const std::string_view whole = std::string_view(line).substr(0, line.find('\0'));
  const std::string_view text = quarlo::os::ArgumentText(line);
  CHECK(text.size() <= whole.size() && whole.substr(whole.size() - text.size()) == text);
  CHECK(text.empty() || !Separates(text.front()));
  // The line again with its first word as a quoted program path: the rest comes back as it was.
  const std::size_t blank = line.find(' ');
  std::string program = line.substr(0, blank);
  program.erase(
      std::remove_if(program.begin(), program.end(), [](char c) { return c == '"' || c == '\0'; }),
      program.end());
  const std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
  CHECK(quarlo::os::ArgumentText("\"" + program + "\" " + rest) == Arguments(rest));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  // The first line is the process's command line, the rest the stored sprite count and music file.
  const std::size_t cut = input.find('\n');
  const std::string line = input.substr(0, cut);
  CheckSplit(line);

  quarlo::testing::FakeOs os;
  os.commandText = std::string(quarlo::os::ArgumentText(line));
  if (cut != std::string::npos) {
    const std::string rest = input.substr(cut + 1);
    const std::size_t cut2 = rest.find('\n');
    auto& section = os.profiles["C:\\Saver\\Quarlo.ini"]["Section"];
    section[quarlo::kKeySpriteCount] = rest.substr(0, cut2);
    section[quarlo::kKeyMusicSource] = rest.substr(0, cut2);
    if (cut2 != std::string::npos) section[quarlo::kKeyMusicFile] = rest.substr(cut2 + 1);
  }
  quarlo::ResetSaverSettings();
  CountingFaces faces;
  quarlo::Main(os, faces);
  const bool refused = faces.opened == 0 && os.exited();
  CHECK(faces.opened == 1 || refused);
  // A switch character is at most one character.
  CHECK(quarlo::CharacterCount(quarlo::SwitchCharacter(os.commandText)) <= 1);
  if (quarlo::SaverSettings().MusicSource == quarlo::kMusicFile) {
    CHECK(!quarlo::SaverSettings().MusicFile.empty());
  }
  return 0;
}
