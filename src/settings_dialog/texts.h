#pragma once
// The settings dialog's texts, from the program's string tables in the language of Windows' user
// interface: Japanese on a Japanese Windows, English on every other. The language is read once,
// when the texts are made. Names the system keeps (the window titles the instance test looks
// for, the settings file's keys) are not texts of this kind.

#include <string>

#include "os/os.h"
#include "settings_dialog/text_ids.h"

namespace quarlo {

enum class Language { Japanese, English };

// The language of Windows' user interface as the dialog speaks it.
Language UserInterfaceLanguage(os::Os& os);

class Texts {
 public:
  explicit Texts(os::Os& os);
  Language GetLanguage() const { return language_; }
  // The text of an IDS_ number; empty when the program lacks it.
  std::string operator[](int id) const;

 private:
  os::Os& os_;
  Language language_;
};

}  // namespace quarlo
