#pragma once
// One monitor's picture: the walking figure at the centre of a display and a rain of sprites of
// its own, laid out in the pixels of the design at the scale of the display's monitor and
// composed into the display's back buffer. The saver's window shows the primary monitor's scene;
// with every monitor chosen, each other monitor's window shows a scene of its own (monitors.h),
// drawing from a random sequence of its own.

#include <cstdint>
#include <map>
#include <memory>

#include "framework/form.h"
#include "saver/random.h"
#include "saver/sprite_engine.h"

namespace quarlo::saver {

// The design's artwork made for a scale once, and shared by every scene at that scale for as
// long as one of them draws at it.
class ArtworkCache {
 public:
  explicit ArtworkCache(fw::Backend& backend) : backend_(backend) {}
  std::shared_ptr<const Artwork> At(int percent);

 private:
  fw::Backend& backend_;
  std::map<int, std::weak_ptr<const Artwork>> made_;
};

class Scene {
 public:
  Scene(fw::Form& form, fw::PictureBox& display, ArtworkCache& artwork)
      : form_(form), display_(display), artwork_(artwork) {}

  // The scale of the form's monitor: the scene is laid out in the pixels of the design and drawn
  // from pictures made for that scale.
  void TakeScale();
  // The sprite set-up, from the random sequence `seed` starts.
  void SetUp(std::int16_t spriteCount, double seed);
  // Clears the back buffer, draws the walking figure, then moves and draws the sprites.
  void Compose();
  // Shows the back buffer.
  void Present();

  SpriteEngine& Engine() { return engine_; }
  // The walking sheet's cells, and each rotation frame cut through its mask (Pic_Mask), made
  // for the scale of the scene's monitor.
  const WalkCells& Pic_Mas() const;
  const SpriteCutouts& Pic_Quarlo() const;

 private:
  // Pixels of the screen in pixels of the design.
  double Design(int pixels) const { return pixels * 100.0 / engine_.Scale(); }

  fw::Form& form_;
  fw::PictureBox& display_;
  ArtworkCache& artwork_;
  std::shared_ptr<const Artwork> art_;
  TwisterRandom random_;
  SpriteEngine engine_{random_};
};

}  // namespace quarlo::saver
