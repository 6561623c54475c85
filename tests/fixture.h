// A desk for the tests: the headless host, a screen of chosen content, and a
// form on it with the random draws under the test's control.
#pragma once

#include <deque>
#include <memory>

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

  plat::HeadlessHost host;
  std::unique_ptr<TForm1> form;
  ScriptedRandom* random = nullptr;
};

inline int countBlocks(const game::GameState& s) {
  int n = 0;
  for (uint8_t b : s.grid) n += b;
  return n;
}

// A desk with a game under way: a plain 320 x 240 screen with one block in
// the top-right cell (so the game does not end for want of blocks), the first
// game set up, and every ball slot free.
struct Field : Desk {
  static constexpr gfx::Colour Bg = 0x804020;
  static constexpr gfx::Colour BlockColour = 0x00C000;
  explicit Field(int w = 320, int h = 240) : Desk(w, h, Bg) {
    host.display().fillRect(w / 16 * 16 - 16, 0, 16, 16, BlockColour);
    start();
    host.setCursor(0, 0);
    host.setVisible(true);  // as the message loop shows it
  }
  void ball(int slot, int8_t kind, int x, int y, int dx, int dy) {
    auto& st = s();
    st.ballKind[slot] = kind;
    st.ballX[slot] = x;
    st.ballY[slot] = y;
    st.ballDX[slot] = dx;
    st.ballDY[slot] = dy;
  }
  // Keeps the launcher quiet for a while.
  void noLaunch() { s().launchTick = 0; }
  void block(int col, int row) {
    auto& st = s();
    if (st.grid[col + row * st.gridCols] == 0) ++st.blocksLeft;
    st.grid[col + row * st.gridCols] = 1;
  }
  void tick() { form->Timer1Timer(); }
};
