// A game at full load for the benchmarks: a screen full of blocks, every
// ball slot in play, every chip slot alive, and a block breaking in most
// ticks. keepFull() tops the tables up again after a tick, so the load stays
// where it was put.
#pragma once

#include <memory>

#include "app/form.h"
#include "platform/host.h"

namespace bench {

class FixedRandom : public game::Random {
 public:
  int next() override { return gen_.next(); }

 private:
  game::ClockRandom gen_{20261211};
};

struct Load {
  int balls, chips;
};

// Paints a desk of coloured bricks (every cell a block but the bottom rows).
void paintBricks(plat::Host& host, gfx::Image& scratch);

class FullGame {
 public:
  FullGame(plat::Host& host, Load load);
  void tick() { form_->Timer1Timer(); }
  void keepFull();
  TForm1& form() { return *form_; }

 private:
  plat::Host& host_;
  Load load_;
  std::unique_ptr<TForm1> form_;
  std::vector<uint8_t> fullGrid_;
  int fullBlocks_ = 0;
  uint32_t step_ = 0;
};

}  // namespace bench
