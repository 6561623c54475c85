#include "fuzz/play_script.h"

#include <memory>

#include "app/form.h"
#include "invariants.h"
#include "platform/headless/headless.h"

namespace {

struct Reader {
  const uint8_t* p;
  size_t n;
  bool empty() const { return n == 0; }
  uint8_t byte() {
    if (n == 0) return 0;
    --n;
    return *p++;
  }
  int u16() { return byte() | (byte() << 8); }
};

class SeededRandom : public game::Random {
 public:
  explicit SeededRandom(uint32_t seed) : gen_(seed) {}
  int next() override { return gen_.next(); }

 private:
  game::ClockRandom gen_;
};

constexpr int KeyCodes[] = {plat::vk::Left, plat::vk::Right, plat::vk::Escape, plat::vk::Up,
                            plat::vk::F5,   plat::vk::F4,    plat::vk::F8,     plat::vk::Shift};
constexpr int Modifiers[] = {0, 0, 0, plat::shortcut::Shift, plat::shortcut::Ctrl, plat::shortcut::Alt};
constexpr int Commands[] = {run1, refresh1, setbgcolor1, quit1};

}  // namespace

std::string playScript(const uint8_t* data, size_t size) {
  Reader in{data, size};
  const int w = 1 + in.u16() % 640;
  const int h = 1 + in.u16() % 480;
  const gfx::PixelFormat formats[] = {gfx::PixelFormat::rgb888(), gfx::PixelFormat::rgb565(),
                                      gfx::PixelFormat::rgb555()};
  const gfx::PixelFormat format = formats[in.byte() % 3];
  const uint32_t seed = in.byte() | (in.byte() << 8);

  plat::HeadlessHost host(w, h, format);
  auto& screen = host.display();
  gfx::Colour palette[4];
  for (gfx::Colour& c : palette) c = in.byte() | (in.byte() << 8) | (in.byte() << 16);
  screen.fillRect(0, 0, w, h, palette[0]);
  for (int n = in.byte() % 24; n > 0; --n) {
    const int x = in.u16() % (w + 32) - 16, y = in.u16() % (h + 32) - 16;
    const int rw = in.byte() * 2, rh = in.byte() * 2;
    screen.fillRect(x, y, rw, rh, palette[in.byte() % 4]);
  }

  TForm1 form(host, std::make_unique<SeededRandom>(seed));
  host.setVisible(true);
  if (std::string e = checkInvariants(game::gameState); !e.empty()) return "after the first game: " + e;

  while (!in.empty() && !host.quitRequested) {
    const uint8_t op = in.byte();
    switch (op % 8) {
      case 0: case 1: case 2: case 3:
        for (int t = 0; t <= op / 8; ++t) {
          if (!host.tick()) host.keyDown(plat::vk::F5);  // a stopped game is restarted
          if (std::string e = checkInvariants(game::gameState); !e.empty()) return e;
        }
        break;
      case 4:
        host.setCursor(in.u16() % (w + 200) - 100, in.u16() % (h + 200) - 100);
        break;
      case 5: {
        const uint8_t k = in.byte();
        host.keyDown(KeyCodes[k % 8], Modifiers[(k / 8) % 6]);
        break;
      }
      case 6:
        host.keyUp(KeyCodes[in.byte() % 8]);
        break;
      case 7:
        host.chooseMenu(Commands[in.byte() % 4]);
        if (std::string e = checkInvariants(game::gameState); !e.empty()) return "after a command: " + e;
        break;
    }
  }
  return {};
}
