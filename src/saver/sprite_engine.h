#pragma once
// The picture of the full-screen saver: a walking figure copied cell by cell from a sheet walks
// on the spot in the centre, while quarlo sprites fall from the top edge, swaying from side to
// side and turning about their vertical axis. All drawing goes into the display's back buffer
// through fw::Surface: one opaque copy of a cell for the figure, and for each shown sprite its
// mask with SRCAND followed by its frame with SRCINVERT. Both are drawn from cutouts of those
// blits (fw::Cutout), which give the same pixels and touch only the pixels that show.
//
// The engine works in the pixels of the design (96 dpi) at every display scale; at another scale
// each picture lands at the design position times the scale, from pictures made for that scale.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "rules/numeric.h"
#include "framework/picture.h"
#include "framework/scaling.h"
#include "os/os.h"
#include "saver/random.h"

namespace quarlo::saver {

// The walking-figure sheet: 8 columns x 4 rows of 128 x 295 px cells.
inline constexpr int kCellWidth = 128;
inline constexpr int kCellHeight = 295;
inline constexpr std::int16_t kLastColumn = 7;
inline constexpr std::int16_t kLastRow = 3;
// The quarlo sprite: 23 turning frames of 60 x 60 px, each with its mask.
inline constexpr int kSpriteSize = 60;
inline constexpr int kSpriteFrames = 23;
inline constexpr float kLastFrame = 22.0f;
// A walk cell and a rotation step each last while the tick counter stays at most 5 (6 frames).
inline constexpr int kLastTick = 5;

using SpritePictures = std::array<fw::PicturePtr, kSpriteFrames>;
// The walking figure's cells, row by row, each cut as the opaque copy of its rectangle.
using WalkCells = std::vector<fw::Cutout>;
// Each rotation frame cut through its mask.
using SpriteCutouts = std::array<fw::Cutout, kSpriteFrames>;

// The cells of a walking sheet made for `percent` % (nullptr: none).
WalkCells CutCells(const fw::Picture* sheet, int percent);
// Each frame with its mask, as the design blits them at `percent` %; a missing picture is a
// blit not made.
SpriteCutouts CutSprites(const SpritePictures& frames, const SpritePictures& masks, int percent);

// The design's pictures made for a scale: the walking sheet, and the rotation frames with their
// masks (a mask resampled from another scale made a clean AND mask again, its frame black
// around it). Missing ones are nullptr.
fw::PicturePtr LoadWalkSheet(fw::Backend& backend, int percent);
void LoadSpritePictures(fw::Backend& backend, int percent, SpritePictures& frames,
                        SpritePictures& masks);

// The same cut for drawing; the pictures themselves are not kept.
struct Artwork {
  WalkCells cells;
  SpriteCutouts sprites;
};
Artwork LoadArtwork(fw::Backend& backend, int percent);

// One record of the sprite table. The fields are single precision; arithmetic on them is done in
// double precision and stored back with ToSingle.
struct Sprite {
  float BaseX = 0;       // horizontal base offset, px
  float Swing = 0;       // sway amplitude, px
  float Phase = 0;       // sway phase counter
  float PosY = 0;        // top edge, px
  float Speed = 0;       // fall per frame, px
  float Spin = 0;        // 0 turns forwards, 1 backwards
  float SpinTick = 0;    // frames since the last rotation step
  float Shown = 0;       // 1 while drawn on this fall, 0 while falling unseen
  float FrameIndex = 0;  // current rotation frame, 0..22
};

// The top-left corner of the walking figure's cell on a display of W x H px: nearest(W - 128)
// div 2, nearest(H - 295) div 2. nullopt when a value is not a representable integer.
std::optional<os::Point> WalkerPosition(double W, double H);

// The sprite's left edge: BaseX + Swing * sin(Phase * 6.28) * cos(Phase / 100) + Wfull / 8 * 3.
// The factor 6.28 (not 2 pi) makes the sine drift slowly, since the phase grows by 2 a frame.
float SwayX(const Sprite& sprite, double Wfull);

// Blacks out the frame wherever its mask is white, so that drawing it with SRCINVERT over the
// masked screen leaves the screen as it was there.
void FitFrameToMask(fw::Picture& frame, const fw::Picture& mask);

// The rotation step: after 6 frames the sprite moves one frame on in its direction, wrapping
// 22 -> 0 forwards and 0 -> 22 backwards.
void Turn(Sprite& sprite);

class SpriteEngine {
 public:
  explicit SpriteEngine(RandomSource& random) : random_(random) {}

  // The sprite set-up while the window loads: allocates spriteCount + 1 records (none for a
  // negative count), clears the display, seeds the generator and gives every sprite a random
  // height, speed and direction, drawing three numbers per sprite in that order.
  void SetUp(std::int16_t spriteCount, double H, double seed, fw::Surface* display);

  // The display scale the pictures are made for, in percent; 100 until set.
  void SetScale(int percent) { scale_ = percent; }
  int Scale() const { return scale_; }

  // The walk starts at row 0, column 7.
  void StartWalk();
  // Copies the current cell opaquely to the centre of the display.
  void DrawWalker(fw::Surface& display, const WalkCells& cells, double W, double H) const;
  // One frame of the walk: a new cell every 6 frames, right to left, top to bottom, 32 cells.
  void AdvanceWalk();

  // Every sprite in index order: falls, respawns past the bottom edge, and, while shown, is
  // drawn and turned. A null display draws nothing.
  void AnimateSprites(fw::Surface* display, const SpriteCutouts& sprites, double W, double H,
                      double Wfull);
  // The fall of one frame: PosY += Speed, Phase += 2, and the respawn when PosY > H.
  void Fall(Sprite& sprite, double W, double H);
  // The respawn at the top edge: four random numbers, in the order BaseX, Swing, Phase, Speed;
  // Shown toggles between 0 and 1.
  void Respawn(Sprite& sprite, double W);

  std::vector<Sprite>& Sprites() { return sprites_; }
  const std::vector<Sprite>& Sprites() const { return sprites_; }

  std::int16_t WalkColumn = kLastColumn;
  std::int16_t WalkRow = 0;
  std::int16_t WalkTick = 0;

 private:
  void DrawSprite(fw::Surface& display, const Sprite& sprite, const SpriteCutouts& sprites,
                  double Wfull) const;

  RandomSource& random_;
  std::vector<Sprite> sprites_;
  int scale_ = 100;
};

}  // namespace quarlo::saver
