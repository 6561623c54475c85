// Chips in flight, the ball launcher, and the two ends of a game.
#include <gtest/gtest.h>

#include "fixture.h"

namespace {

TEST(Chips, FlyUpFallBackAndShrink) {
  Field f;
  f.noLaunch();
  auto& s = f.s();
  // Chip 0 with a plain picture, started at (100, 100) with step (2, -4).
  gfx::Image& sheet = f.form->Image3;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) sheet.setPixel(x, y, 0x0000FF);
  s.debrisLife[0] = 10;
  s.debrisX[0] = 100;
  s.debrisY[0] = 100;
  s.debrisDX[0] = 2;
  s.debrisDY[0] = -4;
  const int sizes[] = {5, 5, 4, 4, 3, 3, 2, 2, 1};
  for (int k = 1; k <= 9; ++k) {
    SCOPED_TRACE(k);
    f.tick();
    const int x = 100 + 2 * k, y = 100 - 4 * k + k * (k - 1) / 2, side = sizes[k - 1];
    EXPECT_EQ(s.debrisX[0], x);
    EXPECT_EQ(s.debrisY[0], y);
    EXPECT_EQ(s.debrisLife[0], 10 - k);
    auto& screen = f.host.display();
    EXPECT_EQ(screen.pixel(x, y), 0x0000FFu);
    EXPECT_EQ(screen.pixel(x + side - 1, y + side - 1), 0x0000FFu);
    EXPECT_EQ(screen.pixel(x + side, y), Field::Bg);
    EXPECT_EQ(screen.pixel(x, y + side), Field::Bg);
  }
  f.tick();  // the tenth: restored and freed, not drawn again
  EXPECT_EQ(s.debrisLife[0], 0);
  for (int y = 40; y < 110; ++y)
    for (int x = 95; x < 130; ++x) ASSERT_EQ(f.host.display().pixel(x, y), Field::Bg) << x << "," << y;
}

TEST(Chips, PastTheScreenEdgeAreDrawnWhereTheyShow) {
  Field f;
  f.noLaunch();
  auto& s = f.s();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) f.form->Image3.setPixel(x, y, 0x0000FF);
  s.debrisLife[0] = 10;
  s.debrisX[0] = 1;
  s.debrisY[0] = 5;
  s.debrisDX[0] = -4;
  s.debrisDY[0] = -2;
  f.tick();  // drawn 5 x 5 at (-3, 3)
  EXPECT_EQ(f.host.display().pixel(0, 3), 0x0000FFu);
  EXPECT_EQ(f.host.display().pixel(1, 7), 0x0000FFu);
  EXPECT_EQ(f.host.display().pixel(2, 3), Field::Bg);
  f.tick();
  EXPECT_EQ(f.host.display().pixel(0, 3), Field::Bg);
}

TEST(Launcher, FirstTickLaunchesThenEvery128) {
  Field f;
  auto& s = f.s();
  f.random->script.assign({15});  // offset 15: step (+1, -4)
  f.host.setCursor(100, 0);
  f.tick();
  EXPECT_EQ(s.ballsInStock, 99);
  EXPECT_EQ(f.host.menuCaptions[ba1], "99");
  EXPECT_EQ(s.ballKind[0], game::KindBall);
  EXPECT_EQ(s.ballX[0], 100);
  EXPECT_EQ(s.ballY[0], s.paddleY - 2);
  EXPECT_EQ(s.ballDX[0], 1);
  EXPECT_EQ(s.ballDY[0], -4);
  for (int t = 0; t < 127; ++t) {
    s.ballKind[0] = game::KindBall;  // keep something in play
    s.ballY[0] = 100;
    f.tick();
  }
  EXPECT_EQ(s.ballsInStock, 99);
  f.tick();
  EXPECT_EQ(s.ballsInStock, 98);
  EXPECT_EQ(f.host.menuCaptions[ba1], "98");
}

TEST(Launcher, TheOffsetIsTheDrawsLowFiveBitsZeroIncluded) {
  Field f;
  f.random->script.assign({32 * 7});  // offset 0: step (-4, -1)
  f.tick();
  EXPECT_EQ(f.s().ballDX[0], -4);
  EXPECT_EQ(f.s().ballDY[0], -1);
}

TEST(Launcher, AllSlotsFullTakesABallButStartsNone) {
  Field f;
  auto& s = f.s();
  for (int i = 0; i < game::MaxBalls; ++i) f.ball(i, game::KindBall, 20 + 4 * i, 100, 0, 0);
  f.tick();  // due at once after the new game
  EXPECT_EQ(s.ballsInStock, 99);
  EXPECT_EQ(f.host.menuCaptions[ba1], "99");
  EXPECT_EQ(s.launchTick, 0);
}

TEST(Launcher, EmptyStockLaunchesNothingAndKeepsTheStatus) {
  Field f;
  auto& s = f.s();
  s.ballsInStock = 0;
  f.host.setMenuCaption(ba1, "1");
  f.ball(3, game::KindBall, 100, 100, 1, 0);
  f.tick();
  EXPECT_EQ(s.launchTick, 0);
  EXPECT_EQ(f.host.menuCaptions[ba1], "1");
  EXPECT_EQ(s.ballKind[0], game::KindFree);
  EXPECT_TRUE(f.host.timerEnabled);  // an empty stock alone does not end the game
}

TEST(EndOfGame, NothingInPlayShowsEnde) {
  Field f;
  f.noLaunch();
  f.tick();
  EXPECT_FALSE(f.host.timerEnabled);
  EXPECT_EQ(f.host.menuCaptions[ba1], "ende");
  EXPECT_TRUE(f.host.boxes.empty());
}

TEST(EndOfGame, NoBlockLeftShowsTheBoxAndBothComeInOrder) {
  // No blocks and nothing launched: "ende" first, then the box, one tick.
  Field f;
  f.noLaunch();
  f.s().blocksLeft = 0;
  f.tick();
  std::vector<std::string> tail(f.host.log.end() - 3, f.host.log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"timer off", "menu 6 ende", "box kuria"}));
  ASSERT_EQ(f.host.boxes.size(), 1u);
  EXPECT_EQ(f.host.boxes[0].caption, "ende");
  EXPECT_FALSE(f.host.boxes[0].error);
}

TEST(EndOfGame, AScreenWithoutBlocksLaunchesThenShowsTheBox) {
  Desk d(320, 240);
  d.start();
  d.host.tick();
  EXPECT_EQ(d.host.menuCaptions[ba1], "99");
  ASSERT_EQ(d.host.boxes.size(), 1u);
  EXPECT_EQ(d.host.boxes[0].text, "kuria");
  EXPECT_FALSE(d.host.timerEnabled);
  EXPECT_FALSE(d.host.tick());  // no tick while stopped
}

}  // namespace
