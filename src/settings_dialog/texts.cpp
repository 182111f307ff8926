#include "settings_dialog/texts.h"

namespace quarlo {

Language UserInterfaceLanguage(os::Os& os) {
  const auto primary =
      static_cast<std::uint16_t>(os.GetUserDefaultUILanguage() & os::kPrimaryLanguageMask);
  return primary == os::kLangJapanese ? Language::Japanese : Language::English;
}

Texts::Texts(os::Os& os) : os_(os), language_(UserInterfaceLanguage(os)) {}

std::string Texts::operator[](int id) const {
  const std::uint16_t table =
      language_ == Language::Japanese ? os::kLangIdJapanese : os::kLangIdEnglishUs;
  return os_.FindStringResourceExW(static_cast<std::uint32_t>(id), table).value_or("");
}

}  // namespace quarlo
