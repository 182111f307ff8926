// FakeOs: the program's string tables, read once from the product's resource script, and the
// clipboard.
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <utility>

#include "support/fake_os.h"

namespace quarlo::testing {
namespace {

using Tables = std::map<std::pair<std::uint16_t, std::uint32_t>, std::string>;

std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The STRINGTABLE entries of quarlo.rc by language and number, its names read from the header.
Tables ReadTables() {
  std::map<std::string, std::uint32_t> numbers;
  const std::string ids = Contents(QUARLO_SOURCE_DIR "/src/settings_dialog/text_ids.h");
  const std::regex define(R"(#define\s+(\w+)\s+(\d+))");
  for (std::sregex_iterator m(ids.begin(), ids.end(), define), end; m != end; ++m) {
    numbers[(*m)[1]] = static_cast<std::uint32_t>(std::stoul((*m)[2]));
  }
  const std::regex language(R"(^LANGUAGE\s+LANG_(\w+),)");
  const std::regex entry(R"(^\s+(\w+)\s+\"(.*)\"\s*$)");
  const std::map<std::string, std::uint16_t> languages = {
      {"NEUTRAL", 0}, {"JAPANESE", os::kLangIdJapanese}, {"ENGLISH", os::kLangIdEnglishUs}};
  Tables tables;
  std::istringstream script(Contents(QUARLO_SOURCE_DIR "/src/program/quarlo.rc"));
  std::uint16_t current = 0;
  std::smatch m;
  for (std::string line; std::getline(script, line);) {
    if (std::regex_search(line, m, language)) current = languages.at(m[1]);
    if (std::regex_match(line, m, entry) && numbers.count(m[1]) != 0) {
      tables[{current, numbers[m[1]]}] = m[2];
    }
  }
  return tables;
}

}  // namespace

std::optional<std::string> FakeOs::FindStringResourceExW(std::uint32_t id, std::uint16_t language) {
  static const Tables tables = ReadTables();
  const auto it = tables.find({language, id});
  if (it == tables.end() || it->second.empty()) return std::nullopt;
  return it->second;
}

bool FakeOs::OpenClipboard(os::Handle owner) {
  Record("OpenClipboard(" + std::to_string(owner) + ")");
  return true;
}

bool FakeOs::EmptyClipboard() {
  Record("EmptyClipboard()");
  clipboard.reset();
  return true;
}

bool FakeOs::SetClipboardData(std::uint32_t format, const std::string& text) {
  Record("SetClipboardData(" + std::to_string(format) + ", " + Quote(text.c_str()) + ")");
  if (format == os::kCfUnicodeText) clipboard = text;
  return format == os::kCfUnicodeText;
}

bool FakeOs::CloseClipboard() {
  Record("CloseClipboard()");
  return true;
}

}  // namespace quarlo::testing
