// Runs ticks at full load (64 balls, 128 chips, 1920 x 1080 headless), for
// counting instructions per tick under callgrind:
//   valgrind --tool=callgrind --toggle-collect='game::Timer1Timer(*)' tick_count 1000
#include <cstdio>
#include <cstdlib>

#include "load.h"
#include "platform/headless/headless.h"

int main(int argc, char** argv) {
  const int ticks = argc > 1 ? std::atoi(argv[1]) : 1000;
  plat::HeadlessHost host(1920, 1080);
  gfx::Image bricks(host.screen().format());
  bench::paintBricks(host, bricks);
  bench::FullGame game(host, {64, 128});
  long broken = 0;
  for (int t = 0; t < ticks; ++t) {
    const int before = game::gameState.blocksLeft;
    game.tick();
    broken += before - game::gameState.blocksLeft;
    game.keepFull();
  }
  std::printf("%d ticks, %.2f blocks broken and %.1f screen copies per tick\n", ticks, double(broken) / ticks,
              double(host.display().copiesFrom) / ticks);
  return 0;
}
