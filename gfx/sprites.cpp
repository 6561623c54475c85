#include "gfx/sprites.h"

#include <cstddef>

namespace gfx {

namespace {

struct ArtPixel {
  int x, y;
  Colour colour;
};

// Ball corners, then the item's cross and corners, in writing order.
constexpr ArtPixel Art[] = {
    {0, 8, ClSilver}, {2, 8, ClSilver}, {0, 10, ClSilver}, {2, 10, ClSilver},   // ball
    {3, 8, ClOlive},  {4, 8, ClYellow}, {5, 8, ClOlive},                        // item
    {3, 9, ClYellow}, {4, 9, ClYellow}, {5, 9, ClYellow},
    {3, 10, ClOlive}, {4, 10, ClYellow}, {5, 10, ClOlive},
};

}  // namespace

void paintSpriteSheet(Image& sheet) {
  for (const ArtPixel& p : Art) sheet.setPixel(p.x, p.y, p.colour);
  // The paddle: a silver lower row under the sheet's white.
  for (int x = PaddleSprite.x; x < PaddleSprite.x + PaddleSprite.w; ++x)
    sheet.setPixel(x, PaddleSprite.y + 1, ClSilver);
}

}  // namespace gfx
