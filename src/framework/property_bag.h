#pragma once
// The persisted property store of a custom control: named values that the host keeps with its
// window design and hands back when the window is loaded (the control's ReadProperties and
// WriteProperties run over it).
//
// Reading asks for a key with a default: a missing key gives the default, and a stored value
// that cannot be converted to the asked type gives nullopt, so that the caller keeps what it
// had. Writing gives a value and its default: a value equal to its default is not stored.
// Keys match without regard to ASCII case.
//
// The text form, one entry a line, in the order the entries were first written:
//
//   Caption = "ｷｬﾝｾﾙ"
//   FontColour = 255
//   Enabled = False
//   Font = {
//     Name = "ＭＳ Ｐゴシック"
//     Size = 9.75
//     Weight = 400
//     Italic = False
//     Underline = False
//     Strikethrough = False
//     Charset = 128
//   }
//
// Texts are double-quoted with the escapes \" \\ \n \r \t; numbers and booleans stand bare.
// Blank lines and lines starting with # are ignored, and so is a line without a key. A value
// that cannot be read (a broken quoted text, an empty value, a font block with a field that
// cannot be read) is kept as an entry that no read accepts, so the reader keeps its own value.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "framework/controls.h"

namespace quarlo::fw {

class PropertyBag {
 public:
  std::optional<bool> ReadBoolean(std::string_view key, bool defaultValue) const;
  std::optional<std::string> ReadText(std::string_view key, std::string_view defaultValue) const;
  std::optional<std::uint8_t> ReadByte(std::string_view key, std::uint8_t defaultValue) const;
  std::optional<std::int16_t> ReadInt16(std::string_view key, std::int16_t defaultValue) const;
  std::optional<std::int32_t> ReadInt32(std::string_view key, std::int32_t defaultValue) const;
  std::optional<Font> ReadFont(std::string_view key, const Font& defaultValue) const;

  void WriteBoolean(std::string_view key, bool value, bool defaultValue);
  void WriteText(std::string_view key, std::string_view value, std::string_view defaultValue);
  void WriteByte(std::string_view key, std::uint8_t value, std::uint8_t defaultValue);
  void WriteInt16(std::string_view key, std::int16_t value, std::int16_t defaultValue);
  void WriteInt32(std::string_view key, std::int32_t value, std::int32_t defaultValue);
  void WriteFont(std::string_view key, const Font& value, const Font& defaultValue);

  bool Contains(std::string_view key) const;
  // The stored keys in order.
  std::vector<std::string> Keys() const;

  std::string Serialize() const;
  static PropertyBag Parse(std::string_view text);

 private:
  struct Unreadable {};
  // A scalar is kept as its text (quoted or bare in the text form); a font as its fields.
  struct Scalar {
    std::string text;
    bool quoted = false;
  };
  using Value = std::variant<Scalar, Font, Unreadable>;
  struct Entry {
    std::string key;
    Value value;
  };

  const Entry* Find(std::string_view key) const;
  void Put(std::string_view key, Value value);
  void Remove(std::string_view key);
  // The number stored under the key; the default when it is missing, nullopt when it is no number.
  std::optional<double> ReadNumber(std::string_view key, double defaultValue) const;

  std::vector<Entry> entries_;
};

}  // namespace quarlo::fw
