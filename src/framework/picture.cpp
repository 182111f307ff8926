#include "framework/picture.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace quarlo::fw {

Picture::Picture(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      memory_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0u),
      pixels_(memory_.data()) {}

Picture::Picture(int width, int height, std::uint32_t* pixels, std::shared_ptr<void> native)
    : width_(width), height_(height), pixels_(pixels), native_(std::move(native)) {}

void SetPixels(std::uint32_t* first, std::size_t count, std::uint32_t pixel) {
  if (pixel == 0) {
    std::memset(first, 0, count * sizeof *first);
  } else {
    std::fill_n(first, count, pixel);
  }
}

namespace {

constexpr std::uint32_t kColourBits = 0x00FFFFFFu;
constexpr int kWidest = 0xFFFF;  // a run's position and length are 16-bit
// Equal pixels in a row of an opaque copy that are kept as one value (the black around a figure).
constexpr int kShortestFill = 8;
std::atomic<std::uint64_t> nextSerial{0};

}  // namespace

Cutout::Cutout(int width, int height)
    : serial_(++nextSerial),
      width_(std::clamp(width, 0, kWidest)),
      height_(std::max(height, 0)),
      bounds_{width_, height_, 0, 0} {
  // Set aside for the most a cutout of this size can hold, handed back by Finish: each part is
  // then made once, at its size, and nothing of its growth is left behind.
  const auto area = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  runs_.reserve(area);
  rowStarts_.reserve(static_cast<std::size_t>(height_) + 1);
  rowStarts_.push_back(0);
}

void Cutout::Add(int row, int x, int length, Kind kind, std::uint32_t data) {
  while (rowStarts_.size() <= static_cast<std::size_t>(row))
    rowStarts_.push_back(static_cast<std::uint32_t>(runs_.size()));
  runs_.push_back({static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(length),
                   static_cast<std::uint32_t>(kind) << kKindShift | data});
  bounds_.left = std::min(bounds_.left, x);
  bounds_.right = std::max(bounds_.right, x + length);
  bounds_.top = std::min(bounds_.top, row);
  bounds_.bottom = row + 1;
}

void Cutout::Finish() {
  while (rowStarts_.size() <= static_cast<std::size_t>(height_))
    rowStarts_.push_back(static_cast<std::uint32_t>(runs_.size()));
  runs_.shrink_to_fit();
  pixels_.shrink_to_fit();
  packed_.shrink_to_fit();
}

Cutout Cutout::Masked(const Picture* mask, const Picture* picture, int width, int height) {
  Cutout cut(width, height);
  cut.pixels_.reserve(2 * static_cast<std::size_t>(cut.width_) *
                      static_cast<std::size_t>(cut.height_));
  // What the two blits do to one pixel: nothing, put the picture's, or AND and XOR it.
  const auto at = [](const Picture* p, int x, int y, std::uint32_t beyond) {
    return p != nullptr && x < p->Width() && y < p->Height() ? p->Pixel(x, y) & kColourBits
                                                             : beyond;
  };
  enum class Does { Nothing, Copy, Mix };
  const auto does = [&](int x, int y) {
    const std::uint32_t m = at(mask, x, y, kColourBits);
    if (m == 0) return Does::Copy;
    return m == kColourBits && at(picture, x, y, 0) == 0 ? Does::Nothing : Does::Mix;
  };
  for (int y = 0; y < cut.height_; ++y) {
    for (int x = 0; x < cut.width_;) {
      const Does kind = does(x, y);
      int end = x + 1;
      while (end < cut.width_ && does(end, y) == kind) ++end;
      const auto start = static_cast<std::uint32_t>(cut.pixels_.size());
      if (kind == Does::Copy) {
        for (int i = x; i < end; ++i) cut.pixels_.push_back(at(picture, i, y, 0));
        cut.Add(y, x, end - x, Kind::Copy, start);
      } else if (kind == Does::Mix) {
        for (int i = x; i < end; ++i) cut.pixels_.push_back(at(mask, i, y, kColourBits));
        for (int i = x; i < end; ++i) cut.pixels_.push_back(at(picture, i, y, 0));
        cut.Add(y, x, end - x, Kind::Mix, start);
      }
      x = end;
    }
  }
  cut.Finish();
  return cut;
}

Cutout Cutout::Opaque(const Picture& picture, int x, int y, int width, int height) {
  Cutout cut(width, height);
  cut.packed_.reserve(3 * static_cast<std::size_t>(cut.width_) *
                      static_cast<std::size_t>(cut.height_));
  // The columns of the rectangle that lie on the picture.
  const long long first =
      std::clamp(-static_cast<long long>(x), 0LL, static_cast<long long>(cut.width_));
  const long long last = std::clamp(static_cast<long long>(picture.Width()) - x, first,
                                    static_cast<long long>(cut.width_));
  for (int row = 0; row < cut.height_; ++row) {
    const long long sy = static_cast<long long>(y) + row;
    if (sy < 0 || sy >= picture.Height()) continue;
    const std::uint32_t* source = picture.Pixels() + sy * picture.Width();
    const auto line = [source, x](long long i) { return source[x + i] & kColourBits; };
    // The end of the stretch of equal pixels from i.
    const auto same = [&](long long i) {
      long long end = i + 1;
      while (end < last && line(end) == line(i)) ++end;
      return end;
    };
    for (long long i = first; i < last;) {
      const long long stretch = same(i);
      if (stretch - i >= kShortestFill) {
        cut.Add(row, static_cast<int>(i), static_cast<int>(stretch - i), Kind::Fill, line(i));
        i = stretch;
        continue;
      }
      // Copied up to the next stretch long enough to fill.
      long long end = stretch;
      while (end < last) {
        const long long next = same(end);
        if (next - end >= kShortestFill) break;
        end = next;
      }
      const auto start = static_cast<std::uint32_t>(cut.packed_.size());
      for (long long k = i; k < end; ++k) {
        const std::uint32_t pixel = line(k);
        for (int shift = 0; shift < 24; shift += 8)
          cut.packed_.push_back(static_cast<std::uint8_t>(pixel >> shift));
      }
      cut.Add(row, static_cast<int>(i), static_cast<int>(end - i), Kind::Packed, start);
      i = end;
    }
  }
  cut.Finish();
  return cut;
}

void Cutout::DrawOn(Picture& target, int x, int y, std::optional<std::uint32_t> under,
                    std::vector<Stretch>* written) const {
  DrawWithin(target, {0, 0, target.Width(), target.Height()}, x, y, under, written);
}

void Cutout::DrawWithin(Picture& target, const Box& within, int x, int y,
                        std::optional<std::uint32_t> under, std::vector<Stretch>* written) const {
  const long long top = std::max(within.top, 0);
  const long long bottom = std::min(within.bottom, target.Height());
  const long long left = std::max(within.left, 0);
  const long long right = std::min(within.right, target.Width());
  const long long firstRow = std::clamp(top - y, 0LL, static_cast<long long>(height_));
  const long long endRow = std::clamp(bottom - y, firstRow, static_cast<long long>(height_));
  constexpr std::uint32_t kData = (1u << kKindShift) - 1;
  for (long long row = firstRow; row < endRow; ++row) {
    std::uint32_t* line = target.Pixels() + (y + row) * target.Width();
    for (std::uint32_t r = rowStarts_[static_cast<std::size_t>(row)];
         r < rowStarts_[static_cast<std::size_t>(row) + 1]; ++r) {
      const Run& run = runs_[r];
      const long long start = static_cast<long long>(x) + run.x;
      const long long from = std::max(start, left);
      const long long to = std::min(start + run.length, right);
      if (from >= to) continue;
      const auto skip = static_cast<std::size_t>(from - start);
      const auto count = static_cast<std::size_t>(to - from);
      const std::uint32_t data = run.data & kData;
      const auto kind = static_cast<Kind>(run.data >> kKindShift);
      if (kind == Kind::Fill && under == data) continue;
      std::uint32_t* out = line + from;
      if (written != nullptr) {
        written->push_back(
            {static_cast<std::uint32_t>(out - target.Pixels()), static_cast<std::uint32_t>(count)});
      }
      switch (kind) {
        case Kind::Copy:
          std::memcpy(out, pixels_.data() + data + skip, count * sizeof *out);
          break;
        case Kind::Packed: {
          const std::uint8_t* in = packed_.data() + data + 3 * skip;
          for (std::size_t i = 0; i < count; ++i, in += 3)
            out[i] = static_cast<std::uint32_t>(in[0] | in[1] << 8 | in[2] << 16);
          break;
        }
        case Kind::Fill:
          SetPixels(out, count, data);
          break;
        case Kind::Mix: {
          const std::uint32_t* mask = pixels_.data() + data + skip;
          const std::uint32_t* pixel = mask + run.length;
          for (std::size_t i = 0; i < count; ++i)
            out[i] = ((out[i] & mask[i]) ^ pixel[i]) & kColourBits;
          break;
        }
      }
    }
  }
}

}  // namespace quarlo::fw
