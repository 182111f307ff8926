#pragma once
// Pictures and positions at a display scale. The program is laid out in the pixels of its
// design (96 dpi, 100 %); at another scale each position and size is the design's times the
// scale, and each picture is one made for that scale: drawn for it by the artwork generator when
// the program holds one, else resampled from the nearest larger one it holds.

#include "framework/picture.h"

namespace quarlo::fw {

class Backend;

// A picture made for `percent` % is stored under its 100 % resource id plus 100 x percent.
constexpr int ScaledResourceId(int id, int percent) {
  return percent == 100 ? id : id + 100 * percent;
}

// The scale a display of `dpi` dots per inch shows at, in percent (96 dpi is 100 %).
int ScalePercent(int dpi);

// The scale of the screen the backend measures twips on (1440 twips an inch): the one scale of
// every window laid out in twips, and of the pictures and cursors made for it.
int ScreenScalePercent(Backend& backend);

// A design length in pixels at a scale: the nearest whole pixel, a half going to the even one.
int ScaledPixels(double designPixels, int percent);

// How many cells a picture holds across and down; each is resampled on its own, so that no cell
// takes a colour from its neighbour and every cell has the size its design size gives.
struct Grid {
  int columns = 1;
  int rows = 1;
};

// Picture resource `id` for `percent` %: the one drawn for that scale; else the next larger one
// the program holds (or its largest), resampled cell by cell to the design size times the
// scale. nullptr when the program holds none of them.
PicturePtr LoadPictureAt(Backend& backend, int id, int percent, Grid grid = {});

// Makes a resampled mask a clean AND mask again: each pixel black where it is darker than mid
// grey, white elsewhere.
void SharpenMask(Picture& mask);

}  // namespace quarlo::fw
