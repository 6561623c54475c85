// What must hold after every tick of any game on any screen. Returns an
// empty string when all is well, else what went wrong.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>

#include "game/game_state.h"

inline std::string checkInvariants(const game::GameState& s) {
  if (s.grid.size() != static_cast<size_t>(s.gridCols) * static_cast<size_t>(s.gridRows))
    return "grid size " + std::to_string(s.grid.size());
  int blocks = 0;
  for (uint8_t b : s.grid) {
    if (b > 1) return "grid byte " + std::to_string(b);
    blocks += b;
  }
  if (blocks != s.blocksLeft)
    return "blocksLeft " + std::to_string(s.blocksLeft) + " but the grid holds " + std::to_string(blocks);
  for (int r = std::max(s.gridRows - game::EmptyBottomRows, 0); r < s.gridRows; ++r)
    for (int c = 0; c < s.gridCols; ++c)
      if (s.cell(c, r)) return "a block in the bottom rows";
  // On a screen wide enough for the paddle and the walls, a slot in play is
  // either a ball just launched from the paddle or one that has stepped.
  const bool roomy = s.screenWidth >= game::PaddleWidth && s.screenHeight >= 64;
  for (int i = 0; i < game::MaxBalls; ++i) {
    const int kind = s.ballKind[i];
    if (kind < game::KindFree || kind > game::KindItem) return "ball kind " + std::to_string(kind);
    if (kind == game::KindFree || !roomy) continue;
    const bool launched = s.ballX[i] == s.paddleX && s.ballY[i] == s.paddleY - 2;
    const bool stepped = s.ballX[i] >= game::Wall && s.ballX[i] <= s.screenWidth - game::Wall &&
                         s.ballY[i] >= game::Wall && s.ballY[i] <= s.screenHeight - game::BottomOut;
    // Items start inside a broken cell and fall from there.
    const bool item = kind == game::KindItem && s.ballY[i] <= s.screenHeight - game::BottomOut;
    if (!launched && !stepped && !item)
      return "slot " + std::to_string(i) + " at " + std::to_string(s.ballX[i]) + "," + std::to_string(s.ballY[i]);
    if (std::abs(s.ballDX[i]) > 4 || std::abs(s.ballDY[i]) > 4) return "slot step too long";
  }
  for (int j = 0; j < game::MaxDebris; ++j)
    if (s.debrisLife[j] < 0 || s.debrisLife[j] > game::ChipLife) return "chip life " + std::to_string(s.debrisLife[j]);
  if (s.screenWidth >= game::PaddleWidth && (s.paddleX < 0 || s.paddleX > s.screenWidth - game::PaddleWidth))
    return "paddle at " + std::to_string(s.paddleX);
  if (s.ballsInStock < 0 || s.burstLaunches < 0 || s.burstLaunches > game::BurstSize) return "counters";
  return {};
}
