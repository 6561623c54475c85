#include "load.h"

namespace bench {

void paintBricks(plat::Host& host, gfx::Image& bricks) {
  gfx::Screen& screen = host.screen();
  const int w = screen.width(), h = screen.height();
  bricks.setWidth(w);
  bricks.setHeight(h);
  uint32_t* px = bricks.bits();
  const gfx::PixelFormat& f = screen.format();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int c = x / 16, r = y / 16;
      const bool mortar = x % 16 == 0 || y % 16 == 0;
      px[size_t(y) * w + x] = f.encode(mortar ? 0x202020 : 0x0000A0 + 0x002000 * ((c + r) % 7));
    }
  px[size_t(h / 2) * w] = f.encode(0x804020);  // the background pixel is the only one of its colour
  gfx::BitBlt(screen, 0, 0, w, h, bricks, 0, 0);
  screen.flush();
}

FullGame::FullGame(plat::Host& host, Load load) : host_(host), load_(load) {
  form_ = std::make_unique<TForm1>(host, std::make_unique<FixedRandom>());
  game::GameState& s = game::gameState;
  fullGrid_ = s.grid;
  fullBlocks_ = s.blocksLeft;
  keepFull();
}

void FullGame::keepFull() {
  game::GameState& s = game::gameState;
  const int w = s.screenWidth, h = s.screenHeight;
  // Balls spread over the field, each heading for a block.
  for (int i = 0; i < load_.balls; ++i) {
    if (s.ballKind[i] != game::KindFree) continue;
    ++step_;
    s.ballKind[i] = game::KindBall;
    s.ballX[i] = 20 + int((step_ * 7919u) % uint32_t(w - 40));
    s.ballY[i] = 20 + int((step_ * 104729u) % uint32_t(std::max(h / 2, 1)));
    s.ballDX[i] = game::paddleBounceDX[step_ % 32];
    s.ballDY[i] = game::paddleBounceDY[step_ % 32];
  }
  for (int j = 0; j < load_.chips; ++j) {
    if (s.debrisLife[j] != 0) continue;
    s.debrisLife[j] = game::ChipLife;
    s.debrisX[j] = int((j * 37u + step_) % uint32_t(w));
    s.debrisY[j] = int((j * 53u + step_) % uint32_t(h));
    s.debrisDX[j] = j % 9 - 4;
    s.debrisDY[j] = -2 - j % 4;
  }
  // Put the blocks back before the field runs dry.
  if (s.blocksLeft < fullBlocks_ / 2) {
    s.grid = fullGrid_;
    s.blocksLeft = fullBlocks_;
  }
  s.ballsInStock = 100;
  form_->Timer1.setEnabled(true);
}

}  // namespace bench
