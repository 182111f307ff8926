#include "saver/scene.h"

#include "framework/scaling.h"

namespace quarlo::saver {
namespace {

constexpr fw::Colour kBlack = fw::Rgb(0, 0, 0);

}  // namespace

std::shared_ptr<const Artwork> ArtworkCache::At(int percent) {
  if (auto made = made_[percent].lock()) return made;
  auto art = std::make_shared<const Artwork>(LoadArtwork(backend_, percent));
  made_[percent] = art;
  return art;
}

void Scene::TakeScale() {
  const int percent = fw::ScalePercent(form_.GetBackend().WindowDpi(form_));
  if (art_ && percent == engine_.Scale()) return;
  engine_.SetScale(percent);
  art_ = artwork_.At(percent);
}

const WalkCells& Scene::Pic_Mas() const {
  static const WalkCells kNone;
  return art_ ? art_->cells : kNone;
}

const SpriteCutouts& Scene::Pic_Quarlo() const {
  static const SpriteCutouts kNone;
  return art_ ? art_->sprites : kNone;
}

void Scene::SetUp(std::int16_t spriteCount, double seed) {
  engine_.SetUp(spriteCount, Design(display_.InnerHeightPixels()), seed, display_.DrawingSurface());
}

void Scene::Compose() {
  fw::Surface* display = display_.DrawingSurface();
  const double W = Design(display_.InnerWidthPixels());
  const double H = Design(display_.InnerHeightPixels());
  const double Wfull =
      Design(fw::TwipsToPixels(display_.Width(), form_.GetBackend().TwipsPerPixelX()));
  if (display != nullptr) {
    display->Clear(kBlack);
    engine_.DrawWalker(*display, Pic_Mas(), W, H);
  }
  engine_.AdvanceWalk();
  engine_.AnimateSprites(display, Pic_Quarlo(), W, H, Wfull);
}

void Scene::Present() {
  if (fw::Surface* display = display_.DrawingSurface()) display->Present();
}

}  // namespace quarlo::saver
