// A plain 32 ms SetTimer and nothing else, measured the way the game's timer
// is (bench/cadence.cpp): mean period and the 99th percentile of
// |period - 32 ms| over N ticks.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  const int ticks = argc > 1 ? std::atoi(argv[1]) : 1000;
  LARGE_INTEGER freq;
  QueryPerformanceFrequency(&freq);
  std::vector<double> stamps;
  const UINT_PTR id = SetTimer(nullptr, 0, 32, nullptr);
  if (!id) return 1;
  MSG msg;
  while (int(stamps.size()) <= ticks && GetMessage(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) {
      LARGE_INTEGER now;
      QueryPerformanceCounter(&now);
      stamps.push_back(double(now.QuadPart) * 1000.0 / double(freq.QuadPart));
    }
    DispatchMessage(&msg);
  }
  KillTimer(nullptr, id);
  std::vector<double> dev;
  double sum = 0;
  for (size_t i = 1; i < stamps.size(); ++i) {
    const double p = stamps[i] - stamps[i - 1];
    sum += p;
    dev.push_back(std::fabs(p - 32.0));
  }
  if (dev.empty()) return 1;
  std::sort(dev.begin(), dev.end());
  std::printf("ticks %zu mean_ms %.3f p99_dev_ms %.3f\n", dev.size(), sum / double(dev.size()),
              dev[std::min(dev.size() - 1, size_t(double(dev.size()) * 0.99))]);
  return 0;
}
