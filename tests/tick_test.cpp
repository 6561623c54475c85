// One frame: the paddle, the balls and items, the walls, the paddle contact
// and the block probes.
#include <gtest/gtest.h>

#include "fixture.h"

namespace {

using game::KindBall;
using game::KindFree;
using game::KindItem;

TEST(Paddle, FollowsTheCursorOrTheHeldArrows) {
  struct Case {
    const char* what;
    int cursorX, lastCursorX, paddleX, right, left;
    int expectX, expectLast;
  } cases[] = {
      {"mouse still, both arrows: right wins", 0, 0, 100, 1, 1, 110, 0},
      {"mouse still, left arrow", 0, 0, 100, 0, 1, 90, 0},
      {"mouse still, no arrow", 0, 0, 100, 0, 0, 100, 0},
      {"moved mouse beats the arrow", 50, 0, 100, 1, 0, 50, 50},
      {"cursor x equal to the last counts as still", 50, 50, 100, 0, 0, 100, 50},
      {"cursor left of the screen", -20, 0, 100, 0, 0, 0, -20},
      {"cursor past the right limit", 300, 0, 100, 0, 0, 288, 300},
      {"right arrow at the right limit", 0, 0, 285, 1, 0, 288, 0},
      {"left arrow at the left limit", 0, 0, 5, 0, 1, 0, 0},
  };
  for (const Case& c : cases) {
    Field f;
    f.noLaunch();
    auto& s = f.s();
    f.host.setCursor(c.cursorX, 0);
    s.lastCursorX = c.lastCursorX;
    s.paddleX = c.paddleX;
    s.rightHeld = c.right;
    s.leftHeld = c.left;
    f.tick();
    EXPECT_EQ(s.paddleX, c.expectX) << c.what;
    EXPECT_EQ(s.lastCursorX, c.expectLast) << c.what;
    // Drawn there: white top row, silver bottom row.
    EXPECT_EQ(f.host.display().pixel(c.expectX, s.paddleY), 0xFFFFFFu) << c.what;
    EXPECT_EQ(f.host.display().pixel(c.expectX + 31, s.paddleY + 1), 0xC0C0C0u) << c.what;
  }
}

TEST(Paddle, OldPlaceIsRestoredFromTheSnapshot) {
  Field f;
  f.noLaunch();
  f.host.setCursor(100, 0);
  f.tick();
  f.host.setCursor(200, 0);
  f.tick();
  EXPECT_EQ(f.host.display().pixel(100, f.s().paddleY), Field::Bg);
  EXPECT_EQ(f.host.display().pixel(131, f.s().paddleY + 1), Field::Bg);
}

TEST(Ball, BouncesOffTheSidesAndTheTop) {
  // 320 wide: the walls stand at x = 10 and x = 310, the top at y = 10.
  struct Case {
    int x, y, dx, dy;
    int expectX, expectY, expectDX, expectDY;
  } cases[] = {
      {13, 100, -4, 1, 10, 101, 4, 1},     // lands on 9: put back to 10, turned
      {14, 100, -4, 1, 10, 101, -4, 1},    // lands on 10: left alone
      {306, 100, 4, 1, 310, 101, 4, 1},    // lands on screenWidth - 10: left alone
      {307, 100, 4, 1, 310, 101, -4, 1},   // one past: turned
      {100, 13, 1, -4, 101, 10, 1, 4},     // y = 9 becomes 10, going down
      {100, 14, 1, -4, 101, 10, 1, -4},
      {12, 12, -3, -3, 10, 10, 3, 3},      // a corner turns both
  };
  for (const Case& c : cases) {
    Field f;
    f.noLaunch();
    f.ball(3, KindBall, c.x, c.y, c.dx, c.dy);
    f.tick();
    const auto& s = f.s();
    EXPECT_EQ(s.ballX[3], c.expectX) << c.x << "," << c.y;
    EXPECT_EQ(s.ballY[3], c.expectY) << c.x << "," << c.y;
    EXPECT_EQ(s.ballDX[3], c.expectDX) << c.x << "," << c.y;
    EXPECT_EQ(s.ballDY[3], c.expectDY) << c.x << "," << c.y;
  }
}

TEST(Ball, LeavesThePaddleByTheBounceTables) {
  // The ball lands k pixels right of the paddle's left edge, r rows below
  // its top. Outside the band it keeps its step (0, 1).
  struct Case {
    int k, r;
    bool bounces;
    int dx, dy;
  } cases[] = {
      {0, 0, false, 0, 1},  {1, 0, true, -4, -1}, {14, 0, true, -1, -4}, {15, 0, true, 1, -4},
      {31, 0, true, 4, -1}, {32, 0, false, 0, 1}, {16, -2, false, 0, 1}, {16, -1, true, 1, -4},
      {16, 2, true, 1, -4}, {16, 3, false, 0, 1}, {8, 1, true, -3, -3},  {23, 1, true, 3, -3},
  };
  for (const Case& c : cases) {
    Field f;
    f.noLaunch();
    auto& s = f.s();
    s.paddleX = 100;
    const int paddleY = s.paddleY;
    f.ball(0, KindBall, 100 + c.k, paddleY + c.r - 1, 0, 1);
    f.tick();
    const char* where = c.bounces ? "bounces" : "passes";
    EXPECT_EQ(s.ballDX[0], c.dx) << "k=" << c.k << " r=" << c.r << " " << where;
    EXPECT_EQ(s.ballDY[0], c.dy) << "k=" << c.k << " r=" << c.r << " " << where;
    EXPECT_EQ(s.ballY[0], c.bounces ? paddleY - 1 : paddleY + c.r) << "k=" << c.k << " r=" << c.r;
    EXPECT_EQ(s.ballX[0], 100 + c.k);
  }
}

TEST(Ball, BouncesEvenWhenMovingUpThroughTheBand) {
  Field f;
  f.noLaunch();
  auto& s = f.s();
  s.paddleX = 100;
  f.ball(0, KindBall, 116, s.paddleY + 3, 0, -1);
  f.tick();
  EXPECT_EQ(s.ballY[0], s.paddleY - 1);
  EXPECT_EQ(s.ballDY[0], -4);
}

TEST(Ball, IsFreedBelowTheBottomLineAndStillCounted) {
  Field f;
  f.noLaunch();
  auto& s = f.s();
  f.ball(0, KindBall, 200, 240 - 16 - 1, 0, 1);  // lands on screenHeight - 16: drawn
  f.ball(1, KindBall, 250, 240 - 16, 0, 1);      // lands one lower: freed
  f.tick();
  EXPECT_EQ(s.ballKind[0], KindBall);
  EXPECT_EQ(s.ballY[0], 224);
  EXPECT_EQ(s.ballKind[1], KindFree);
  EXPECT_EQ(f.host.display().pixel(250, 225), Field::Bg);  // nothing drawn
  EXPECT_TRUE(f.host.timerEnabled);  // slot 1 counted: the game goes on
  f.tick();
  f.tick();  // slot 0 falls out on the next tick; the one after finds nothing
  EXPECT_EQ(s.ballKind[0], KindFree);
  EXPECT_FALSE(f.host.timerEnabled);
  EXPECT_EQ(f.host.menuCaptions[ba1], "ende");
}

TEST(Item, CaughtByThePaddleAddsABurstOfSix) {
  Field f;
  f.noLaunch();
  auto& s = f.s();
  s.paddleX = 100;
  f.ball(2, KindItem, 116, s.paddleY - 3, 0, 3);  // lands on paddleY: caught
  f.tick();
  EXPECT_EQ(s.ballKind[2], KindFree);  // the item's slot is freed
  EXPECT_EQ(s.ballKind[0], KindBall);  // the burst's first ball, launched in the same tick
  EXPECT_EQ(s.ballsInStock, 100 + 6 - 1);
  EXPECT_EQ(s.burstLaunches, 5);
  EXPECT_NE(f.host.display().pixel(116, s.paddleY - 1), 0x00FFFFu);  // no item drawn
  for (int i = 0; i < 5; ++i) f.tick();
  EXPECT_EQ(s.ballsInStock, 100);
  EXPECT_EQ(s.burstLaunches, 0);
  EXPECT_EQ(s.launchTick, 0);
  int balls = 0;
  for (int i = 0; i < game::MaxBalls; ++i) balls += s.ballKind[i] == KindBall;
  EXPECT_EQ(balls, 6);
}

TEST(Item, SecondCatchDuringABurstSetsItBackToSix) {
  Field f;
  f.noLaunch();
  auto& s = f.s();
  s.paddleX = 100;
  s.burstLaunches = 3;
  s.ballsInStock = 50;
  f.ball(9, KindItem, 116, s.paddleY, 0, 0);
  f.tick();
  EXPECT_EQ(s.burstLaunches, 5);  // set to 6, then one launch
  EXPECT_EQ(s.ballsInStock, 55);
}

TEST(Item, FallsThroughBlocks) {
  Field f;
  f.noLaunch();
  f.block(5, 5);
  f.ball(0, KindItem, 87, 72, 0, 3);  // falls into cell (5, 5)
  const int before = f.s().blocksLeft;
  for (int i = 0; i < 10; ++i) f.tick();
  EXPECT_EQ(f.s().blocksLeft, before);
  EXPECT_EQ(f.s().cell(5, 5), 1);
  EXPECT_EQ(f.s().ballY[0], 102);
}

TEST(Probes, VerticalBeforeHorizontalBeforeDiagonal) {
  // The ball steps from (40, 40) to (44, 44) with (4, 4): the vertical probe
  // looks at (44, 48) = cell (2, 3), the horizontal one at (48, 44) = cell
  // (3, 2), the diagonal one at (48, 48) = cell (3, 3).
  struct Case {
    std::vector<std::pair<int, int>> blocks;
    std::pair<int, int> broken;  // {-1,-1}: none
    int dx, dy;
  } cases[] = {
      {{{2, 3}, {3, 2}, {3, 3}}, {2, 3}, 4, -4},
      {{{3, 2}, {3, 3}}, {3, 2}, -4, 4},
      {{{3, 3}}, {3, 3}, -4, -4},
      {{}, {-1, -1}, 4, 4},
  };
  for (const Case& c : cases) {
    Field f;
    f.noLaunch();
    for (auto [col, row] : c.blocks) f.block(col, row);
    const int before = f.s().blocksLeft;
    f.ball(0, KindBall, 40, 40, 4, 4);
    f.tick();
    const auto& s = f.s();
    EXPECT_EQ(s.ballX[0], 44);  // a probe never moves the ball this tick
    EXPECT_EQ(s.ballY[0], 44);
    EXPECT_EQ(s.ballDX[0], c.dx);
    EXPECT_EQ(s.ballDY[0], c.dy);
    const bool broke = c.broken.first >= 0;
    EXPECT_EQ(s.blocksLeft, before - (broke ? 1 : 0));
    for (auto [col, row] : c.blocks) {
      const bool isBroken = std::make_pair(col, row) == c.broken;
      EXPECT_EQ(s.cell(col, row), isBroken ? 0 : 1) << col << "," << row;
    }
  }
}

TEST(Probes, ABlockBrokenByOneBallIsGoneForTheNext) {
  Field f;
  f.noLaunch();
  f.block(2, 3);
  f.ball(0, KindBall, 40, 40, 4, 4);
  f.ball(1, KindBall, 40, 40, 4, 4);
  f.tick();
  EXPECT_EQ(f.s().ballDY[0], -4);
  EXPECT_EQ(f.s().ballDY[1], 4);  // found no block there any more
}

TEST(Probes, CellsPastTheGridHoldNoBlock) {
  // A width of 330 leaves 10 pixels outside the last column: a ball at the
  // right wall probes column 20 of a 20-column grid. Taken as an index, that
  // would be column 0 of the next row, which holds a block here.
  {
    Field f(330, 240);
    f.noLaunch();
    f.block(0, 6);
    const int before = f.s().blocksLeft;
    f.ball(0, KindBall, 316, 100, 4, 0);  // steps to (320, 100), probes (324, 100)
    f.tick();
    EXPECT_EQ(f.s().blocksLeft, before);
    EXPECT_EQ(f.s().cell(0, 6), 1);
    EXPECT_EQ(f.s().ballDX[0], 4);
  }
  // 800 x 600: 37 rows, the last 8 pixel rows belong to none; a ball low on
  // the screen probes row 37.
  {
    Field f(800, 600);
    f.noLaunch();
    const int before = f.s().blocksLeft;
    f.ball(0, KindBall, 400, 584, 4, 4);  // steps to (404, 588), probes y = 592
    f.tick();
    EXPECT_EQ(f.s().blocksLeft, before);
  }
}

TEST(Tick, RestoresEverythingBeforeDrawingAnything) {
  // A chip restored after a ball was drawn would wipe the ball where they
  // overlap. Ball in slot 0 moves onto the square where chip 0 was drawn.
  Field f;
  f.noLaunch();
  auto& s = f.s();
  s.debrisLife[0] = 1;  // restored as 1 x 1 at (101, 100), then freed
  s.debrisX[0] = 101;
  s.debrisY[0] = 100;
  f.ball(0, KindBall, 101, 99, 0, 1);  // drawn over (100..102, 99..101)
  f.tick();
  EXPECT_EQ(f.host.display().pixel(101, 100), 0xFFFFFFu);  // the ball's centre
  EXPECT_EQ(f.host.display().pixel(100, 99), 0xC0C0C0u);   // its corner
  EXPECT_EQ(s.debrisLife[0], 0);
}

TEST(Tick, LaterSlotsAreDrawnOverEarlierOnes) {
  Field f;
  f.noLaunch();
  f.ball(0, KindItem, 100, 99, 0, 1);
  f.ball(1, KindBall, 101, 99, 0, 1);  // overlaps the item one column to the right
  f.tick();
  EXPECT_EQ(f.host.display().pixel(101, 100), 0xFFFFFFu);  // ball over item
  EXPECT_EQ(f.host.display().pixel(99, 100), 0x00FFFFu);   // item's own left arm
}

TEST(Tick, FlushesOncePerTick) {
  Field f;
  const long before = f.host.display().flushes;
  f.tick();
  EXPECT_EQ(f.host.display().flushes, before + 1);
  EXPECT_EQ(f.host.display().copiesTo, 1);  // only the new game's snapshot read the screen
}

}  // namespace
