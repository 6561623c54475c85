// Every small screen size and the common large ones, each played for 2,000
// ticks with random content, a cursor that sweeps past both edges, held
// arrows, picked backgrounds and new games in the middle. Run under the
// sanitizers, this proves that no screen size makes the game read or write
// outside a buffer; the invariants are checked after every tick.
#include <gtest/gtest.h>

#include <random>

#include "fixture.h"
#include "invariants.h"

namespace {

void playSize(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  plat::HeadlessHost host(w, h);
  auto& screen = host.display();
  const gfx::Colour bg = 0x804020;
  screen.fillRect(0, 0, w, h, bg);
  if (w * h <= 64 * 64) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (rng() % 3 == 0) screen.setPixel(x, y, rng() % 2 ? 0x00C000 : 0xFFFFFF);
  } else {
    for (int n = 0; n < 60; ++n)
      screen.fillRect(int(rng() % w), int(rng() % h), int(rng() % 300), int(rng() % 200), rng() & 0xFFFFFF);
  }
  screen.setPixel(0, h / 2, (seed & 1) ? bg : 0x00C000);  // a background of either kind

  TForm1 form(host, std::make_unique<ScriptedRandom>());
  host.setVisible(true);
  const std::string first = checkInvariants(game::gameState);
  ASSERT_EQ(first, "") << w << "x" << h << " after the first game";
  for (int t = 0; t < 2000; ++t) {
    host.setCursor(-40 + (t * 7) % (w + 80), (t * 3) % (h + 40) - 20);
    switch (t) {
      case 100: host.keyDown(plat::vk::Right); break;
      case 130: host.setCursor(-40 + (t - 1) * 7 % (w + 80), 0); break;
      case 400: host.keyDown(plat::vk::Left); break;
      case 450: host.keyUp(plat::vk::Right); break;
      case 700: host.keyUp(plat::vk::Left); break;
      case 1000: host.keyDown(plat::vk::F5); break;
      case 1500: host.keyDown(plat::vk::F8); host.keyDown(plat::vk::F5); break;
      case 1800: host.keyDown(plat::vk::F4); break;
      default: break;
    }
    if (!host.tick()) host.keyDown(plat::vk::F5);  // an ended game is started again
    const std::string e = checkInvariants(game::gameState);
    ASSERT_EQ(e, "") << w << "x" << h << " tick " << t;
  }
}

// Widths 1..64 in four bands, so the bands can run side by side.
class SmallScreens : public testing::TestWithParam<int> {};

TEST_P(SmallScreens, EveryHeightUpTo64) {
  const int band = GetParam();
  for (int w = 16 * band + 1; w <= 16 * band + 16; ++w)
    for (int h = 1; h <= 64; ++h) {
      playSize(w, h, uint32_t(w * 131 + h));
      if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(SizeSweep, SmallScreens, testing::Values(0, 1, 2, 3));

TEST(SizeSweep, CommonScreens) {
  const std::pair<int, int> sizes[] = {{640, 480},   {800, 600},   {1000, 1},    {1024, 768},
                                       {1280, 720},  {1366, 768},  {1440, 900},  {1920, 1080},
                                       {2560, 1440}, {3840, 2160}};
  for (auto [w, h] : sizes) {
    playSize(w, h, uint32_t(w + h));
    if (HasFatalFailure()) return;
  }
}

}  // namespace
