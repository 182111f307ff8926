#include "support/code_pages.h"

#include <iconv.h>

#include <unordered_map>

namespace quarlo::testing {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kKatakanaMiddleDot = 0x30FB;  // what code page 932 reads a bad pair as

// Code page 1252 from 0x80 to 0x9F; the rest of its bytes are Latin-1. The five bytes Windows
// leaves unassigned read as the control characters of the same number.
constexpr char32_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Code page 932's single bytes that glibc's table lacks and Windows maps to these characters.
struct ExtraByte {
  unsigned char byte;
  char32_t character;
};
constexpr ExtraByte k932Extra[] = {
    {0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// The characters of UTF-8 text; each byte of an invalid sequence (overlong, surrogate, beyond
// U+10FFFF, cut short) reads as U+FFFD.
std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    char32_t c = length == 1   ? lead
                 : length == 2 ? (lead & 0x1F)
                 : length == 3 ? (lead & 0x0F)
                               : (lead & 0x07);
    bool valid = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && c >= kSmallest[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
    if (!valid) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    out.push_back(c);
    i += length;
  }
  return out;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  for (const char32_t c : text) AppendUtf8(out, c);
  return out;
}

bool IsPairLead(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Code page 932 as glibc's converter knows it, read once into two tables: the character of each
// byte or byte pair (0 where it has none), and the bytes of each character.
struct Table932 {
  std::unordered_map<std::uint16_t, char32_t> characters;  // byte, or lead << 8 | trail
  std::unordered_map<char32_t, std::string> bytes;

  Table932() {
    iconv_t converter = iconv_open("UTF-32LE", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) return;
    for (unsigned code = 0x80; code <= 0xFCFF; ++code) {
      const bool pair = code > 0xFF;
      if (pair ? !IsPairLead(static_cast<unsigned char>(code >> 8)) || (code & 0xFF) < 0x40
               : IsPairLead(static_cast<unsigned char>(code))) {
        continue;
      }
      char input[2] = {static_cast<char>(pair ? code >> 8 : code), static_cast<char>(code & 0xFF)};
      unsigned char output[8] = {};
      char* source = input;
      std::size_t sourceLeft = pair ? 2 : 1;
      char* target = reinterpret_cast<char*>(output);
      std::size_t targetLeft = sizeof output;
      iconv(converter, nullptr, nullptr, nullptr, nullptr);
      if (iconv(converter, &source, &sourceLeft, &target, &targetLeft) ==
              static_cast<std::size_t>(-1) ||
          sizeof output - targetLeft != 4) {
        continue;
      }
      const char32_t c =
          output[0] | output[1] << 8 | output[2] << 16 | static_cast<char32_t>(output[3]) << 24;
      characters[static_cast<std::uint16_t>(code)] = c;
      bytes.emplace(c, std::string(input, pair ? 2 : 1));  // the first bytes of a character win
    }
    iconv_close(converter);
    for (const ExtraByte& extra : k932Extra) {
      characters[extra.byte] = extra.character;
      bytes.emplace(extra.character, std::string(1, static_cast<char>(extra.byte)));
    }
  }
};

const Table932& CodePage932() {
  static const Table932 table;
  return table;
}

std::string AnsiFrom932(char32_t c) {
  if (c < 0x80) return std::string(1, static_cast<char>(c));
  const auto found = CodePage932().bytes.find(c);
  return found == CodePage932().bytes.end() ? "?" : found->second;
}

std::string Utf8From932(std::string_view ansi) {
  const auto& characters = CodePage932().characters;
  std::string out;
  std::size_t i = 0;
  while (i < ansi.size()) {
    const auto lead = static_cast<unsigned char>(ansi[i]);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++i;
      continue;
    }
    if (IsPairLead(lead) && i + 1 < ansi.size()) {
      const auto code =
          static_cast<std::uint16_t>(lead << 8 | static_cast<unsigned char>(ansi[i + 1]));
      if (const auto found = characters.find(code); found != characters.end()) {
        AppendUtf8(out, found->second);
        i += 2;
        continue;
      }
    }
    const auto found = IsPairLead(lead) ? characters.end() : characters.find(lead);
    // A bad pair: the lead byte reads as one character, its second byte starts afresh.
    AppendUtf8(out, found == characters.end() ? kKatakanaMiddleDot : found->second);
    ++i;
  }
  return out;
}

}  // namespace

std::string AnsiFromUtf8(std::uint32_t codePage, std::string_view utf8) {
  const std::u32string text = DecodeUtf8(utf8);
  if (codePage == 65001) return EncodeUtf8(text);
  std::string out;
  for (const char32_t c : text) {
    if (codePage == 932) {
      out += AnsiFrom932(c);
      continue;
    }
    char byte = '?';
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) byte = static_cast<char>(c);
    for (int k = 0; k < 32; ++k) {
      if (k1252High[k] == c) byte = static_cast<char>(0x80 + k);
    }
    out.push_back(byte);
  }
  return out;
}

std::string Utf8FromAnsi(std::uint32_t codePage, std::string_view ansi) {
  if (codePage == 65001) return EncodeUtf8(DecodeUtf8(ansi));
  if (codePage == 932) return Utf8From932(ansi);
  std::string out;
  for (const char byte : ansi) {
    const auto b = static_cast<unsigned char>(byte);
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? k1252High[b - 0x80] : b);
  }
  return out;
}

std::string Utf8FromUtf16(std::string_view bytes, bool bigEndian) {
  std::u32string text;
  char32_t high = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    const char32_t unit = bigEndian ? (a << 8 | b) : (b << 8 | a);
    if (high != 0) {
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        text.push_back(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
        high = 0;
        continue;
      }
      text.push_back(kReplacement);
      high = 0;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      high = unit;
    } else {
      text.push_back(unit >= 0xDC00 && unit <= 0xDFFF ? kReplacement : unit);
    }
  }
  if (high != 0) text.push_back(kReplacement);
  return EncodeUtf8(text);
}

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (const char32_t c : DecodeUtf8(utf8)) units += c >= 0x10000 ? 2 : 1;
  return units;
}

std::string CutToUtf16Units(std::string_view utf8, std::size_t units) {
  std::u32string kept;
  for (const char32_t c : DecodeUtf8(utf8)) {
    const std::size_t size = c >= 0x10000 ? 2 : 1;
    if (units < size) {
      if (units == 1) kept.push_back(kReplacement);
      break;
    }
    units -= size;
    kept.push_back(c);
  }
  return EncodeUtf8(kept);
}

}  // namespace quarlo::testing
