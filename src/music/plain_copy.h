#pragma once
// The fallback for an MP3 that the MPEGVideo device refuses as it is: a copy under a plain name in
// the user's temporary folder, without the ID3v2 tag at the file's start. The device fails on
// many files whose tag carries a large picture, and on every path that holds "!" (the command
// parser takes it for the device/element separator); the same audio opens under a plain name
// once the tag is gone.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "os/os.h"

namespace quarlo::music {

// The bytes an ID3v2 header takes: "ID3", version (2), flags (1), syncsafe size (4).
inline constexpr std::uint32_t kId3v2HeaderLength = 10;

// How many bytes the ID3v2 tag at the start of a file takes (header, contents, footer), given the
// file's first bytes and its length; 0 when the file starts with no complete, well-formed header
// or when the tag would reach past the end of the file (then nothing is taken for a tag).
// An unsynchronised tag is measured the same way: its size counts the bytes as stored, and the
// flag concerns only the tag's contents, never the audio after it.
std::int64_t Id3v2TagLength(std::string_view head, std::int64_t fileSize);

// Deletes the copy that a process ended outright left behind; each face calls it as it starts. A
// copy that another running copy of the program plays is not taken from it: the delete fails, or,
// where the player shares deletion (as under Wine), the copy goes when the player closes it.
void RemoveStaleCopy(os::Os& os);

// The one temporary copy of the music file. Writing it means reading the whole file, seconds
// from a slow share, so that is done away from the caller's thread, which only starts it and
// looks whether it is done; the work calls nothing but CopyFileFrom and CloseHandle. Paths are in
// UTF-8 and go through the wide file functions.
//
// Until the caller's thread keeps it, a copy is open and marked for deletion, so that a process
// ended in any way while it is made leaves nothing: the work leaves the whole copy so, and only
// the caller's thread keeps it (when it looks and finds it whole), or drops it. Whichever of the
// two threads comes last to a copy that is no longer wanted closes it, and the system deletes it
// then, or when the process ends first. A kept copy is a plain file that only Remove deletes: a
// process ended outright (killed, or crashed) while it plays leaves it to RemoveStaleCopy.
class PlainCopy {
 public:
  // Runs the work of one copy. None given: a thread of its own, which the destructor waits for
  // (a saver that ends by ExitProcess never gets there; the system ends the thread).
  using Runner = std::function<void(std::function<void()> work)>;

  explicit PlainCopy(os::Os& os, Runner runner = {});
  ~PlainCopy();
  PlainCopy(const PlainCopy&) = delete;
  PlainCopy& operator=(const PlainCopy&) = delete;

  // Starts replacing any copy an earlier run left behind with the copy of `source` without its
  // ID3v2 tag, under a path the ANSI code page can name. A file with no tag and no "!" in its
  // path is not copied: its copy would be refused as the file was.
  void Start(const std::string& source);
  bool Started() const { return shared_ != nullptr; }
  // True from Start until the work has ended, whether it made the copy or not.
  bool Making() const;
  // The copy's path once it is made (kept, from now on, until Remove); empty while it is being
  // made or when it was not.
  std::string Path();
  // Deletes the copy; one still being made is abandoned without waiting for it, and its work
  // drops what it wrote when it ends (the system does, when the process ends first).
  void Remove();

 private:
  enum class State { kMaking, kWhole, kMade, kNotMade, kAbandoned };
  // What the caller's thread and the work share; the work may outlive this copy's Remove.
  struct Shared {
    std::atomic<State> state{State::kNotMade};
    // The whole copy, open and marked for deletion; written by the work before it says kWhole.
    os::Handle file = os::kNull;
  };

  void Run(std::function<void()> work);

  os::Os& os_;
  Runner runner_;
  std::thread worker_;
  std::string target_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace quarlo::music
