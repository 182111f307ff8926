#include "os/command_line.h"

namespace quarlo::os {
namespace {

// Blanks, tabs and every other control character separate, as the runtime's "c <= ' '" test does;
// the bytes of non-ASCII characters do not.
bool Separates(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string_view ArgumentText(std::string_view commandLine) {
  // The system's line is a C string: it ends at its first NUL.
  const std::string_view line = commandLine.substr(0, commandLine.find('\0'));
  std::size_t at = 0;
  bool quoted = false;
  while (at < line.size() && (quoted || !Separates(line[at]))) {
    if (line[at] == '"') quoted = !quoted;
    ++at;
  }
  while (at < line.size() && Separates(line[at])) ++at;
  return line.substr(at);
}

}  // namespace quarlo::os
