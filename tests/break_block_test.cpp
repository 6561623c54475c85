// Breaking a block: chips cut from its picture, the paint-over, the count,
// and the item drop, with the random draws scripted.
#include <gtest/gtest.h>

#include "fixture.h"

namespace {

// A block at cell (3, 5) whose pixels are all different, so a chip's
// picture tells exactly where it was cut.
struct BlockField : Field {
  BlockField() {
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) form->Image1.setPixel(48 + x, 80 + y, 0x010000 * (x + 1) + 0x000100 * (y + 1));
    block(3, 5);
    random->script.clear();
    random->taken = 0;
  }
  void draws(std::initializer_list<int> v) { random->script.assign(v); }
};

TEST(BreakBlock, SixChipsPaintOverAndCount) {
  BlockField f;
  auto& s = f.s();
  const int before = s.blocksLeft;
  // Per chip: x step, y step, vertical offset, horizontal offset; then the
  // item draw (1: no item with odds 12).
  f.draws({13, 7, 2, 5, 0, 0, 0, 0, 8, 3, 7, 7, 4, 1, 1, 1, 22, 6, 3, 0, 9, 5, 6, 2, 1});
  f.form->BreakBlock(3, 5);
  struct Chip {
    int dx, dy, offY, offX;
  } chips[] = {{0, -5, 2, 5}, {-4, -2, 0, 0}, {4, -5, 7, 7}, {0, -3, 1, 1}, {0, -4, 3, 0}, {-4, -3, 6, 2}};
  for (int j = 0; j < 6; ++j) {
    SCOPED_TRACE(j);
    EXPECT_EQ(s.debrisLife[j], 10);
    EXPECT_EQ(s.debrisX[j], 51);
    EXPECT_EQ(s.debrisY[j], 83);
    EXPECT_EQ(s.debrisDX[j], chips[j].dx);
    EXPECT_EQ(s.debrisDY[j], chips[j].dy);
    // The picture: cut from the block before it was painted over.
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        ASSERT_EQ(f.form->Image3.pixel(8 * j + x, y),
                  0x010000u * (chips[j].offX + x + 1) + 0x000100u * (chips[j].offY + y + 1));
  }
  EXPECT_EQ(s.debrisLife[6], 0);
  EXPECT_EQ(f.random->taken, 25);
  EXPECT_EQ(s.cell(3, 5), 0);
  EXPECT_EQ(s.blocksLeft, before - 1);
  EXPECT_EQ(f.host.caption, std::to_string(before - 1));
  for (int y : {80, 95})
    for (int x : {48, 63}) {
      EXPECT_EQ(f.host.display().pixel(x, y), Field::Bg);
      EXPECT_EQ(f.form->Image1.pixel(x, y), Field::Bg);
    }
  EXPECT_NE(f.form->Image1.pixel(47, 80), Field::Bg + 1);  // no more than the cell
  EXPECT_EQ(s.itemOdds, 12);
  for (int i = 0; i < game::MaxBalls; ++i) EXPECT_EQ(s.ballKind[i], game::KindFree);
}

TEST(BreakBlock, ChipsGoToTheFreeSlotsOnly) {
  BlockField f;
  auto& s = f.s();
  for (int j = 0; j < game::MaxDebris; ++j) s.debrisLife[j] = (j == 5 || j == 9) ? 0 : 3;
  f.form->BreakBlock(3, 5);
  EXPECT_EQ(s.debrisLife[5], 10);
  EXPECT_EQ(s.debrisLife[9], 10);
  EXPECT_EQ(f.random->taken, 2 * 4 + 1);  // two chips, then the item draw
}

TEST(BreakBlock, FullChipTableStillBreaksAndTheItemTakesTheFirstDraw) {
  BlockField f;
  auto& s = f.s();
  for (int j = 0; j < game::MaxDebris; ++j) s.debrisLife[j] = 3;
  const int before = s.blocksLeft;
  f.draws({24});  // 24 mod 12 == 0: an item
  f.form->BreakBlock(3, 5);
  EXPECT_EQ(f.random->taken, 1);
  EXPECT_EQ(s.blocksLeft, before - 1);
  EXPECT_EQ(f.host.display().pixel(50, 90), Field::Bg);
  EXPECT_EQ(s.ballKind[0], game::KindItem);
}

TEST(BreakBlock, DropsAnItemAndTheOddsFall) {
  BlockField f;
  auto& s = f.s();
  for (int j = 0; j < game::MaxDebris; ++j) s.debrisLife[j] = 3;  // no chip draws
  s.ballKind[0] = game::KindBall;
  f.draws({0});
  f.form->BreakBlock(3, 5);
  EXPECT_EQ(s.ballKind[1], game::KindItem);  // the lowest free slot
  EXPECT_EQ(s.ballX[1], 55);
  EXPECT_EQ(s.ballY[1], 87);
  EXPECT_EQ(s.ballDX[1], 0);
  EXPECT_EQ(s.ballDY[1], 3);
  EXPECT_EQ(s.itemOdds, 19);

  f.block(4, 5);
  f.draws({19 * 3});
  f.form->BreakBlock(4, 5);
  EXPECT_EQ(s.itemOdds, 26);
  EXPECT_EQ(s.ballKind[2], game::KindItem);

  // With every ball slot taken the item is lost, but the odds fall all the same.
  for (int i = 0; i < game::MaxBalls; ++i) s.ballKind[i] = game::KindBall;
  f.block(5, 5);
  f.draws({26});
  f.form->BreakBlock(5, 5);
  EXPECT_EQ(s.itemOdds, 33);
}

TEST(BreakBlock, AnItemAboveTheCallingSlotMovesThisTickOneBelowWaits) {
  for (int callingSlot : {0, 5}) {
    BlockField f;
    f.noLaunch();
    auto& s = f.s();
    // The ball steps from (56, 100) to (56, 96) and probes (56, 92): cell (3, 5).
    f.ball(callingSlot, game::KindBall, 56, 100, 0, -4);
    f.draws({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    f.tick();
    const int itemSlot = callingSlot == 0 ? 1 : 0;
    ASSERT_EQ(s.ballKind[itemSlot], game::KindItem);
    EXPECT_EQ(s.ballY[itemSlot], callingSlot == 0 ? 90 : 87) << "calling slot " << callingSlot;
  }
}

TEST(BreakBlock, TheLastBlockEndsTheGameAfterItsChipsAreDrawn) {
  BlockField f;
  f.noLaunch();
  auto& s = f.s();
  // Leave (3, 5) as the only block.
  for (auto& b : s.grid) b = 0;
  s.grid[3 + 5 * s.gridCols] = 1;
  s.blocksLeft = 1;
  f.ball(0, game::KindBall, 56, 100, 0, -4);
  // Every chip: step (0, -2), picture from the cell's corner; no item.
  f.draws({4, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 1});
  f.tick();
  EXPECT_EQ(s.blocksLeft, 0);
  EXPECT_EQ(f.host.caption, "0");
  EXPECT_EQ(s.debrisLife[0], 9);  // stepped and drawn once
  EXPECT_EQ(f.host.display().pixel(51, 81), 0x010100u);  // its picture's top-left pixel
  EXPECT_EQ(f.host.display().pixel(55, 85), 0x050500u);  // 5 x 5 after one step
  EXPECT_EQ(f.host.display().pixel(56, 81), Field::Bg);
  ASSERT_EQ(f.host.boxes.size(), 1u);
  EXPECT_EQ(f.host.boxes[0].text, "kuria");
  EXPECT_EQ(f.host.boxes[0].caption, "ende");
  EXPECT_FALSE(f.host.timerEnabled);
}

}  // namespace
