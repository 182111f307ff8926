#include "music/plain_copy.h"

#include <utility>

namespace quarlo::music {
namespace {

constexpr std::uint8_t kFooterFlag = 0x10;
constexpr std::int64_t kFooterLength = 10;
// A plain name: no blank, no "!", nothing outside ASCII.
constexpr const char* kCopyName = "QuarloBGM.mp3";
// A path of MAX_PATH characters and its NUL, in UTF-16 characters.
constexpr std::uint32_t kFolderBufferSize = os::kMaxPath + 1;

std::uint8_t Byte(std::string_view text, std::size_t index) {
  return static_cast<std::uint8_t>(text[index]);
}

// The temporary folder, ending in a backslash, by a name the ANSI code page holds (its short
// form when the long one has characters the code page lacks); empty when there is none.
std::string TargetFolder(os::Os& os) {
  std::string folder;
  const std::uint32_t n = os.GetTempPathW(kFolderBufferSize, &folder);
  // 0 is a failure; a value of the buffer's size or more is the size it would have needed.
  if (n == 0 || n >= kFolderBufferSize) return {};
  if (!os::AnsiCanHold(os, folder)) {
    // The copy's name must reach mciSendStringA; a volume without short names gives the long
    // form back, and then no name will do.
    std::string shortFolder;
    const std::uint32_t m = os.GetShortPathNameW(folder.c_str(), &shortFolder, kFolderBufferSize);
    if (m == 0 || m >= kFolderBufferSize || !os::AnsiCanHold(os, shortFolder)) return {};
    folder = shortFolder;
  }
  if (folder.empty()) return {};
  if (folder.back() != '\\') folder += '\\';
  return folder;
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

void RemoveStaleCopy(os::Os& os) {
  const std::string folder = TargetFolder(os);
  if (!folder.empty()) os.DeleteFileW((folder + kCopyName).c_str());
}

PlainCopy::PlainCopy(os::Os& os, Runner runner) : os_(os), runner_(std::move(runner)) {}

PlainCopy::~PlainCopy() {
  if (worker_.joinable()) worker_.join();
}

void PlainCopy::Start(const std::string& source) {
  Remove();
  shared_ = std::make_shared<Shared>();
  std::string head;
  std::int64_t fileSize = 0;
  if (!os_.ReadFileHead(source, kId3v2HeaderLength, &head, &fileSize)) return;
  const std::int64_t tagLength = Id3v2TagLength(head, fileSize);
  if (tagLength == 0 && source.find('!') == std::string::npos) return;
  const std::string folder = TargetFolder(os_);
  if (folder.empty()) return;
  target_ = folder + kCopyName;
  shared_->state.store(State::kMaking);
  Run([&os = os_, source, tagLength, target = target_, shared = shared_] {
    const os::Handle file = os.CopyFileFrom(source, tagLength, target);
    shared->file = file;
    State making = State::kMaking;
    if (!shared->state.compare_exchange_strong(
            making, file != os::kNull ? State::kWhole : State::kNotMade) &&
        file != os::kNull) {
      os.CloseHandle(file);  // abandoned meanwhile: closed, it is gone
    }
  });
}

void PlainCopy::Run(std::function<void()> work) {
  if (runner_) {
    runner_(std::move(work));
    return;
  }
  // A second copy in one run: the first was abandoned and ends on its own.
  if (worker_.joinable()) worker_.detach();
  try {
    worker_ = std::thread(std::move(work));
  } catch (...) {
    shared_->state.store(State::kNotMade);  // no thread to be had: no copy
  }
}

bool PlainCopy::Making() const { return shared_ && shared_->state.load() == State::kMaking; }

std::string PlainCopy::Path() {
  if (!shared_) return {};
  if (shared_->state.load() == State::kWhole) {
    // The work is done with it: from here on only this thread touches the copy.
    const bool kept = os_.SetFileDispositionInfo(shared_->file, false);
    os_.CloseHandle(shared_->file);
    shared_->state.store(kept ? State::kMade : State::kNotMade);
  }
  return shared_->state.load() == State::kMade ? target_ : std::string();
}

void PlainCopy::Remove() {
  if (!shared_) return;
  switch (shared_->state.exchange(State::kAbandoned)) {
    case State::kWhole:
      os_.CloseHandle(shared_->file);  // still marked: closed, it is gone
      break;
    case State::kMade:
      os_.DeleteFileW(target_.c_str());
      break;
    default:
      break;  // being made: its work drops it; not made: nothing to remove
  }
  shared_.reset();
  target_.clear();
}

}  // namespace quarlo::music
