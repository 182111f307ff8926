#pragma once
// The mends the start checks offer (start_checks.h), each doing exactly what its button says and
// nothing else, and reporting whether the system took it.

#include "os/os.h"
#include "settings_dialog/start_checks.h"

namespace quarlo {

// This very file becomes the user's screen saver, as Setup makes it: SCRNSAVE.EXE names it the
// way the host and the Screen Saver Settings page name it, and screen saving is switched on,
// stored and announced to the programs running. The wait stays as it was.
bool UseQuarlo(os::Os& os);
// Opens the settings of the active power plan (its display and sleep times) in Control Panel.
bool OpenPowerOptions(os::Os& os, os::Handle owner);
// The mend a finding offers; false for none.
bool RunMend(os::Os& os, Mend mend, os::Handle owner);

}  // namespace quarlo
