#pragma once
// The sine-shaped gradients of the settings dialog's windows: over a window, red and green v and
// blue v + 30; over a panel, grey v + 30; with v = |sin(y / k) * 220| rounded and k = H / 3.142
// for the H rows of the area painted.

#include "framework/picture.h"

namespace quarlo {

// One row colour of a gradient from the row's brightness v.
using RowColour = fw::Colour (*)(int v);
fw::Colour WindowRow(int v);
fw::Colour PanelRow(int v);

// Paints the gradient down `height` rows of the surface from row `top`, one horizontal line per
// row. A row whose brightness cannot be computed (a zero-height area) keeps the previous one.
void PaintRows(fw::Surface& surface, RowColour colourOf, int top, int height);
// The gradient over the whole surface, shown.
void PaintGradient(fw::Surface* surface, RowColour colourOf);

}  // namespace quarlo
