#pragma once
// What the findings of the start checks (start_checks.h) say, in the dialog's language: the line
// under the settings, the whole list, and the list as plain text for the clipboard. Times are
// said in whole minutes, a part of one counted as one.

#include <string>
#include <vector>

#include "settings_dialog/start_checks.h"
#include "settings_dialog/texts.h"

namespace quarlo {

std::string CheckTitle(const Texts& texts, Check check);
// A finding as the list says it; `fileNamesOnly` names a file without its folder, as the one
// line under the settings does (the list shows the whole path).
std::string FindingText(const Texts& texts, const StartFinding& finding,
                        bool fileNamesOnly = false);
std::string MendCaption(const Texts& texts, Mend mend);

// What the line says: the first finding that stops the saver, or with none the wait's, which
// says when it starts; nullptr when neither is there.
const StartFinding* LineFinding(const std::vector<StartFinding>& findings);
std::string LineText(const Texts& texts, const StartFinding& finding);

// The list for whoever helps: its title, then each check and its finding, a line each (CR LF).
std::string ListText(const Texts& texts, const std::vector<StartFinding>& findings);

}  // namespace quarlo
