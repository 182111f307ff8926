#pragma once
// The start procedure: the single-instance test, the switch, the choice of face, and the
// system's screen-saver-running flag.

#include <cstdint>
#include <string>

#include "os/os.h"
#include "rules/numeric.h"

namespace quarlo {

inline constexpr const char* kSaverTitle = "Quarlo_Main";
inline constexpr const char* kDialogTitle = "Quarloの設定";
// The settings dialog's title on a Windows that does not speak Japanese.
inline constexpr const char* kDialogTitleEnglish = "Quarlo Settings";

// The three faces the start procedure can open. The product wires them to the real windows;
// tests record which one was asked for.
class Faces {
 public:
  virtual ~Faces() = default;
  // Attaches the still preview inside the host window named by the command text; returns at once.
  virtual void StartPreview(const std::string& commandText) = 0;
  // Shows the settings dialog modally, without an owner; returns when it has closed.
  virtual void ShowSettingsDialog() = 0;
  // Loads the full-screen saver, which ends the process itself.
  virtual void LoadSaver() = 0;
};

// The second character of the upper-cased command text; empty when the text is shorter.
std::string SwitchCharacter(const std::string& commandText);

// The preview host handle: the command text from its fourth character on, read as a number and
// rounded to 32 bits; 0 when there is no number or it does not fit.
std::int32_t PreviewHostHandle(const std::string& commandText);

// Tells the system whether a screen saver is running: false says one is, true says none is.
void EnableSystemKeys(os::Os& os, Bool16 flag);

// The program's start procedure.
void Main(os::Os& os, Faces& faces);

}  // namespace quarlo
