#include "framework/property_bag.h"

#include <array>
#include <charconv>

#include "rules/numeric.h"
#include "rules/text.h"

namespace quarlo::fw {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameKey(std::string_view a, std::string_view b) { return UpperAscii(a) == UpperAscii(b); }

std::string Quote(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\t':
        quoted += "\\t";
        break;
      default:
        quoted += c;
    }
  }
  return quoted + "\"";
}

// The text between the quotes of a whole quoted value; nullopt when it is not one.
std::optional<std::string> Unquote(std::string_view value) {
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::nullopt;
  std::string text;
  for (std::size_t i = 1; i + 1 < value.size(); ++i) {
    char c = value[i];
    if (c == '"') return std::nullopt;
    if (c == '\\') {
      if (i + 2 >= value.size()) return std::nullopt;
      switch (value[++i]) {
        case '"':
          c = '"';
          break;
        case '\\':
          c = '\\';
          break;
        case 'n':
          c = '\n';
          break;
        case 'r':
          c = '\r';
          break;
        case 't':
          c = '\t';
          break;
        default:
          return std::nullopt;
      }
    }
    text += c;
  }
  return text;
}

std::optional<bool> TextToBoolean(std::string_view text) {
  const std::string upper = UpperAscii(Trim(text));
  if (upper == "TRUE") return true;
  if (upper == "FALSE") return false;
  const std::optional<double> number = ParseNumber(text);
  if (!number) return std::nullopt;
  return *number != 0.0;
}

const char* BooleanText(bool value) { return value ? "True" : "False"; }

std::string DecimalText(double value) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

// "Key = value" split at the first equals sign; nullopt when there is none or the key is empty.
std::optional<std::pair<std::string_view, std::string_view>> SplitLine(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const std::string_view key = Trim(line.substr(0, equals));
  if (key.empty()) return std::nullopt;
  return std::make_pair(key, Trim(line.substr(equals + 1)));
}

// The text a scalar field of a font block holds, quoted or bare.
std::string FieldText(std::string_view value) {
  if (const auto unquoted = Unquote(value)) return *unquoted;
  return std::string(value);
}

// Reads one "Field = value" line into the font; false when the field is unknown or unreadable.
bool ReadFontField(Font& font, std::string_view field, std::string_view value) {
  const std::string name = UpperAscii(field);
  const std::string text = FieldText(value);
  if (name == "NAME") {
    const auto unquoted = Unquote(value);
    if (!unquoted) return false;
    font.name = *unquoted;
    return true;
  }
  if (name == "SIZE") {
    const auto size = ParseNumber(text);
    if (!size || *size <= 0.0) return false;
    font.size = *size;
    return true;
  }
  if (name == "WEIGHT" || name == "CHARSET") {
    const auto number = ParseNumber(text);
    const auto integer = number ? ToInt32(*number) : std::nullopt;
    if (!integer || *integer < 0 || (name == "WEIGHT" ? *integer > 1000 : *integer > 255))
      return false;
    (name == "WEIGHT" ? font.weight : font.charset) = *integer;
    return true;
  }
  bool* flag = name == "ITALIC"          ? &font.italic
               : name == "UNDERLINE"     ? &font.underline
               : name == "STRIKETHROUGH" ? &font.strikethrough
                                         : nullptr;
  if (flag == nullptr) return false;
  const auto on = TextToBoolean(text);
  if (!on) return false;
  *flag = *on;
  return true;
}

}  // namespace

const PropertyBag::Entry* PropertyBag::Find(std::string_view key) const {
  for (const Entry& entry : entries_) {
    if (SameKey(entry.key, key)) return &entry;
  }
  return nullptr;
}

void PropertyBag::Put(std::string_view key, Value value) {
  for (Entry& entry : entries_) {
    if (SameKey(entry.key, key)) {
      entry.value = std::move(value);
      return;
    }
  }
  entries_.push_back({std::string(key), std::move(value)});
}

void PropertyBag::Remove(std::string_view key) {
  std::erase_if(entries_, [&](const Entry& entry) { return SameKey(entry.key, key); });
}

bool PropertyBag::Contains(std::string_view key) const { return Find(key) != nullptr; }

std::vector<std::string> PropertyBag::Keys() const {
  std::vector<std::string> keys;
  for (const Entry& entry : entries_) keys.push_back(entry.key);
  return keys;
}

std::optional<double> PropertyBag::ReadNumber(std::string_view key, double defaultValue) const {
  const Entry* entry = Find(key);
  if (entry == nullptr) return defaultValue;
  const auto* scalar = std::get_if<Scalar>(&entry->value);
  if (scalar == nullptr) return std::nullopt;
  return ParseNumber(scalar->text);
}

std::optional<bool> PropertyBag::ReadBoolean(std::string_view key, bool defaultValue) const {
  const Entry* entry = Find(key);
  if (entry == nullptr) return defaultValue;
  const auto* scalar = std::get_if<Scalar>(&entry->value);
  return scalar != nullptr ? TextToBoolean(scalar->text) : std::nullopt;
}

std::optional<std::string> PropertyBag::ReadText(std::string_view key,
                                                 std::string_view defaultValue) const {
  const Entry* entry = Find(key);
  if (entry == nullptr) return std::string(defaultValue);
  const auto* scalar = std::get_if<Scalar>(&entry->value);
  if (scalar == nullptr) return std::nullopt;
  return scalar->text;
}

std::optional<std::uint8_t> PropertyBag::ReadByte(std::string_view key,
                                                  std::uint8_t defaultValue) const {
  const auto number = ReadNumber(key, defaultValue);
  return number ? ToUInt8(*number) : std::nullopt;
}

std::optional<std::int16_t> PropertyBag::ReadInt16(std::string_view key,
                                                   std::int16_t defaultValue) const {
  const auto number = ReadNumber(key, defaultValue);
  return number ? ToInt16(*number) : std::nullopt;
}

std::optional<std::int32_t> PropertyBag::ReadInt32(std::string_view key,
                                                   std::int32_t defaultValue) const {
  const auto number = ReadNumber(key, defaultValue);
  return number ? ToInt32(*number) : std::nullopt;
}

std::optional<Font> PropertyBag::ReadFont(std::string_view key, const Font& defaultValue) const {
  const Entry* entry = Find(key);
  if (entry == nullptr) return defaultValue;
  const auto* font = std::get_if<Font>(&entry->value);
  if (font == nullptr) return std::nullopt;
  return *font;
}

void PropertyBag::WriteBoolean(std::string_view key, bool value, bool defaultValue) {
  if (value == defaultValue) return Remove(key);
  Put(key, Scalar{BooleanText(value), false});
}

void PropertyBag::WriteText(std::string_view key, std::string_view value,
                            std::string_view defaultValue) {
  if (value == defaultValue) return Remove(key);
  Put(key, Scalar{std::string(value), true});
}

void PropertyBag::WriteByte(std::string_view key, std::uint8_t value, std::uint8_t defaultValue) {
  if (value == defaultValue) return Remove(key);
  Put(key, Scalar{std::to_string(value), false});
}

void PropertyBag::WriteInt16(std::string_view key, std::int16_t value, std::int16_t defaultValue) {
  if (value == defaultValue) return Remove(key);
  Put(key, Scalar{std::to_string(value), false});
}

void PropertyBag::WriteInt32(std::string_view key, std::int32_t value, std::int32_t defaultValue) {
  if (value == defaultValue) return Remove(key);
  Put(key, Scalar{std::to_string(value), false});
}

void PropertyBag::WriteFont(std::string_view key, const Font& value, const Font& defaultValue) {
  if (value == defaultValue) return Remove(key);
  Put(key, value);
}

std::string PropertyBag::Serialize() const {
  std::string text;
  for (const Entry& entry : entries_) {
    if (const auto* scalar = std::get_if<Scalar>(&entry.value)) {
      text += entry.key + " = ";
      text += (scalar->quoted ? Quote(scalar->text) : scalar->text) + "\n";
    } else if (const auto* font = std::get_if<Font>(&entry.value)) {
      text += entry.key + " = {\n";
      text += "  Name = " + Quote(font->name) + "\n";
      text += "  Size = " + DecimalText(font->size) + "\n";
      text += "  Weight = " + std::to_string(font->weight) + "\n";
      text += std::string("  Italic = ") + BooleanText(font->italic) + "\n";
      text += std::string("  Underline = ") + BooleanText(font->underline) + "\n";
      text += std::string("  Strikethrough = ") + BooleanText(font->strikethrough) + "\n";
      text += "  Charset = " + std::to_string(font->charset) + "\n";
      text += "}\n";
    }
    // An unreadable entry has no text form: it is dropped when the bag is saved again.
  }
  return text;
}

PropertyBag PropertyBag::Parse(std::string_view text) {
  PropertyBag bag;
  std::optional<std::string> fontKey;  // set while inside a font block
  Font font;
  bool fontReadable = true;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#') continue;

    if (fontKey) {
      if (line == "}") {
        bag.Put(*fontKey, fontReadable ? Value{font} : Value{Unreadable{}});
        fontKey.reset();
        continue;
      }
      const auto field = SplitLine(line);
      if (!field || !ReadFontField(font, field->first, field->second)) fontReadable = false;
      continue;
    }

    const auto entry = SplitLine(line);
    if (!entry) continue;
    const auto [key, value] = *entry;
    if (value == "{") {
      fontKey = std::string(key);
      font = Font{};
      fontReadable = true;
    } else if (!value.empty() && value.front() == '"') {
      const auto unquoted = Unquote(value);
      bag.Put(key, unquoted ? Value{Scalar{*unquoted, true}} : Value{Unreadable{}});
    } else {
      bag.Put(key, value.empty() ? Value{Unreadable{}} : Value{Scalar{std::string(value), false}});
    }
  }
  // A font block left open at the end of the text is not a font.
  if (fontKey) bag.Put(*fontKey, Unreadable{});
  return bag;
}

}  // namespace quarlo::fw
