// FakeOs: what "why won't the saver start?" reads and mends, answered from the public fields.
#include "support/code_pages.h"
#include "support/fake_os.h"

namespace quarlo::testing {

constexpr std::int32_t kFileNotFound = 2;

std::uint32_t FakeOs::Answer(const std::string& text, std::string* buffer) {
  if (!text.empty() && buffer != nullptr) *buffer = text;
  return static_cast<std::uint32_t>(Utf16Length(text));
}

std::int32_t FakeOs::RegGetValueW(os::Handle, const char* subKey, const char* value,
                                  std::uint32_t flags, std::string* data) {
  Record("RegGetValueW(HKCU, " + Quote(subKey) + ", " + Quote(value) + ", " +
         std::to_string(flags) + ")");
  const auto found = registry.find(std::string(subKey) + "\\" + value);
  if (found == registry.end()) return kFileNotFound;
  *data = found->second;
  return os::kErrorSuccess;
}

std::int32_t FakeOs::RegSetKeyValueW(os::Handle, const char* subKey, const char* valueName,
                                     std::uint32_t type, const char* data) {
  Record("RegSetKeyValueW(HKCU, " + Quote(subKey) + ", " + Quote(valueName) + ", " +
         std::to_string(type) + ", " + Quote(data) + ")");
  registry[std::string(subKey) + "\\" + valueName] = data;
  return os::kErrorSuccess;
}

std::uint32_t FakeOs::GetLongPathNameW(const char* shortPath, std::string* longPath,
                                       std::uint32_t) {
  return longPaths.count(shortPath) > 0 ? Answer(longPaths[shortPath], longPath) : 0;
}

std::uint32_t FakeOs::ReadPlan(const std::optional<PowerPlan>& plan, const os::Guid& setting,
                               std::uint32_t* value) {
  if (!plan) return os::kErrorCallNotImplemented;
  *value = setting == os::kGuidStandbyTimeout ? plan->second : plan->first;
  return os::kErrorSuccess;
}

}  // namespace quarlo::testing
