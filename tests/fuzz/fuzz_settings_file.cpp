// Any settings file, on any of the code pages, read through the real loader as the system parses
// it: the loader never crashes, what it loads is consistent, and what it loads, saved back as the
// dialog saves it, loads again unchanged.
#include <cstdint>
#include <string>

#include "rules/numeric.h"
#include "rules/text.h"
#include "fuzz/fuzz_check.h"
#include "settings/settings.h"
#include "support/fake_os.h"

namespace {

constexpr const char* kIni = "C:\\Saver\\Quarlo.ini";
constexpr std::uint32_t kCodePages[] = {932, 1252, 65001};

bool SameSettings(const quarlo::Settings& a, const quarlo::Settings& b) {
  return a.SpriteCount == b.SpriteCount && a.MusicSource == b.MusicSource &&
         a.RepeatTrack == b.RepeatTrack && a.MusicFile == b.MusicFile &&
         a.EveryMonitor == b.EveryMonitor;
}

}  // namespace

// The first byte chooses the code page and whether the music file exists; the rest is the file.
// Whether it exists changes nothing: the loader never asks (the saver does, at its start).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  quarlo::testing::FakeOs os;
  os.codePage = kCodePages[(data[0] & 0x7F) % 3];
  os.everyFileReadable = (data[0] & 0x80) != 0;
  os.LoadProfileFile(kIni, std::string(reinterpret_cast<const char*>(data) + 1, size - 1));

  quarlo::ResetSaverSettings();
  quarlo::LoadSettings(os);
  const quarlo::Settings loaded = quarlo::SaverSettings();

  // A file source always has its file.
  CHECK(loaded.MusicSource != quarlo::kMusicFile || !loaded.MusicFile.empty());
  CHECK(os.callsStartingWith("CanOpenForReading").empty());
  // A kept path is one the file holds as it is, within the reader's 255 characters.
  CHECK(loaded.MusicFile.empty() || quarlo::SettingsFileCanHold(os, loaded.MusicFile));
  CHECK(quarlo::CharacterCount(loaded.MusicFile) <= 255);

  // Saved as the dialog saves it (the three numbers in the sign-position form, the path as it is)
  // and loaded again by a fresh run: the same settings.
  quarlo::WriteIniValue(os, quarlo::kSection, quarlo::kKeySpriteCount,
                        quarlo::SignedDecimal(loaded.SpriteCount), kIni);
  quarlo::WriteIniValue(os, quarlo::kSection, quarlo::kKeyMusicSource,
                        quarlo::SignedDecimal(loaded.MusicSource), kIni);
  quarlo::WriteIniValue(os, quarlo::kSection, quarlo::kKeyRepeatTrack,
                        quarlo::SignedDecimal(loaded.RepeatTrack), kIni);
  quarlo::WriteIniValue(os, quarlo::kSection, quarlo::kKeyMusicFile, loaded.MusicFile, kIni);
  if (quarlo::IsTrue(loaded.EveryMonitor))  // the dialog writes it when it is on
    quarlo::WriteIniValue(os, quarlo::kSection, quarlo::kKeyEveryMonitor, "-1", kIni);
  quarlo::ResetSaverSettings();
  quarlo::LoadSettings(os);
  CHECK(SameSettings(quarlo::SaverSettings(), loaded));
  return 0;
}
