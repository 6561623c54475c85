// The real timer's cadence: arms the platform's 32 ms timer, records when
// each of N ticks arrives, and prints the mean period and the 99th
// percentile of |period - 32 ms|.
//   cadence [TICKS]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/host.h"

namespace {

class Recorder : public plat::EventSink {
 public:
  Recorder(plat::Host& host, int ticks) : host_(host), ticks_(ticks) { stamps_.reserve(size_t(ticks) + 1); }
  void onTimer() override {
    stamps_.push_back(std::chrono::steady_clock::now());
    if (int(stamps_.size()) > ticks_) host_.quit();
  }
  void onKeyDown(int) override {}
  void onKeyUp(int) override {}
  void onMenu(int) override {}
  void onCloseRequest() override { host_.quit(); }
  const std::vector<std::chrono::steady_clock::time_point>& stamps() const { return stamps_; }

 private:
  plat::Host& host_;
  int ticks_;
  std::vector<std::chrono::steady_clock::time_point> stamps_;
};

}  // namespace

int main(int argc, char** argv) {
  const int ticks = argc > 1 ? std::atoi(argv[1]) : 1000;
  std::unique_ptr<plat::Host> host;
  try {
    host = plat::createHost();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cadence: %s\n", e.what());
    return 1;
  }
  static const plat::MenuItem menu[] = {{0, 0, "&file", 0, true, false}};
  Recorder rec(*host, ticks);
  host->createWindow(menu, 1, rec);
  host->placeWindow(0, 8, 0);
  host->setTimer(32, true);
  host->run();
  const auto& t = rec.stamps();
  if (t.size() < 3) return 1;
  std::vector<double> periods, dev;
  for (size_t i = 1; i < t.size(); ++i) {
    const double ms = std::chrono::duration<double, std::milli>(t[i] - t[i - 1]).count();
    periods.push_back(ms);
    dev.push_back(std::fabs(ms - 32.0));
  }
  double mean = 0;
  for (double p : periods) mean += p;
  mean /= double(periods.size());
  std::sort(dev.begin(), dev.end());
  const double p99 = dev[std::min(dev.size() - 1, size_t(double(dev.size()) * 0.99))];
  std::printf("ticks %zu mean_ms %.3f p99_dev_ms %.3f\n", periods.size(), mean, p99);
  return 0;
}
