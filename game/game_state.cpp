// The one game of the program's run, and the small helpers every part of the
// core shares: the window's display texts and the random generator.
#include "game/game_state.h"

namespace game {

GameState gameState;

std::string decimal(int32_t v) { return std::to_string(v); }

std::string hex6(uint32_t v) {
  static const char Digits[] = "0123456789ABCDEF";
  std::string out;
  do {
    out.insert(out.begin(), Digits[v & 0xF]);
    v >>= 4;
  } while (v != 0);
  if (out.size() < 6) out.insert(0, 6 - out.size(), '0');
  return out;
}

int ClockRandom::next() {
  // The classic C library generator: 15 good bits per draw.
  state_ = state_ * 214013u + 2531011u;
  return static_cast<int>((state_ >> 16) & 0x7FFF);
}

}  // namespace game
