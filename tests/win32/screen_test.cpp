// The GDI screen: what a capture holds and where a drawn image lands, checked
// against GDI's own per-pixel calls (FillRect, SetPixel, GetPixel), which
// the backend itself never uses. Runs on wine's screen or a real one.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/win32/win32_host.h"

namespace {

using gfx::Colour;

// A colour of its own for every pixel of a 1024 x 1024 area, so a copy that
// lands one pixel off, upside down or with red and blue swapped shows.
Colour coordColour(int x, int y) {
  return static_cast<Colour>((x & 0xFF) | (y & 0xFF) << 8 | (0x80 | (x >> 8 & 3) << 2 | (y >> 8 & 3)) << 16);
}

class ScreenTest : public ::testing::Test {
 protected:
  void fill(int x, int y, int w, int h, Colour c) {
    RECT r{x, y, x + w, y + h};
    HBRUSH b = CreateSolidBrush(c);
    FillRect(screen.dc(), &r, b);
    DeleteObject(b);
    GdiFlush();
  }
  void paintCoords(int x, int y, int w, int h) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) SetPixel(screen.dc(), i, j, coordColour(i, j));
    GdiFlush();
  }
  Colour read(int x, int y) { return GetPixel(screen.dc(), x, y); }

  plat::Win32Screen screen;
};

TEST_F(ScreenTest, MeasuresThePrimaryScreenInRealPixels) {
  EXPECT_EQ(screen.width(), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(screen.height(), GetSystemMetrics(SM_CYSCREEN));
  EXPECT_GT(screen.width(), 0);
  EXPECT_EQ(screen.format(), gfx::PixelFormat::rgb888());
}

// Quadrants of four colours and single pixels in the corners of the area: a
// capture must hold them at the same coordinates, the right way up, with
// red in the colour's low byte and nothing in the stored value's top byte.
TEST_F(ScreenTest, CaptureHoldsWhatTheScreenShows) {
  const int x0 = 100, y0 = 120, w = 40, h = 30;
  fill(x0, y0, w / 2, h / 2, 0x0000FF);               // red
  fill(x0 + w / 2, y0, w / 2, h / 2, 0x00FF00);       // green
  fill(x0, y0 + h / 2, w / 2, h / 2, 0xFF0000);       // blue
  fill(x0 + w / 2, y0 + h / 2, w / 2, h / 2, 0x808080);
  SetPixel(screen.dc(), x0, y0, 0x123456);
  SetPixel(screen.dc(), x0 + w - 1, y0 + h - 1, 0x654321);
  GdiFlush();

  gfx::Image snap(screen.format(), screen.width(), screen.height());
  gfx::BitBlt(snap, 0, 0, screen.width(), screen.height(), screen, 0, 0);

  struct Probe {
    int x, y;
    Colour expected;
  };
  const Probe probes[] = {
      {x0, y0, 0x123456},         {x0 + 1, y0, 0x0000FF},         {x0 + w / 2 - 1, y0 + h / 2 - 1, 0x0000FF},
      {x0 + w / 2, y0, 0x00FF00}, {x0, y0 + h / 2, 0xFF0000},     {x0 + w - 2, y0 + h - 1, 0x808080},
      {x0 + w - 1, y0 + h - 1, 0x654321},
  };
  for (const Probe& p : probes) {
    EXPECT_EQ(snap.pixel(p.x, p.y), p.expected) << "at " << p.x << "," << p.y;
    EXPECT_EQ(snap.pixel(p.x, p.y), read(p.x, p.y)) << "at " << p.x << "," << p.y;
  }
  EXPECT_EQ(snap.bits()[y0 * snap.width() + x0 + 1], 0x00FF0000u);  // stored as 0x00RRGGBB
  for (int i = 0; i < snap.width() * snap.height(); i += 997) ASSERT_EQ(snap.bits()[i] >> 24, 0u);
}

// A part of an image, taken from inside it (not its top-left), lands where
// asked and touches nothing around it.
TEST_F(ScreenTest, DrawingPutsTheImagePartOnTheScreen) {
  gfx::Image img(screen.format(), 20, 10);
  for (int j = 0; j < 10; ++j)
    for (int i = 0; i < 20; ++i) img.setPixel(i, j, coordColour(i * 7, j * 13));
  const int dx = 200, dy = 150, w = 12, h = 6, sx = 5, sy = 3;
  fill(dx - 3, dy - 3, w + 6, h + 6, 0x0A0B0C);

  gfx::BitBlt(screen, dx, dy, w, h, img, sx, sy);
  screen.flush();

  for (int y = dy - 3; y < dy + h + 3; ++y) {
    for (int x = dx - 3; x < dx + w + 3; ++x) {
      const bool inside = x >= dx && x < dx + w && y >= dy && y < dy + h;
      const Colour want = inside ? img.pixel(x - dx + sx, y - dy + sy) : 0x0A0B0C;
      ASSERT_EQ(read(x, y), want) << "at " << x << "," << y;
    }
  }
}

// Copies that reach past the screen's or the image's edges: the part inside
// both is copied, nothing else is written. One table serves both directions:
// drawing copies the image's rectangle at (imageX, imageY) to the screen at
// (screenX, screenY), capturing copies the other way. Each case is checked
// pixel by pixel over the rectangle and a margin around it.
constexpr int ImgW = 16, ImgH = 8;

struct EdgeCase {
  const char* name;
  int screenX, screenY, w, h, imageX, imageY;
};

std::vector<EdgeCase> edgeCases(int W, int H) {
  return {
      //  name                          screenX  screenY  w   h   imageX     imageY
      {"past the screen's left edge",   -5,      100,     12, 6,  0,         0},
      {"past the screen's top edge",    100,     -4,      12, 6,  0,         0},
      {"past the screen's right edge",  W - 7,   100,     12, 6,  0,         0},
      {"past the screen's bottom edge", 100,     H - 3,   12, 6,  0,         0},
      {"over the top-left corner",      -3,      -2,      12, 6,  1,         1},
      {"over the bottom-right corner",  W - 4,   H - 2,   12, 6,  2,         0},
      {"wholly off to the right",       W + 10,  100,     12, 6,  0,         0},
      {"wholly above",                  100,     -20,     12, 6,  0,         0},
      {"before the image's corner",     300,     300,     8,  5,  -3,        -2},
      {"past the image's corner",       300,     300,     8,  5,  ImgW - 3,  ImgH - 2},
      {"no width",                      100,     100,     0,  6,  0,         0},
      {"negative height",               100,     100,     12, -6, 0,         0},
  };
}

TEST_F(ScreenTest, DrawingIsClippedAtTheEdges) {
  const int W = screen.width(), H = screen.height();
  gfx::Image img(screen.format(), ImgW, ImgH);
  for (int j = 0; j < ImgH; ++j)
    for (int i = 0; i < ImgW; ++i) img.setPixel(i, j, coordColour(i + 500, j + 500));

  const Colour ground = 0x0A0B0C;
  for (const EdgeCase& c : edgeCases(W, H)) {
    SCOPED_TRACE(c.name);
    const int w = std::max(c.w, 0), h = std::max(c.h, 0);
    fill(c.screenX - 2, c.screenY - 2, w + 4, h + 4, ground);
    gfx::BitBlt(screen, c.screenX, c.screenY, c.w, c.h, img, c.imageX, c.imageY);
    screen.flush();
    for (int y = std::max(c.screenY - 2, 0); y < std::min(c.screenY + h + 2, H); ++y) {
      for (int x = std::max(c.screenX - 2, 0); x < std::min(c.screenX + w + 2, W); ++x) {
        const int ix = x - c.screenX + c.imageX, iy = y - c.screenY + c.imageY;
        const bool written = x >= c.screenX && x < c.screenX + w && y >= c.screenY && y < c.screenY + h &&
                             ix >= 0 && ix < ImgW && iy >= 0 && iy < ImgH;
        ASSERT_EQ(read(x, y), written ? img.pixel(ix, iy) : ground) << "screen " << x << "," << y;
      }
    }
  }
}

TEST_F(ScreenTest, CaptureIsClippedAtTheEdges) {
  const int W = screen.width(), H = screen.height();
  const Colour untouched = 0x123456;
  for (const EdgeCase& c : edgeCases(W, H)) {
    SCOPED_TRACE(c.name);
    const int w = std::max(c.w, 0), h = std::max(c.h, 0);
    const int px = std::max(c.screenX, 0), py = std::max(c.screenY, 0);
    paintCoords(px, py, std::min(c.screenX + w, W) - px, std::min(c.screenY + h, H) - py);

    gfx::Image img(screen.format(), ImgW, ImgH);
    for (int j = 0; j < ImgH; ++j)
      for (int i = 0; i < ImgW; ++i) img.setPixel(i, j, untouched);
    gfx::BitBlt(img, c.imageX, c.imageY, c.w, c.h, screen, c.screenX, c.screenY);

    for (int j = 0; j < ImgH; ++j) {
      for (int i = 0; i < ImgW; ++i) {
        const int x = i - c.imageX + c.screenX, y = j - c.imageY + c.screenY;
        const bool written = i >= c.imageX && i < c.imageX + w && j >= c.imageY && j < c.imageY + h &&
                             x >= 0 && x < W && y >= 0 && y < H;
        ASSERT_EQ(img.pixel(i, j), written ? coordColour(x, y) : untouched) << "image " << i << "," << j;
      }
    }
  }
}

}  // namespace
