// A desk for the tests: the headless host, a screen of chosen content, and a
// form on it with the random draws under the test's control.
#pragma once

#include <deque>
#include <memory>
#include <stdexcept>

#include "app/form.h"
#include "platform/headless/headless.h"

// Draws come from the script, then from a fixed generator; every draw is
// counted so a test can tell how many a step took.
class ScriptedRandom : public game::Random {
 public:
  int next() override {
    ++taken;
    if (!script.empty()) {
      const int v = script.front();
      script.pop_front();
      return v;
    }
    return fallback.next();
  }
  std::deque<int> script;
  int taken = 0;
  game::ClockRandom fallback{12345};
};

struct Desk {
  explicit Desk(int w, int h, gfx::Colour fill = 0x804020,
                const gfx::PixelFormat& format = gfx::PixelFormat::rgb888())
      : host(w, h, format) {
    host.display().fillRect(0, 0, w, h, fill);
  }
  // Builds the form on the screen as it stands (runs the first game).
  TForm1& start() {
    auto r = std::make_unique<ScriptedRandom>();
    random = r.get();
    form = std::make_unique<TForm1>(host, std::move(r));
    return *form;
  }
  game::GameState& s() { return game::gameState; }
  game::Playfield field() {
    return {game::gameState, form->Image1, form->Image2, form->Image3, windowStub(), *random};
  }
  game::Window& windowStub();

  plat::HeadlessHost host;
  std::unique_ptr<TForm1> form;
  ScriptedRandom* random = nullptr;
};

// The form is the game's window; reach it through its base.
inline game::Window& Desk::windowStub() { return *form; }

inline int countBlocks(const game::GameState& s) {
  int n = 0;
  for (uint8_t b : s.grid) n += b;
  return n;
}
