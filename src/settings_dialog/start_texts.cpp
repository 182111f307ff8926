#include "settings_dialog/start_texts.h"

#include <iterator>

namespace quarlo {
namespace {

constexpr int kCheckTitles[] = {
    IDS_CHECK_POLICY, IDS_CHECK_SAVING_ON,    IDS_CHECK_CHOSEN_SAVER,  IDS_CHECK_WAIT,
    IDS_CHECK_POWER,  IDS_CHECK_DISPLAY_HELD, IDS_CHECK_SETTINGS_KEPT, IDS_CHECK_MUSIC};
static_assert(std::size(kCheckTitles) == static_cast<std::size_t>(Check::kMusic) + 1);

constexpr int kFindingTexts[] = {
    IDS_FOUND_NO_POLICY,         IDS_FOUND_POLICY_OFF,
    IDS_FOUND_POLICY_OTHER_SAVER, IDS_FOUND_POLICY_WAIT,
    IDS_FOUND_SAVING_ON,         IDS_FOUND_SAVING_OFF,
    IDS_FOUND_NO_SAVER_CHOSEN,   IDS_FOUND_QUARLO_CHOSEN,
    IDS_FOUND_OTHER_SAVER_CHOSEN, IDS_FOUND_CHOSEN_FILE_GONE,
    IDS_FOUND_WAIT,              IDS_FOUND_POWER_AFTER_WAIT,
    IDS_FOUND_DISPLAY_OFF_FIRST, IDS_FOUND_SLEEP_FIRST,
    IDS_FOUND_DISPLAY_FREE,      IDS_FOUND_DISPLAY_HELD,
    IDS_FOUND_SETTINGS_BESIDE,   IDS_FOUND_SETTINGS_IN_VIRTUAL_STORE,
    IDS_FOUND_SETTINGS_NOT_KEPT, IDS_FOUND_MUSIC_THERE,
    IDS_FOUND_MUSIC_FILE_GONE,   IDS_FOUND_NO_CD_DRIVE};
static_assert(std::size(kFindingTexts) == static_cast<std::size_t>(Finding::kNoCdDrive) + 1);

// Each "{name}" in the text replaced by its value.
std::string Fill(std::string text, const std::vector<std::pair<std::string, std::string>>& values) {
  for (const auto& [name, value] : values) {
    const std::string mark = "{" + name + "}";
    for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value.size())) {
      text.replace(at, mark.size(), value);
    }
  }
  return text;
}

std::string Minutes(const Texts& texts, std::uint32_t seconds) {
  const std::uint32_t minutes = seconds / 60 + (seconds % 60 != 0 ? 1 : 0);
  return Fill(texts[minutes == 1 ? IDS_MINUTE : IDS_MINUTES], {{"n", std::to_string(minutes)}});
}

std::string FileName(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

}  // namespace

std::string CheckTitle(const Texts& texts, Check check) {
  return texts[kCheckTitles[static_cast<std::size_t>(check)]];
}

std::string FindingText(const Texts& texts, const StartFinding& finding, bool fileNamesOnly) {
  return Fill(texts[kFindingTexts[static_cast<std::size_t>(finding.what)]],
              {{"path", fileNamesOnly ? FileName(finding.path) : finding.path},
               {"min", Minutes(texts, finding.seconds)},
               {"wait", Minutes(texts, finding.waitSeconds)},
               {"battery", finding.onBattery ? texts[IDS_ON_BATTERY] : ""}});
}

std::string MendCaption(const Texts& texts, Mend mend) {
  switch (mend) {
    case Mend::kUseQuarlo:
      return texts[IDS_MEND_USE_QUARLO];
    case Mend::kOpenPowerOptions:
      return texts[IDS_MEND_OPEN_POWER_OPTIONS];
    case Mend::kNone:
      break;
  }
  return {};
}

const StartFinding* LineFinding(const std::vector<StartFinding>& findings) {
  const StartFinding* wait = nullptr;
  for (const StartFinding& finding : findings) {
    if (finding.outcome == Outcome::kStopsSaver) return &finding;
    if (finding.check == Check::kWait) wait = &finding;
  }
  return wait;
}

std::string LineText(const Texts& texts, const StartFinding& finding) {
  if (finding.what == Finding::kWait) {
    return Fill(texts[IDS_STARTS_AFTER], {{"min", Minutes(texts, finding.seconds)}});
  }
  return FindingText(texts, finding, true);
}

std::string ListText(const Texts& texts, const std::vector<StartFinding>& findings) {
  std::string text = texts[IDS_LIST_TITLE] + "\r\n";
  for (const StartFinding& finding : findings) {
    text += CheckTitle(texts, finding.check) + ": " + FindingText(texts, finding) + "\r\n";
  }
  return text;
}

}  // namespace quarlo
