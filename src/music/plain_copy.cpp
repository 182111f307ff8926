#include "music/plain_copy.h"

#include <array>

namespace quarlo::music {
namespace {

constexpr std::uint8_t kFooterFlag = 0x10;
constexpr std::int64_t kFooterLength = 10;
// A plain name: no blank, no "!", nothing outside ASCII.
constexpr const char* kCopyName = "QuarloBGM.mp3";

std::uint8_t Byte(std::string_view text, std::size_t index) {
  return static_cast<std::uint8_t>(text[index]);
}

}  // namespace

std::int64_t Id3v2TagLength(std::string_view head, std::int64_t fileSize) {
  if (head.size() < kId3v2HeaderLength || head.substr(0, 3) != "ID3") return 0;
  // Version and revision are never 0xFF; each size byte holds seven bits (syncsafe).
  if (Byte(head, 3) == 0xFF || Byte(head, 4) == 0xFF) return 0;
  std::int64_t size = 0;
  for (std::size_t i = 6; i < kId3v2HeaderLength; ++i) {
    if (Byte(head, i) >= 0x80) return 0;
    size = (size << 7) | Byte(head, i);
  }
  std::int64_t length = kId3v2HeaderLength + size;
  if ((Byte(head, 5) & kFooterFlag) != 0) length += kFooterLength;
  return length <= fileSize ? length : 0;
}

std::string PlainCopy::TargetPath() {
  std::array<char, os::kMaxPath + 1> buffer{};
  const std::uint32_t n = os_.GetTempPathA(static_cast<std::uint32_t>(buffer.size()), buffer.data());
  // 0 is a failure; a value of the buffer's size or more is the size it would have needed.
  if (n == 0 || n >= buffer.size()) return {};
  std::string folder(buffer.data(), n);
  if (folder.back() != '\\') folder += '\\';
  return folder + kCopyName;
}

std::string PlainCopy::Make(const std::string& ansiSource) {
  Remove();
  const std::string target = TargetPath();
  if (target.empty()) return {};
  std::string head;
  std::int64_t fileSize = 0;
  if (!os_.ReadFileHead(ansiSource, kId3v2HeaderLength, &head, &fileSize)) return {};
  if (!os_.CopyFileFrom(ansiSource, Id3v2TagLength(head, fileSize), target)) return {};
  path_ = target;
  return path_;
}

void PlainCopy::Remove() {
  if (path_.empty()) return;
  os_.DeleteFileA(path_.c_str());
  path_.clear();
}

}  // namespace quarlo::music
