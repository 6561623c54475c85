// The game core: the rules of deskball, with no platform in sight.
//
// Everything the game knows is one record, GameState. Three entry points
// change it, each run to completion on the UI thread:
//
//   NewGame      turns what the screen shows into a playfield: snapshot into
//                Image1, background tile into Image2, block grid, counters
//   Timer1Timer  one frame: restore what the last frame drew, move and draw
//                the paddle, balls, items and chips, launch, check the end
//   BreakBlock   a ball ran into a block: chips, paint-over, maybe an item
//
// The core draws only by rectangle copies (gfx::BitBlt) between the screen
// and the three images; what lies under a sprite always comes back from the
// snapshot. It talks to its window through game::Window (captions, the timer,
// the message box, the cursor) and takes its chances from game::Random, so a
// test can script both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/image.h"

namespace game {

constexpr int MaxBalls = 64;
constexpr int MaxDebris = 128;

constexpr int8_t KindFree = 0;
constexpr int8_t KindBall = 1;
constexpr int8_t KindItem = 2;

constexpr int CellSize = 16;
constexpr int PaddleWidth = 32;
constexpr int PaddleHeight = 2;
constexpr int PaddleLift = 34;      // paddleY = screenHeight - PaddleLift
constexpr int PaddleKeyStep = 10;   // pixels per tick while an arrow is held
constexpr int Wall = 10;            // balls keep this far from the sides and the top
constexpr int BottomOut = 16;       // below screenHeight - BottomOut a slot is freed
constexpr int EmptyBottomRows = 4;  // the grid's bottom rows never hold a block
constexpr int ChipsPerBlock = 6;
constexpr int ChipLife = 10;
constexpr int ItemFall = 3;
constexpr int ItemOddsStart = 12;
constexpr int ItemOddsStep = 7;
constexpr int LaunchPeriod = 128;
constexpr int BurstSize = 6;
constexpr int StockStart = 100;
constexpr int TimerInterval = 32;  // ms per tick

// The step a ball leaves the paddle with, by where on the paddle it hit
// (offset 0..31 from the left edge). The launcher draws an offset at random.
//                                     offset: 0   1   2   3   4   5   6   7   8   9  10  11  12  13  14  15
constexpr int paddleBounceDX[32] = {-4, -4, -4, -4, -3, -3, -3, -3, -3, -2, -2, -2, -2, -1, -1,  1,
                                 //         16  17  18  19  20  21  22  23  24  25  26  27  28  29  30  31
                                     1,  1,  1,  2,  2,  2,  2,  3,  3,  3,  3,  3,  4,  4,  4,  4};
constexpr int paddleBounceDY[32] = {-1, -1, -1, -1, -2, -2, -2, -2, -3, -3, -3, -3, -3, -4, -4, -4,
                                    -4, -4, -4, -3, -3, -3, -3, -3, -2, -2, -2, -2, -1, -1, -1, -1};

struct GameState {
  int32_t rightHeld = 0;
  int32_t leftHeld = 0;
  int32_t lastCursorX = 0;
  int32_t screenWidth = 0;
  int32_t screenHeight = 0;
  gfx::Colour backgroundColor = 0;
  int32_t blocksLeft = 0;
  int32_t paddleX = 0;
  int32_t paddleY = 0;
  int32_t ballX[MaxBalls] = {};
  int32_t ballY[MaxBalls] = {};
  int32_t ballDX[MaxBalls] = {};
  int32_t ballDY[MaxBalls] = {};
  int32_t gridCols = 0;
  int32_t gridRows = 0;
  int32_t gameSetUp = 0;
  int32_t launchTick = 0;
  int32_t burstLaunches = 0;
  int32_t debrisX[MaxDebris] = {};
  int32_t debrisY[MaxDebris] = {};
  int32_t debrisDX[MaxDebris] = {};
  int32_t debrisDY[MaxDebris] = {};
  int32_t ballsInStock = 0;
  int32_t itemOdds = 0;
  std::vector<uint8_t> grid;  // gridCols * gridRows bytes, row-major; 1 = block
  int8_t ballKind[MaxBalls] = {};
  int8_t debrisLife[MaxDebris] = {};
  gfx::Screen* screenDC = nullptr;

  // The grid byte of cell (col, row), or 0 for a cell outside the grid: a
  // ball's probe can name one column or row past it on screens whose size is
  // not a multiple of 16, and such a cell holds no block.
  uint8_t cell(int col, int row) const {
    if (col < 0 || row < 0 || col >= gridCols || row >= gridRows) return 0;
    return grid[static_cast<size_t>(col) + static_cast<size_t>(row) * gridCols];
  }
};

// The one game of the program's run.
extern GameState gameState;

// The random source: integers uniform over 0..32767.
class Random {
 public:
  virtual ~Random() = default;
  virtual int next() = 0;
};

// The generator the program plays with, seeded once from the clock.
class ClockRandom : public Random {
 public:
  explicit ClockRandom(uint32_t seed) : state_(seed) {}
  int next() override;

 private:
  uint32_t state_;
};

// What the core needs of its window and desk.
class Window {
 public:
  virtual ~Window() = default;
  virtual void setCaption(const std::string& text) = 0;  // the title bar
  virtual void setStatus(const std::string& text) = 0;   // the status item ba1
  virtual void setTimerEnabled(bool enabled) = 0;        // Timer1.Enabled
  virtual void messageBox(const std::string& text, const std::string& caption) = 0;
  virtual gfx::Point cursorPos() = 0;
};

// The surfaces and services one call of the core works with.
struct Playfield {
  GameState& s;
  gfx::Image& Image1;  // the snapshot
  gfx::Image& Image2;  // the background tile, top-left 16 x 16
  gfx::Image& Image3;  // the sprite sheet
  Window& form;
  Random& random;
};

void NewGame(Playfield& f);
void BreakBlock(Playfield& f, int col, int row);
void Timer1Timer(Playfield& f);

// Copies back from the snapshot the rectangles of the paddle, every occupied
// ball slot and every live chip: exactly what the last frame drew.
void RestoreSprites(Playfield& f);

// Text helpers for the window's displays.
std::string decimal(int32_t v);
std::string hex6(uint32_t v);  // at least 6 upper-case digits

}  // namespace game
