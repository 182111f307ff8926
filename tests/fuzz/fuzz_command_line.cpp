// Any command text and any settings values through the start procedure: it always either opens
// exactly one face or ends the process, and never crashes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "startup/quarlo_b.h"
#include "startup/settings.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  // The first part is the command text, the rest the stored sprite count and music file.
  const std::size_t cut = input.find('\n');
  quarlo::testing::FakeOs os;
  os.commandText = input.substr(0, cut);
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
  if (faces.opened != 1 && !refused) std::abort();
  if (quarlo::SaverSettings().MusicSource == quarlo::kMusicFile &&
      quarlo::SaverSettings().MusicFile.empty()) {
    std::abort();
  }
  return 0;
}
