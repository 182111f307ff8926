#include "saver/sprite_engine.h"

#include <cmath>
#include <new>

#include "assets/asset_ids.h"
#include "framework/scaling.h"

namespace quarlo::saver {
namespace {

constexpr fw::Colour kBlack = fw::Rgb(0, 0, 0);
constexpr double kSwayFactor = 6.28;

// The cutout of a rotation frame; nullptr for an index outside 0..22.
const fw::Cutout* FrameCutout(const SpriteCutouts& sprites, float frameIndex) {
  const auto index = ToInt32(frameIndex);
  if (!index || *index < 0 || *index >= kSpriteFrames) return nullptr;
  return &sprites[static_cast<std::size_t>(*index)];
}

}  // namespace

WalkCells CutCells(const fw::Picture* sheet, int percent) {
  WalkCells cells;
  if (sheet == nullptr) return cells;
  const int width = fw::ScaledPixels(kCellWidth, percent);
  const int height = fw::ScaledPixels(kCellHeight, percent);
  for (int row = 0; row <= kLastRow; ++row) {
    for (int column = 0; column <= kLastColumn; ++column) {
      cells.push_back(fw::Cutout::Opaque(*sheet, column * width, row * height, width, height));
    }
  }
  return cells;
}

SpriteCutouts CutSprites(const SpritePictures& frames, const SpritePictures& masks, int percent) {
  const int size = fw::ScaledPixels(kSpriteSize, percent);
  SpriteCutouts sprites;
  for (std::size_t i = 0; i < sprites.size(); ++i) {
    sprites[i] = fw::Cutout::Masked(masks[i].get(), frames[i].get(), size, size);
  }
  return sprites;
}

fw::PicturePtr LoadWalkSheet(fw::Backend& backend, int percent) {
  return fw::LoadPictureAt(backend, IDR_WALK_SHEET, percent, {kLastColumn + 1, kLastRow + 1});
}

void LoadSpritePictures(fw::Backend& backend, int percent, SpritePictures& frames,
                        SpritePictures& masks) {
  for (std::size_t i = 0; i < kSpriteFrames; ++i) {
    frames[i] = fw::LoadPictureAt(backend, IDR_QUARLO_FIRST + static_cast<int>(i), percent);
    masks[i] = fw::LoadPictureAt(backend, IDR_MASK_FIRST + static_cast<int>(i), percent);
    if (percent != 100 && masks[i]) {
      fw::SharpenMask(*masks[i]);
      if (frames[i]) FitFrameToMask(*frames[i], *masks[i]);
    }
  }
}

Artwork LoadArtwork(fw::Backend& backend, int percent) {
  Artwork art;
  art.cells = CutCells(LoadWalkSheet(backend, percent).get(), percent);
  SpritePictures frames, masks;
  LoadSpritePictures(backend, percent, frames, masks);
  art.sprites = CutSprites(frames, masks, percent);
  return art;
}

std::optional<os::Point> WalkerPosition(double W, double H) {
  const auto width = ToInt32(W - kCellWidth);
  const auto height = ToInt32(H - kCellHeight);
  if (!width || !height) return std::nullopt;
  return os::Point{DivTrunc(*width, 2), DivTrunc(*height, 2)};
}

float SwayX(const Sprite& sprite, double Wfull) {
  const double phase = sprite.Phase;
  return ToSingle(sprite.BaseX +
                  sprite.Swing * std::sin(phase * kSwayFactor) * std::cos(phase / 100) +
                  Wfull / 8 * 3);
}

void FitFrameToMask(fw::Picture& frame, const fw::Picture& mask) {
  if (frame.Width() != mask.Width() || frame.Height() != mask.Height()) return;
  for (int y = 0; y < frame.Height(); ++y) {
    for (int x = 0; x < frame.Width(); ++x) {
      if ((mask.Pixel(x, y) & 0x00FFFFFFu) == 0x00FFFFFFu) frame.SetPixel(x, y, 0);
    }
  }
}

void Turn(Sprite& sprite) {
  sprite.SpinTick = ToSingle(sprite.SpinTick + 1.0);
  if (sprite.SpinTick <= kLastTick) return;
  sprite.SpinTick = 0;
  if (sprite.Spin == 0) {
    sprite.FrameIndex = ToSingle(sprite.FrameIndex + 1.0);
    if (sprite.FrameIndex > kLastFrame) sprite.FrameIndex = 0;
  } else {
    sprite.FrameIndex = ToSingle(sprite.FrameIndex - 1.0);
    if (sprite.FrameIndex < 0) sprite.FrameIndex = kLastFrame;
  }
}

void SpriteEngine::SetUp(std::int16_t spriteCount, double H, double seed, fw::Surface* display) {
  sprites_.clear();
  if (spriteCount >= 0) {
    try {
      sprites_.resize(static_cast<std::size_t>(spriteCount) + 1);
    } catch (const std::bad_alloc&) {
      sprites_.clear();  // no table: only the figure walks
    }
  }
  if (display != nullptr) display->Clear(kBlack);
  random_.Randomize(seed);
  for (Sprite& sprite : sprites_) {
    sprite.BaseX = 0;
    sprite.PosY = ToSingle(random_.Rnd() * H);
    sprite.Speed = ToSingle(random_.Rnd() * 0.2 + 0.5);
    sprite.Spin = ToSingle(std::floor(2 * random_.Rnd()));
    sprite.SpinTick = 0;
    sprite.Shown = 0;
    sprite.FrameIndex = 0;
  }
}

void SpriteEngine::StartWalk() {
  WalkColumn = kLastColumn;
  WalkRow = 0;
  WalkTick = 0;
}

void SpriteEngine::DrawWalker(fw::Surface& display, const WalkCells& cells, double W,
                              double H) const {
  const auto at = WalkerPosition(W, H);
  const auto cell = static_cast<std::size_t>(WalkRow * (kLastColumn + 1) + WalkColumn);
  if (!at || WalkRow < 0 || WalkColumn < 0 || cell >= cells.size()) return;
  display.DrawCutout(fw::ScaledPixels(at->x, scale_), fw::ScaledPixels(at->y, scale_),
                     cells[cell]);
}

void SpriteEngine::AdvanceWalk() {
  ++WalkTick;
  if (WalkTick <= kLastTick) return;
  --WalkColumn;
  if (WalkColumn < 0) {
    WalkColumn = kLastColumn;
    ++WalkRow;
    if (WalkRow > kLastRow) WalkRow = 0;
  }
  WalkTick = 0;
}

void SpriteEngine::AnimateSprites(fw::Surface* display, const SpriteCutouts& sprites, double W,
                                  double H, double Wfull) {
  for (Sprite& sprite : sprites_) {
    Fall(sprite, W, H);
    if (sprite.Shown != 1) continue;  // an unseen sprite is neither drawn nor turned
    if (display != nullptr) DrawSprite(*display, sprite, sprites, Wfull);
    Turn(sprite);
  }
}

void SpriteEngine::Fall(Sprite& sprite, double W, double H) {
  sprite.PosY = ToSingle(double{sprite.PosY} + sprite.Speed);
  sprite.Phase = ToSingle(sprite.Phase + 2.0);
  if (sprite.PosY > H) Respawn(sprite, W);
}

void SpriteEngine::Respawn(Sprite& sprite, double W) {
  sprite.BaseX = ToSingle(random_.Rnd() * W / 3);
  sprite.Swing = ToSingle(random_.Rnd() * 75 + 200);
  sprite.Phase = ToSingle(random_.Rnd() * 3);
  sprite.PosY = -10;
  sprite.Speed = ToSingle(random_.Rnd() * 0.2 + 0.5);
  const auto shown = ToInt32(sprite.Shown);
  if (shown) sprite.Shown = ToSingle(*shown ^ 1);
}

void SpriteEngine::DrawSprite(fw::Surface& display, const Sprite& sprite,
                              const SpriteCutouts& sprites, double Wfull) const {
  const auto x = ToInt32(SwayX(sprite, Wfull));
  const auto y = ToInt32(sprite.PosY);
  const fw::Cutout* cutout = FrameCutout(sprites, sprite.FrameIndex);
  if (!x || !y || cutout == nullptr) return;
  display.DrawCutout(fw::ScaledPixels(*x, scale_), fw::ScaledPixels(*y, scale_), *cutout);
}

}  // namespace quarlo::saver
