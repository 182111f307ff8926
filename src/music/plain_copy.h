#pragma once
// The fallback for an MP3 that the MPEGVideo device refuses as it is: a copy under a plain name in
// the user's temporary folder, without the ID3v2 tag at the file's start. The device fails on
// many files whose tag carries a large picture, and on every path that holds "!" (the command
// parser takes it for the device/element separator); the same audio opens under a plain name
// once the tag is gone.

#include <cstdint>
#include <string>
#include <string_view>

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

// The one temporary copy of the music file. Make replaces any copy an earlier run left behind;
// Remove deletes it. Paths are in UTF-8 and go through the wide file functions.
class PlainCopy {
 public:
  explicit PlainCopy(os::Os& os) : os_(os) {}

  // Writes the copy of `source` without its ID3v2 tag and returns its path, one the ANSI code
  // page can name; an empty text when no copy was made. A file with no tag and no "!" in its
  // path is not copied: its copy would be refused as the file was.
  std::string Make(const std::string& source);
  // Deletes the copy made by Make, if any.
  void Remove();
  const std::string& Path() const { return path_; }

 private:
  // The temporary folder, ending in a backslash, by a name the ANSI code page holds (its short
  // form when the long one has characters the code page lacks); empty when there is none.
  std::string TargetFolder();

  os::Os& os_;
  std::string path_;
};

}  // namespace quarlo::music
