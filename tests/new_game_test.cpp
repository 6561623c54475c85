// The first game and every later one: snapshot, background, tile, grid.
#include <gtest/gtest.h>

#include "fixture.h"

namespace {

constexpr gfx::Colour Bg = 0x804020;

TEST(Construction, PlacesTheWindowAndShowsTheBlockCount) {
  Desk d(160, 160);
  d.host.display().fillRect(16, 16, 16, 16, 0x00FF00);
  d.start();
  EXPECT_EQ(d.host.caption, "1");
  EXPECT_EQ(d.host.menuCaptions[ba1], "ba");
  EXPECT_EQ(d.host.left, 0);
  EXPECT_EQ(d.host.top, 8);
  EXPECT_EQ(d.host.clientHeight, 0);
  EXPECT_TRUE(d.host.timerEnabled);
  EXPECT_EQ(d.host.timerInterval, 32);
  EXPECT_FALSE(d.host.visible);  // the first snapshot is taken before it shows
  EXPECT_EQ(d.host.display().capturesWhileShown, 0);
}

TEST(Construction, ImagesHaveTheirSizes) {
  Desk d(100, 70);
  TForm1& f = d.start();
  EXPECT_EQ(f.Image1.width(), 100);
  EXPECT_EQ(f.Image1.height(), 70);
  EXPECT_NE(f.Image1.pixel(99, 69), gfx::ClrInvalid);
  EXPECT_EQ(f.Image1.pixel(100, 0), gfx::ClrInvalid);
  EXPECT_EQ(f.Image1.pixel(0, -1), gfx::ClrInvalid);
  // The tile keeps the layout's 105 x 105; only its top-left 16 x 16 is set.
  EXPECT_EQ(f.Image2.width(), 105);
  EXPECT_EQ(f.Image2.height(), 105);
  EXPECT_EQ(f.Image2.pixel(15, 15), Bg);
  EXPECT_EQ(f.Image2.pixel(16, 0), 0xFFFFFFu);
  EXPECT_EQ(f.Image2.pixel(104, 104), 0xFFFFFFu);
}

TEST(NewGame, OneColourScreenHasNoBlocks) {
  Desk d(320, 240);
  d.start();
  EXPECT_EQ(d.s().blocksLeft, 0);
  EXPECT_EQ(d.host.caption, "0");
  EXPECT_TRUE(d.host.timerEnabled);
}

TEST(NewGame, GridGeometryFollowsTheScreenSize) {
  struct Case {
    int w, h, cols, rows, paddleY;
  } cases[] = {
      {1366, 768, 85, 48, 734},
      {800, 600, 50, 37, 566},
      {1920, 1080, 120, 67, 1046},
  };
  for (const Case& c : cases) {
    Desk d(c.w, c.h, 0x00FF00);  // every cell a block, before the background is known
    d.host.display().fillRect(0, c.h / 2, 1, 1, Bg);
    d.start();
    EXPECT_EQ(d.s().gridCols, c.cols);
    EXPECT_EQ(d.s().gridRows, c.rows);
    EXPECT_EQ(d.s().paddleY, c.paddleY);
    EXPECT_EQ(d.s().grid.size(), size_t(c.cols) * c.rows);
    EXPECT_EQ(d.s().blocksLeft, c.cols * (c.rows - 4)) << c.w << "x" << c.h;
    for (int r = c.rows - 4; r < c.rows; ++r)
      for (int col = 0; col < c.cols; ++col) ASSERT_EQ(d.s().cell(col, r), 0);
    EXPECT_EQ(countBlocks(d.s()), d.s().blocksLeft);
  }
}

TEST(NewGame, OnlyTheFourCornersDecide) {
  Desk d(128, 128);
  auto& screen = d.host.display();
  screen.fillRect(17, 17, 14, 14, 0xFFFFFF);  // cell (1,1): inside only -> empty
  screen.setPixel(16 * 3 + 15, 16 * 1, 0x0000FF);   // cell (3,1): top-right corner
  screen.setPixel(16 * 2, 16 * 2 + 15, 0x0000FF);   // cell (2,2): bottom-left corner
  screen.setPixel(16 * 4 + 15, 16 * 3 + 15, 0x0000FF);  // cell (4,3): bottom-right corner
  d.start();
  EXPECT_EQ(d.s().blocksLeft, 3);
  EXPECT_EQ(d.s().cell(1, 1), 0);
  EXPECT_EQ(d.s().cell(3, 1), 1);
  EXPECT_EQ(d.s().cell(2, 2), 1);
  EXPECT_EQ(d.s().cell(4, 3), 1);
}

TEST(NewGame, BackgroundIsTakenOnceAndWrittenBackEachGame) {
  Desk d(64, 96);
  d.host.display().setPixel(0, 48, 0x112233);  // the background pixel differs from the rest
  d.start();
  EXPECT_EQ(d.s().backgroundColor, 0x112233u);
  EXPECT_EQ(d.form->Image2.pixel(7, 7), 0x112233u);
  // Everything else now reads as blocks: 4 columns x (6 - 4) rows.
  EXPECT_EQ(d.s().blocksLeft, 8);

  d.s().backgroundColor = Bg;  // as the colour picker would
  d.host.display().setPixel(0, 48, 0x00FF00);
  d.host.chooseMenu(run1);
  EXPECT_EQ(d.s().backgroundColor, Bg);
  EXPECT_EQ(d.form->Image1.pixel(0, 48), Bg);  // written into the snapshot
  EXPECT_EQ(d.form->Image2.pixel(0, 0), Bg);
  EXPECT_EQ(d.s().blocksLeft, 0);  // (0,48) is a corner of cell (0,3): it reads as background
}

TEST(NewGame, InvalidBackgroundMakesEveryScannedCellABlock) {
  Desk d(64, 128);
  d.start();
  d.s().backgroundColor = gfx::ClrInvalid;
  d.host.chooseMenu(run1);
  EXPECT_EQ(d.s().blocksLeft, 4 * (8 - 4));
  EXPECT_EQ(d.form->Image1.pixel(0, 64), 0x000000u);  // the invalid colour writes black
  EXPECT_EQ(d.form->Image2.pixel(3, 3), 0x000000u);
}

TEST(NewGame, TinyScreensWriteNothingOutsideTheGrid) {
  for (int h : {1, 15, 16, 48, 63, 64}) {
    Desk d(40, h, 0x00FF00);
    d.start();
    EXPECT_EQ(d.s().gridRows, h / 16);
    EXPECT_EQ(d.s().blocksLeft, std::max(h / 16 - 4, 0) * 2) << h;
  }
}

TEST(NewGame, RestoresTheLastGamesSpritesBeforeTheSnapshot) {
  Desk d(96, 96);
  d.start();
  auto& s = d.s();
  // Sprites drawn on the screen where the snapshot holds the background.
  s.paddleX = 20;
  d.host.display().fillRect(20, s.paddleY, 32, 2, 0xFFFFFF);
  s.ballKind[7] = game::KindItem;
  s.ballX[7] = 40;
  s.ballY[7] = 30;
  d.host.display().fillRect(39, 29, 3, 3, 0x00FFFF);
  s.debrisLife[3] = 5;  // side 3
  s.debrisX[3] = 10;
  s.debrisY[3] = 10;
  d.host.display().fillRect(10, 10, 3, 3, 0x0000FF);
  d.host.chooseMenu(run1);
  EXPECT_EQ(s.blocksLeft, 0);
  for (int i = 0; i < game::MaxBalls; ++i) EXPECT_EQ(s.ballKind[i], game::KindFree);
  for (int j = 0; j < game::MaxDebris; ++j) EXPECT_EQ(s.debrisLife[j], 0);
  EXPECT_EQ(d.host.display().pixel(21, s.paddleY), Bg);
  EXPECT_EQ(d.host.display().pixel(40, 30), Bg);
  EXPECT_EQ(d.host.display().pixel(12, 12), Bg);
}

TEST(NewGame, ResetsTheCountersAndTheHeldKeys) {
  Desk d(96, 96);
  d.start();
  auto& s = d.s();
  s.rightHeld = s.leftHeld = 1;
  s.lastCursorX = 50;
  s.launchTick = 3;
  s.ballsInStock = 7;
  s.burstLaunches = 2;
  s.itemOdds = 40;
  d.host.chooseMenu(run1);
  EXPECT_EQ(s.rightHeld, 0);
  EXPECT_EQ(s.leftHeld, 0);
  EXPECT_EQ(s.lastCursorX, 0);
  EXPECT_EQ(s.paddleX, 0);
  EXPECT_EQ(s.launchTick, 127);
  EXPECT_EQ(s.ballsInStock, 100);
  EXPECT_EQ(s.burstLaunches, 0);
  EXPECT_EQ(s.itemOdds, 12);
  EXPECT_EQ(d.host.menuCaptions[ba1], "ba");  // the status is left for the first launch
}

TEST(NewGame, ManyGamesKeepTheGridTheSameSize) {
  Desk d(320, 200);
  d.start();
  const size_t cap = d.s().grid.capacity();
  for (int i = 0; i < 200; ++i) d.host.chooseMenu(run1);
  EXPECT_EQ(d.s().grid.capacity(), cap);
  EXPECT_EQ(d.s().grid.size(), size_t(20 * 12));
}

}  // namespace
