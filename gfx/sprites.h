// The sprite sheet: one 1024 x 12 image holding every picture the game draws.
//
//   rows 0..7   128 chip cells of 8 x 8, cell j at (8j, 0): a piece of the
//               broken block, copied in when chip slot j is spawned
//   rows 8..10  the ball (3 x 3 at (0, 8)), the item (3 x 3 at (3, 8)) and
//               the paddle (32 x 2 at (8, 8))
//
// Only the coloured pixels of the art are written; every other pixel keeps the
// white the bitmap is made with (the ball's cross and the paddle's top row are
// that white).
#pragma once

#include "gfx/image.h"

namespace gfx {

constexpr int SheetWidth = 1024;
constexpr int SheetHeight = 12;

struct Region {
  int x, y, w, h;
};
constexpr Region chipCell(int j) { return {8 * j, 0, 8, 8}; }
constexpr Region BallSprite{0, 8, 3, 3};
constexpr Region ItemSprite{3, 8, 3, 3};
constexpr Region PaddleSprite{8, 8, 32, 2};

// The basic colours the art uses, as 0x00BBGGRR.
constexpr Colour ClWhite = 0xFFFFFF;
constexpr Colour ClSilver = 0xC0C0C0;
constexpr Colour ClOlive = 0x008080;
constexpr Colour ClYellow = 0x00FFFF;
constexpr Colour ClBlack = 0x000000;

// Writes the art into a fresh sheet, pixel by pixel, in the fixed order
// (ball corners, item, paddle's lower row). The first write makes the bitmap.
void paintSpriteSheet(Image& sheet);

}  // namespace gfx
