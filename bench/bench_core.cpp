// The portable core on the headless backend: a new game and the frame tick
// at several loads. Screen copies here are plain memory copies, so these
// figures are the game's own cost; the X11 benchmarks add the server's.
#include <benchmark/benchmark.h>

#include "load.h"
#include "platform/headless/headless.h"

namespace {

void BM_NewGame(benchmark::State& state) {
  plat::HeadlessHost host(int(state.range(0)), int(state.range(1)));
  gfx::Image bricks(host.screen().format());
  bench::paintBricks(host, bricks);
  TForm1 form(host, std::make_unique<bench::FixedRandom>());
  for (auto _ : state) form.NewGame();
  state.counters["blocks"] = game::gameState.blocksLeft;
}
BENCHMARK(BM_NewGame)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

void BM_Tick(benchmark::State& state) {
  plat::HeadlessHost host(1920, 1080);
  gfx::Image bricks(host.screen().format());
  bench::paintBricks(host, bricks);
  bench::FullGame game(host, {int(state.range(0)), int(state.range(1))});
  long broken = 0;
  for (auto _ : state) {
    const int before = game::gameState.blocksLeft;
    game.tick();
    broken += before - game::gameState.blocksLeft;
    game.keepFull();
  }
  state.counters["breaks/tick"] = benchmark::Counter(double(broken) / double(state.iterations()));
}
BENCHMARK(BM_Tick)
    ->ArgNames({"balls", "chips"})
    ->Args({1, 0})->Args({8, 0})->Args({64, 0})->Args({1, 128})->Args({64, 32})->Args({64, 128})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
