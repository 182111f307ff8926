#include "framework/picture.h"

#include <algorithm>
#include <cstdlib>

namespace quarlo::fw {

Picture::Picture(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      memory_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0u),
      pixels_(memory_.data()) {}

Picture::Picture(int width, int height, std::uint32_t* pixels, std::shared_ptr<void> native)
    : width_(width), height_(height), pixels_(pixels), native_(std::move(native)) {}

}  // namespace quarlo::fw
