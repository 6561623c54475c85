// A ball ran into a block: the block bursts into chips cut from its own
// picture, is painted over with the background tile for good (on the screen
// and in the snapshot), and now and then drops a bonus item.
#include "game/game_state.h"

namespace game {

namespace {

// The lowest free chip slot from `from` on, or -1.
int freeChipSlot(const GameState& s, int from) {
  for (int j = from; j < MaxDebris; ++j)
    if (s.debrisLife[j] == 0) return j;
  return -1;
}

int freeBallSlot(const GameState& s) {
  for (int i = 0; i < MaxBalls; ++i)
    if (s.ballKind[i] == KindFree) return i;
  return -1;
}

}  // namespace

void BreakBlock(Playfield& f, int col, int row) {
  GameState& s = f.s;
  const int px = CellSize * col, py = CellSize * row;

  s.grid[static_cast<size_t>(col) + static_cast<size_t>(row) * s.gridCols] = 0;

  // Chips take the lowest free slots; a chip without a slot takes no draws.
  // Nothing frees a slot meanwhile, so each search goes on from the last.
  int j = -1;
  for (int n = 0; n < ChipsPerBlock; ++n) {
    j = freeChipSlot(s, j + 1);
    if (j < 0) break;
    s.debrisLife[j] = ChipLife;
    s.debrisX[j] = px + 3;
    s.debrisY[j] = py + 3;
    s.debrisDX[j] = f.random.next() % 9 - 4;
    s.debrisDY[j] = -2 - f.random.next() % 4;
    const int offY = f.random.next() % 8;
    const int offX = f.random.next() % 8;
    // The snapshot still shows the block here, so the chip shows a piece of it.
    gfx::BitBlt(f.Image3, 8 * j, 0, 8, 8, f.Image1, px + offX, py + offY);
  }

  gfx::BitBlt(*s.screenDC, px, py, CellSize, CellSize, f.Image2, 0, 0);
  gfx::BitBlt(f.Image1, px, py, CellSize, CellSize, f.Image2, 0, 0);

  --s.blocksLeft;
  f.form.setCaption(decimal(s.blocksLeft));

  if (f.random.next() % s.itemOdds != 0) return;
  s.itemOdds += ItemOddsStep;  // the odds fall even when the item finds no slot
  const int i = freeBallSlot(s);
  if (i < 0) return;
  s.ballKind[i] = KindItem;
  s.ballX[i] = px + 7;
  s.ballY[i] = py + 7;
  s.ballDX[i] = 0;
  s.ballDY[i] = ItemFall;
}

}  // namespace game
