// The game on a real X server (run it with DISPLAY pointing at one, e.g. an
// Xvfb started by bench/run): a new game against one full-screen XGetImage
// of the root, the frame tick at several loads with one XSync after each so
// that the server's work counts in the wall time, and the memory a thousand
// new games hold.
#include <FL/x.H>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "load.h"

namespace {

plat::Host& host() {
  static std::unique_ptr<plat::Host> h = plat::createHost();
  return *h;
}

// The anchor: how screenshot tools commonly read the whole screen.
void BM_X11_XGetImageRoot(benchmark::State& state) {
  plat::Host& h = host();
  Display* dpy = fl_display;
  const int w = h.screen().width(), ht = h.screen().height();
  for (auto _ : state) {
    XImage* img = XGetImage(dpy, DefaultRootWindow(dpy), 0, 0, w, ht, AllPlanes, ZPixmap);
    benchmark::DoNotOptimize(img);
    if (img) XDestroyImage(img);
  }
}
BENCHMARK(BM_X11_XGetImageRoot)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_X11_NewGame(benchmark::State& state) {
  plat::Host& h = host();
  gfx::Image bricks(h.screen().format());
  bench::paintBricks(h, bricks);
  XSync(fl_display, False);
  TForm1 form(h, std::make_unique<bench::FixedRandom>());
  for (auto _ : state) form.NewGame();
  state.counters["blocks"] = game::gameState.blocksLeft;
}
BENCHMARK(BM_X11_NewGame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_X11_Tick(benchmark::State& state) {
  plat::Host& h = host();
  gfx::Image bricks(h.screen().format());
  bench::paintBricks(h, bricks);
  XSync(fl_display, False);
  bench::FullGame game(h, {int(state.range(0)), int(state.range(1))});
  for (auto _ : state) {
    game.tick();
    XSync(fl_display, False);  // the server has done this tick's drawing
    state.PauseTiming();
    game.keepFull();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_X11_Tick)
    ->ArgNames({"balls", "chips"})
    ->Args({1, 0})->Args({64, 0})->Args({64, 128})
    ->Unit(benchmark::kMicrosecond)->UseRealTime();

long residentKiB() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kib = -1;
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, "VmRSS:", 6) == 0) kib = std::atol(line + 6);
  std::fclose(f);
  return kib;
}

void BM_X11_MemoryOverNewGames(benchmark::State& state) {
  plat::Host& h = host();
  gfx::Image bricks(h.screen().format());
  bench::paintBricks(h, bricks);
  TForm1 form(h, std::make_unique<bench::FixedRandom>());
  long after10 = 0, after1000 = 0;
  for (auto _ : state) {
    for (int i = 0; i < 10; ++i) form.NewGame();
    after10 = residentKiB();
    for (int i = 10; i < 1000; ++i) form.NewGame();
    after1000 = residentKiB();
  }
  state.counters["rss10_KiB"] = double(after10);
  state.counters["rss1000_KiB"] = double(after1000);
}
BENCHMARK(BM_X11_MemoryOverNewGames)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
