#include "settings_dialog/start_checks.h"

#include "os/os.h"
#include "rules/numeric.h"
#include "rules/text.h"
#include "settings/settings.h"

namespace quarlo {
namespace {

StartFinding Found(Check check, Finding what, Outcome outcome = Outcome::kFine,
                   Mend mend = Mend::kNone, std::string path = {}, std::uint32_t seconds = 0,
                   std::uint32_t waitSeconds = 0) {
  return {check, what, outcome, mend, std::move(path), seconds, waitSeconds};
}

// `path` with its folder `from` put in place of `to`, when it lies in `from`.
std::optional<std::string> Moved(const std::string& path, const std::string& from,
                                 const std::string& to) {
  if (!InFolder(path, from)) return std::nullopt;
  return to + path.substr(from.size());
}

std::string Sysnative(const SystemFolders& folders) { return folders.windows + "\\Sysnative"; }

// Both name one file: the names are long names as the host gives them, so only the case of their
// letters may differ.
bool SameFile(const std::string& a, const std::string& b) {
  return !a.empty() && UpperAscii(a) == UpperAscii(b);
}

// The saver the host runs: the policy's, where it names one.
const NamedSaver& SaverInForce(const SaverState& s) {
  return s.policySaver.stored.empty() ? s.chosen : s.policySaver;
}

std::optional<std::uint32_t> PolicySeconds(const SaverState& s) {
  const std::optional<double> number =
      s.policyTimeout ? ParseNumber(*s.policyTimeout) : std::nullopt;
  const std::optional<std::int32_t> seconds = number ? ToInt32(*number) : std::nullopt;
  if (!seconds || *seconds <= 0) return std::nullopt;
  return static_cast<std::uint32_t>(*seconds);
}

std::optional<std::uint32_t> WaitSeconds(const SaverState& s) {
  const std::optional<std::uint32_t> policy = PolicySeconds(s);
  return policy ? policy : s.timeoutSeconds;
}

// What the user can change alone: nothing the policy decides, whether saving is on or which saver.
Mend UserMend(const SaverState& s) {
  return s.policyActive || !s.policySaver.stored.empty() ? Mend::kNone : Mend::kUseQuarlo;
}

StartFinding Policy(const SaverState& s) {
  if (s.policyActive == "0") {
    return Found(Check::kPolicy, Finding::kPolicyOff, Outcome::kStopsSaver);
  }
  if (!s.policySaver.stored.empty() && !SameFile(s.policySaver.file, s.thisFile)) {
    return Found(Check::kPolicy, Finding::kPolicyOtherSaver, Outcome::kStopsSaver, Mend::kNone,
                 s.policySaver.stored);
  }
  if (const std::optional<std::uint32_t> seconds = PolicySeconds(s)) {
    return Found(Check::kPolicy, Finding::kPolicyWait, Outcome::kFine, Mend::kNone, "", *seconds);
  }
  return Found(Check::kPolicy, Finding::kNoPolicy);
}

std::optional<StartFinding> SavingOn(const SaverState& s) {
  const std::optional<bool> active =
      s.policyActive ? std::optional<bool>(*s.policyActive != "0") : s.screenSaveActive;
  if (active == false) {
    return Found(Check::kSavingOn, Finding::kSavingOff, Outcome::kStopsSaver, UserMend(s));
  }
  // SPI_GETSCREENSAVEACTIVE may answer TRUE with no saver chosen ("SystemParametersInfoA").
  if (SaverInForce(s).stored.empty()) {
    return Found(Check::kSavingOn, Finding::kNoSaverChosen, Outcome::kStopsSaver, UserMend(s));
  }
  if (!active) return std::nullopt;
  return Found(Check::kSavingOn, Finding::kSavingOn);
}

std::optional<StartFinding> ChosenSaver(const SaverState& s) {
  const NamedSaver& saver = SaverInForce(s);
  if (saver.stored.empty()) return std::nullopt;  // the check above says so
  if (saver.file.empty()) {
    return Found(Check::kChosenSaver, Finding::kChosenFileGone, Outcome::kStopsSaver, UserMend(s),
                 saver.stored);
  }
  if (!SameFile(saver.file, s.thisFile)) {
    return Found(Check::kChosenSaver, Finding::kOtherSaverChosen, Outcome::kStopsSaver, UserMend(s),
                 saver.stored);
  }
  return Found(Check::kChosenSaver, Finding::kQuarloChosen);
}

std::optional<StartFinding> Wait(const SaverState& s) {
  const std::optional<std::uint32_t> wait = WaitSeconds(s);
  if (!wait) return std::nullopt;
  return Found(Check::kWait, Finding::kWait, Outcome::kFine, Mend::kNone, "", *wait);
}

std::optional<StartFinding> Power(const SaverState& s) {
  const std::optional<std::uint32_t> wait = WaitSeconds(s);
  if (!wait || (!s.displayOffSeconds && !s.sleepSeconds)) return std::nullopt;
  // 0 is never; a display that goes dark as the saver starts hides it all the same.
  const auto before = [&](const std::optional<std::uint32_t>& seconds) {
    return seconds && *seconds != 0 && *seconds <= *wait;
  };
  const bool sleeps = before(s.sleepSeconds);
  const bool darkens = before(s.displayOffSeconds);
  if (!sleeps && !darkens) return Found(Check::kPower, Finding::kPowerAfterWait);
  // Whichever comes first; the PC's sleep where they come together.
  const bool sleepFirst = sleeps && (!darkens || *s.sleepSeconds <= *s.displayOffSeconds);
  StartFinding first =
      Found(Check::kPower, sleepFirst ? Finding::kSleepFirst : Finding::kDisplayOffFirst,
            Outcome::kStopsSaver, Mend::kOpenPowerOptions, "",
            sleepFirst ? *s.sleepSeconds : *s.displayOffSeconds, *wait);
  first.onBattery = s.onBattery;
  return first;
}

std::optional<StartFinding> DisplayHeld(const SaverState& s) {
  if (!s.executionState) return std::nullopt;
  // "POWER_REQUEST_TYPE": while a program requires the display, no screen saver starts.
  if ((*s.executionState & os::kEsDisplayRequired) != 0) {
    return Found(Check::kDisplayHeld, Finding::kDisplayHeld, Outcome::kStopsSaver);
  }
  return Found(Check::kDisplayHeld, Finding::kDisplayFree);
}

StartFinding SettingsKept(const SaverState& s) {
  // Where virtualisation applies, the user's copy is the file once it is there, and the place of
  // a new file wherever the user may not write beside the program.
  const bool inStore = !s.virtualStoreFile.empty() && (s.virtualStoreCopy || !s.mayWriteSettings);
  const std::string& where = inStore ? s.virtualStoreFile : s.settingsFile;
  if (!(inStore ? s.mayWriteVirtualStore : s.mayWriteSettings)) {
    return Found(Check::kSettingsKept, Finding::kSettingsNotKept, Outcome::kWorthKnowing,
                 Mend::kNone, where);
  }
  return Found(Check::kSettingsKept,
               inStore ? Finding::kSettingsInVirtualStore : Finding::kSettingsBeside,
               Outcome::kFine, Mend::kNone, where);
}

std::optional<StartFinding> Music(const SaverState& s) {
  if (s.musicSource == kMusicFile) {
    if (s.musicFileThere) {
      return Found(Check::kMusic, Finding::kMusicThere, Outcome::kFine, Mend::kNone, s.musicFile);
    }
    return Found(Check::kMusic, Finding::kMusicFileGone, Outcome::kWorthKnowing, Mend::kNone,
                 s.musicFile);
  }
  if (s.musicSource != kMusicCd || !s.cdDrive) return std::nullopt;
  if (*s.cdDrive) return Found(Check::kMusic, Finding::kMusicThere);
  return Found(Check::kMusic, Finding::kNoCdDrive, Outcome::kWorthKnowing);
}

}  // namespace

bool InFolder(const std::string& path, const std::string& folder) {
  return !folder.empty() && path.size() >= folder.size() &&
         UpperAscii(path.substr(0, folder.size())) == UpperAscii(folder) &&
         (path.size() == folder.size() || path[folder.size()] == '\\');
}

std::string HostPath(const std::string& path, const SystemFolders& folders) {
  if (!folders.wow64Process) return path;
  if (auto moved = Moved(path, folders.system, folders.wow64)) return *moved;
  if (auto moved = Moved(path, Sysnative(folders), folders.system)) return *moved;
  return path;
}

std::string PathFromHere(const std::string& path, const SystemFolders& folders) {
  if (InFolder(path, Sysnative(folders))) return {};
  if (!folders.wow64Process) return path;
  if (auto moved = Moved(path, folders.system, Sysnative(folders))) return *moved;
  return path;
}

std::vector<StartFinding> CheckStart(const SaverState& state) {
  std::vector<StartFinding> findings = {Policy(state)};
  for (const auto& finding :
       {SavingOn(state), ChosenSaver(state), Wait(state), Power(state), DisplayHeld(state)}) {
    if (finding) findings.push_back(*finding);
  }
  findings.push_back(SettingsKept(state));
  if (const std::optional<StartFinding> music = Music(state)) findings.push_back(*music);
  return findings;
}

}  // namespace quarlo
