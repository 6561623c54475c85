// One frame of the game, run by every firing of the 32 ms timer.
//
// All restores come before all drawing: first everything the previous frame
// drew is copied back from the snapshot (paddle, ball slots, chips), then the
// paddle, the balls and items by slot, and the chips by slot are drawn anew,
// so a later sprite covers an earlier one. A sprite's position is stored only
// when it is drawn, which makes the next restore exactly what was drawn.
#include <cstdlib>

#include "game/game_state.h"
#include "gfx/sprites.h"

namespace game {

namespace {

int chipSide(int life) { return life / 2 + 1; }

}  // namespace

void RestoreSprites(Playfield& f) {
  GameState& s = f.s;
  gfx::Screen& screen = *s.screenDC;
  gfx::BitBlt(screen, s.paddleX, s.paddleY, PaddleWidth, PaddleHeight, f.Image1, s.paddleX, s.paddleY);
  for (int i = 0; i < MaxBalls; ++i)
    if (s.ballKind[i] != KindFree)
      gfx::BitBlt(screen, s.ballX[i] - 1, s.ballY[i] - 1, 3, 3, f.Image1, s.ballX[i] - 1, s.ballY[i] - 1);
  for (int j = 0; j < MaxDebris; ++j) {
    if (s.debrisLife[j] == 0) continue;
    const int side = chipSide(s.debrisLife[j]);
    gfx::BitBlt(screen, s.debrisX[j], s.debrisY[j], side, side, f.Image1, s.debrisX[j], s.debrisY[j]);
  }
}

namespace {

// A moved mouse wins; otherwise the held arrows, Right before Left. The
// cursor x is the paddle's left edge.
int choosePaddleX(Playfield& f) {
  GameState& s = f.s;
  const int cursorX = f.form.cursorPos().x;
  int x;
  if (cursorX != s.lastCursorX) {
    x = cursorX;
    s.lastCursorX = cursorX;
  } else if (s.rightHeld) {
    x = s.paddleX + PaddleKeyStep;
  } else if (s.leftHeld) {
    x = s.paddleX - PaddleKeyStep;
  } else {
    x = s.paddleX;
  }
  if (x < 0) return 0;
  if (x > s.screenWidth - PaddleWidth) return s.screenWidth - PaddleWidth;
  return x;
}

// A ball about to run into a block: look where its next step goes, first
// straight up or down, then sideways, then diagonally; break at most one.
void probeBlocks(Playfield& f, int x, int y, int& dx, int& dy) {
  GameState& s = f.s;
  auto hit = [&](int px, int py) {
    const int col = px / CellSize, row = py / CellSize;
    if (s.cell(col, row) != 1) return false;
    BreakBlock(f, col, row);
    return true;
  };
  if (hit(x, y + dy)) {
    dy = -dy;
  } else if (hit(x + dx, y)) {
    dx = -dx;
  } else if (hit(x + dx, y + dy)) {
    dx = -dx;
    dy = -dy;
  }
}

void stepBalls(Playfield& f, int& activeCount) {
  GameState& s = f.s;
  for (int i = 0; i < MaxBalls; ++i) {
    const int kind = s.ballKind[i];
    if (kind == KindFree) continue;
    ++activeCount;
    int x = s.ballX[i] + s.ballDX[i], y = s.ballY[i] + s.ballDY[i];
    int dx = s.ballDX[i], dy = s.ballDY[i];

    if (x < Wall) {
      x = Wall;
      dx = std::abs(dx);
    } else if (x > s.screenWidth - Wall) {
      x = s.screenWidth - Wall;
      dx = -std::abs(dx);
    }
    if (y < Wall) {
      y = Wall;
      dy = std::abs(dy);
    }

    if (s.paddleX < x && x < s.paddleX + PaddleWidth && s.paddleY - 2 < y && y < s.paddleY + 3) {
      if (kind == KindBall) {
        const int k = x - s.paddleX;
        dx = paddleBounceDX[k];
        dy = paddleBounceDY[k];
        y = s.paddleY - 1;
      } else {  // an item caught: six more balls, launched one per tick
        s.burstLaunches = BurstSize;
        s.ballsInStock += BurstSize;
        y = s.screenHeight;
      }
    }

    if (kind == KindBall) probeBlocks(f, x, y, dx, dy);

    if (y > s.screenHeight - BottomOut) {
      s.ballKind[i] = KindFree;
      continue;
    }
    const gfx::Region& sprite = kind == KindBall ? gfx::BallSprite : gfx::ItemSprite;
    gfx::BitBlt(*s.screenDC, x - 1, y - 1, 3, 3, f.Image3, sprite.x, sprite.y);
    s.ballX[i] = x;
    s.ballY[i] = y;
    s.ballDX[i] = dx;
    s.ballDY[i] = dy;
  }
}

void stepChips(Playfield& f) {
  GameState& s = f.s;
  for (int j = 0; j < MaxDebris; ++j) {
    if (s.debrisLife[j] == 0) continue;
    const int x = s.debrisX[j] + s.debrisDX[j], y = s.debrisY[j] + s.debrisDY[j];
    ++s.debrisDY[j];
    if (--s.debrisLife[j] == 0) continue;
    const int side = chipSide(s.debrisLife[j]);
    gfx::BitBlt(*s.screenDC, x, y, side, side, f.Image3, 8 * j, 0);
    s.debrisX[j] = x;
    s.debrisY[j] = y;
  }
}

// One ball every 128 ticks, and one per tick while a burst is owed. A due
// launch takes a ball from the stock even when no slot is free for it.
void launch(Playfield& f, int& activeCount) {
  GameState& s = f.s;
  ++s.launchTick;
  if (s.launchTick != LaunchPeriod && s.burstLaunches == 0) return;
  s.launchTick = 0;
  if (s.burstLaunches != 0) --s.burstLaunches;
  if (s.ballsInStock == 0) return;
  --s.ballsInStock;
  f.form.setStatus(decimal(s.ballsInStock));
  for (int i = 0; i < MaxBalls; ++i) {
    if (s.ballKind[i] != KindFree) continue;
    s.ballKind[i] = KindBall;
    ++activeCount;
    s.ballX[i] = s.paddleX;
    s.ballY[i] = s.paddleY - 2;
    const int k = f.random.next() % 32;
    s.ballDX[i] = paddleBounceDX[k];
    s.ballDY[i] = paddleBounceDY[k];
    return;
  }
}

}  // namespace

void Timer1Timer(Playfield& f) {
  GameState& s = f.s;
  RestoreSprites(f);

  const int newX = choosePaddleX(f);
  gfx::BitBlt(*s.screenDC, newX, s.paddleY, PaddleWidth, PaddleHeight, f.Image3, gfx::PaddleSprite.x,
              gfx::PaddleSprite.y);
  int activeCount = 0;
  s.paddleX = newX;

  stepBalls(f, activeCount);
  stepChips(f);
  launch(f, activeCount);
  s.screenDC->flush();

  if (activeCount == 0) {
    f.form.setTimerEnabled(false);
    f.form.setStatus("ende");
  }
  if (s.blocksLeft == 0) {
    f.form.setTimerEnabled(false);
    f.form.messageBox("kuria", "ende");
  }
}

}  // namespace game
