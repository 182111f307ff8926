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

Cutout::Cutout(int width, int height, Data& data)
    : serial_(++nextSerial),
      width_(std::clamp(width, 0, kWidest)),
      height_(std::max(height, 0)),
      bounds_{width_, height_, 0, 0} {
  // Set aside for the most a cutout of this size can hold, handed back by Finish: each part is
  // then made once, at its size, and nothing of its growth is left behind.
  const auto area = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  data.runs.reserve(area);
  data.rowStarts.reserve(static_cast<std::size_t>(height_) + 1);
  data.rowStarts.push_back(0);
}

void Cutout::Add(Data& data, int row, int x, int length, Kind kind, std::uint32_t value) {
  while (data.rowStarts.size() <= static_cast<std::size_t>(row))
    data.rowStarts.push_back(static_cast<std::uint32_t>(data.runs.size()));
  data.runs.push_back({static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(length),
                       static_cast<std::uint32_t>(kind) << kKindShift | value});
  bounds_.left = std::min(bounds_.left, x);
  bounds_.right = std::max(bounds_.right, x + length);
  bounds_.top = std::min(bounds_.top, row);
  bounds_.bottom = row + 1;
}

void Cutout::Finish(std::shared_ptr<Data> data) {
  while (data->rowStarts.size() <= static_cast<std::size_t>(height_))
    data->rowStarts.push_back(static_cast<std::uint32_t>(data->runs.size()));
  data->runs.shrink_to_fit();
  data->pixels.shrink_to_fit();
  data->packed.shrink_to_fit();
  data_ = std::move(data);
}

Cutout Cutout::Masked(const Picture* mask, const Picture* picture, int width, int height) {
  auto data = std::make_shared<Data>();
  Cutout cut(width, height, *data);
  std::vector<std::uint32_t>& pixels = data->pixels;
  pixels.reserve(2 * static_cast<std::size_t>(cut.width_) * static_cast<std::size_t>(cut.height_));
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
      const auto start = static_cast<std::uint32_t>(pixels.size());
      if (kind == Does::Copy) {
        for (int i = x; i < end; ++i) pixels.push_back(at(picture, i, y, 0));
        cut.Add(*data, y, x, end - x, Kind::Copy, start);
      } else if (kind == Does::Mix) {
        for (int i = x; i < end; ++i) pixels.push_back(at(mask, i, y, kColourBits));
        for (int i = x; i < end; ++i) pixels.push_back(at(picture, i, y, 0));
        cut.Add(*data, y, x, end - x, Kind::Mix, start);
      }
      x = end;
    }
  }
  cut.Finish(std::move(data));
  return cut;
}

Cutout Cutout::Opaque(const Picture& picture, int x, int y, int width, int height) {
  auto data = std::make_shared<Data>();
  Cutout cut(width, height, *data);
  std::vector<std::uint8_t>& packed = data->packed;
  packed.reserve(3 * static_cast<std::size_t>(cut.width_) * static_cast<std::size_t>(cut.height_));
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
        cut.Add(*data, row, static_cast<int>(i), static_cast<int>(stretch - i), Kind::Fill,
                line(i));
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
      const auto start = static_cast<std::uint32_t>(packed.size());
      for (long long k = i; k < end; ++k) {
        const std::uint32_t pixel = line(k);
        for (int shift = 0; shift < 24; shift += 8)
          packed.push_back(static_cast<std::uint8_t>(pixel >> shift));
      }
      cut.Add(*data, row, static_cast<int>(i), static_cast<int>(end - i), Kind::Packed, start);
      i = end;
    }
  }
  cut.Finish(std::move(data));
  return cut;
}

void Cutout::DrawOn(Picture& target, int x, int y, std::optional<std::uint32_t> under) const {
  DrawWithin(target, {0, 0, target.Width(), target.Height()}, x, y, under);
}

void Cutout::DrawWithin(Picture& target, const Box& within, int x, int y,
                        std::optional<std::uint32_t> under) const {
  if (Empty()) return;
  const Data& data = *data_;
  const long long top = std::max(within.top, 0);
  const long long bottom = std::min(within.bottom, target.Height());
  const long long left = std::max(within.left, 0);
  const long long right = std::min(within.right, target.Width());
  const long long firstRow = std::clamp(top - y, 0LL, static_cast<long long>(height_));
  const long long endRow = std::clamp(bottom - y, firstRow, static_cast<long long>(height_));
  constexpr std::uint32_t kValue = (1u << kKindShift) - 1;
  for (long long row = firstRow; row < endRow; ++row) {
    std::uint32_t* line = target.Pixels() + (y + row) * target.Width();
    for (std::uint32_t r = data.rowStarts[static_cast<std::size_t>(row)];
         r < data.rowStarts[static_cast<std::size_t>(row) + 1]; ++r) {
      const Run& run = data.runs[r];
      const long long start = static_cast<long long>(x) + run.x;
      const long long from = std::max(start, left);
      const long long to = std::min(start + run.length, right);
      if (from >= to) continue;
      const auto skip = static_cast<std::size_t>(from - start);
      const auto count = static_cast<std::size_t>(to - from);
      const std::uint32_t value = run.data & kValue;
      const auto kind = static_cast<Kind>(run.data >> kKindShift);
      if (kind == Kind::Fill && under == value) continue;
      std::uint32_t* out = line + from;
      switch (kind) {
        case Kind::Copy:
          std::memcpy(out, data.pixels.data() + value + skip, count * sizeof *out);
          break;
        case Kind::Packed: {
          const std::uint8_t* in = data.packed.data() + value + 3 * skip;
          for (std::size_t i = 0; i < count; ++i, in += 3)
            out[i] = static_cast<std::uint32_t>(in[0] | in[1] << 8 | in[2] << 16);
          break;
        }
        case Kind::Fill:
          SetPixels(out, count, value);
          break;
        case Kind::Mix: {
          const std::uint32_t* mask = data.pixels.data() + value + skip;
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
