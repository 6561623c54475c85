// Images, copies and the sprite sheet.
#include <gtest/gtest.h>

#include "fixture.h"
#include "gfx/sprites.h"

using gfx::ClrInvalid;

TEST(Image, MadeWhiteAtTheSizeSetBeforeFirstUse) {
  gfx::Image img(gfx::PixelFormat::rgb888());
  img.setWidth(4);
  img.setHeight(3);
  EXPECT_FALSE(img.hasBitmap());
  EXPECT_EQ(img.pixel(3, 2), 0xFFFFFFu);
  img.setWidth(50);  // too late: the bitmap keeps its size
  EXPECT_EQ(img.width(), 4);
  EXPECT_EQ(img.pixel(4, 0), ClrInvalid);
  EXPECT_EQ(img.pixel(0, 3), ClrInvalid);
  EXPECT_EQ(img.pixel(-1, 0), ClrInvalid);
}

TEST(Image, WritesOutsideIgnoredAndInvalidWritesBlack) {
  gfx::Image img(gfx::PixelFormat::rgb888(), 2, 2);
  img.setPixel(5, 5, 0x123456);
  img.setPixel(-1, 0, 0x123456);
  img.setPixel(1, 1, ClrInvalid);
  EXPECT_EQ(img.pixel(1, 1), 0x000000u);
  EXPECT_EQ(img.pixel(0, 0), 0xFFFFFFu);
}

TEST(PixelFormat, SixteenBitStoresTheNearestColourAndRoundTrips) {
  const auto f = gfx::PixelFormat::rgb565();
  struct Case {
    gfx::Colour in, stored;
  } cases[] = {
      {0x000000, 0x000000}, {0xFFFFFF, 0xFFFFFF}, {0x0000FF, 0x0000FF},
      {0xC0C0C0, 0xBDBEBD}, {0x808080, 0x848284}, {0x010101, 0x000000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(f.decode(f.encode(c.in)), c.stored) << std::hex << c.in;
    EXPECT_EQ(f.decode(f.encode(c.stored)), c.stored) << std::hex << c.in;
  }
  // Channel order: red in the low byte of a colour, the top bits of a pixel.
  EXPECT_EQ(f.encode(0x0000FF), 0xF800u);
  EXPECT_EQ(gfx::PixelFormat::rgb888().encode(0x0000FF), 0xFF0000u);
}

TEST(BitBlt, ClipsAtBothEnds) {
  struct Case {
    int dx, dy, w, h, sx, sy;
    int written;  // pixels changed in the 4x4 destination
  } cases[] = {
      {0, 0, 4, 4, 0, 0, 16},   {-1, 0, 3, 3, 0, 0, 6},  // one column off the left: two left
      {3, 3, 3, 3, 0, 0, 1},    {0, 0, 4, 4, 2, 2, 4},   // source runs out after 2x2
      {0, 0, 4, 4, -3, -3, 1},  {0, 0, 0, 4, 0, 0, 0},
      {-10, 0, 3, 3, 0, 0, 0},  {0, 0, 4, 4, 4, 0, 0},
  };
  for (const Case& c : cases) {
    gfx::Image dst(gfx::PixelFormat::rgb888(), 4, 4), src(gfx::PixelFormat::rgb888(), 4, 4);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) src.setPixel(x, y, 0x000001 + x + 16 * y);
    gfx::BitBlt(dst, c.dx, c.dy, c.w, c.h, src, c.sx, c.sy);
    int written = 0;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) {
        const gfx::Colour p = dst.pixel(x, y);
        if (p == 0xFFFFFF) continue;
        ++written;
        EXPECT_EQ(p, 0x000001u + (x - c.dx + c.sx) + 16u * (y - c.dy + c.sy));
      }
    EXPECT_EQ(written, c.written) << c.dx << "," << c.dy << " " << c.w << "x" << c.h;
  }
}

TEST(BitBlt, ScreenCopiesClipAtTheScreenEdge) {
  plat::HeadlessScreen screen(8, 8);
  gfx::Image img(gfx::PixelFormat::rgb888(), 3, 3);
  gfx::BitBlt(screen, -1, 0, 3, 3, img, 0, 0);  // a ball's first restore at the left edge
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(screen.pixel(x, y), (x < 2 && y < 3) ? 0xFFFFFFu : 0u) << x << "," << y;
  gfx::BitBlt(screen, 6, 6, 5, 5, img, 0, 0);
  EXPECT_EQ(screen.pixel(7, 7), 0xFFFFFFu);
}

TEST(SpriteSheet, HoldsTheArtAndWhiteElsewhere) {
  Desk d(64, 64);
  TForm1& f = d.start();
  gfx::Image& sheet = f.Image3;
  EXPECT_EQ(sheet.width(), 1024);
  EXPECT_EQ(sheet.height(), 12);
  struct Px {
    int x, y;
    gfx::Colour c;
  } expect[] = {
      {1023, 11, 0xFFFFFF}, {1024, 0, ClrInvalid}, {0, 12, ClrInvalid},  {0, 8, 0xC0C0C0},
      {1, 9, 0xFFFFFF},     {3, 8, 0x008080},      {4, 9, 0x00FFFF},     {8, 8, 0xFFFFFF},
      {39, 8, 0xFFFFFF},    {8, 9, 0xC0C0C0},      {39, 9, 0xC0C0C0},    {40, 9, 0xFFFFFF},
      {2, 10, 0xC0C0C0},    {5, 10, 0x008080},     {4, 10, 0x00FFFF},    {6, 8, 0xFFFFFF},
  };
  for (const Px& p : expect) EXPECT_EQ(sheet.pixel(p.x, p.y), p.c) << p.x << "," << p.y;
  // Exactly the 45 art pixels differ from white anywhere on the sheet.
  int coloured = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 1024; ++x) coloured += sheet.pixel(x, y) != 0xFFFFFF;
  EXPECT_EQ(coloured, 45);
}
