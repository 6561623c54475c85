// A new game from whatever the screen shows: wipe the last game's sprites,
// snapshot the screen, settle the background colour, build the tile and find
// the blocks. A block is any 16 x 16 cell whose four corner pixels are not all
// the background colour.
#include <algorithm>

#include "game/game_state.h"

namespace game {

namespace {

bool isBlock(gfx::Image& snap, gfx::Colour bg, int c, int r) {
  const int x = CellSize * c, y = CellSize * r, e = CellSize - 1;
  return snap.pixel(x, y) != bg || snap.pixel(x + e, y) != bg || snap.pixel(x, y + e) != bg ||
         snap.pixel(x + e, y + e) != bg;
}

}  // namespace

void NewGame(Playfield& f) {
  GameState& s = f.s;
  gfx::Screen& screen = *s.screenDC;

  // The previous game's sprites go back to its snapshot, so that none of
  // them ends up in the next one.
  if (s.gameSetUp == 1) RestoreSprites(f);
  std::fill(std::begin(s.ballKind), std::end(s.ballKind), KindFree);
  std::fill(std::begin(s.debrisLife), std::end(s.debrisLife), 0);

  gfx::BitBlt(f.Image1, 0, 0, s.screenWidth, s.screenHeight, screen, 0, 0);

  // The background colour is read off the left edge, half-way down, by the
  // first game only; later games keep it (or the colour the user picked) and
  // write it back there, so the tile below always has it.
  const int bgY = s.screenHeight / 2;
  if (s.gameSetUp == 0) s.backgroundColor = f.Image1.pixel(0, bgY);
  s.gameSetUp = 1;
  f.Image1.setPixel(0, bgY, s.backgroundColor);
  for (int y = 0; y < CellSize; ++y)
    for (int x = 0; x < CellSize; ++x) gfx::BitBlt(f.Image2, x, y, 1, 1, f.Image1, 0, bgY);

  s.gridCols = s.screenWidth / CellSize;
  s.gridRows = s.screenHeight / CellSize;
  s.blocksLeft = 0;
  s.grid.assign(static_cast<size_t>(std::max(s.gridCols, 0)) * std::max(s.gridRows, 0), 0);
  const int scanRows = std::max(s.gridRows - EmptyBottomRows, 0);
  for (int r = 0; r < scanRows; ++r) {
    for (int c = 0; c < s.gridCols; ++c) {
      const bool block = isBlock(f.Image1, s.backgroundColor, c, r);
      s.grid[static_cast<size_t>(c) + static_cast<size_t>(r) * s.gridCols] = block ? 1 : 0;
      if (block) ++s.blocksLeft;
    }
  }
  // The bottom rows (all of a grid shorter than that) stay 0 from the fill.

  s.paddleX = 0;
  s.paddleY = s.screenHeight - PaddleLift;
  s.lastCursorX = 0;
  s.rightHeld = 0;
  s.leftHeld = 0;
  s.launchTick = LaunchPeriod - 1;
  s.ballsInStock = StockStart;
  s.burstLaunches = 0;
  s.itemOdds = ItemOddsStart;

  f.form.setCaption(decimal(s.blocksLeft));
  f.form.setTimerEnabled(true);
}

}  // namespace game
