// The frame timer's worker thread (see Win32Timer in win32_host.h).
#include "platform/win32/win32_host.h"

#include <mmsystem.h>

#include <algorithm>
#include <cstdint>

// Windows 10 1803 and later; older systems refuse the flag, and the timer
// falls back to an ordinary waitable timer under timeBeginPeriod(1).
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace plat {

namespace {

// The performance counter in 100 ns units, the unit of waitable timers.
int64_t now100ns() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<int64_t>(f.QuadPart);
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  const int64_t n = c.QuadPart;
  return n / frequency * 10'000'000 + n % frequency * 10'000'000 / frequency;
}

}  // namespace

Win32Timer::Win32Timer(HWND target, UINT message, Source source) : target_(target), message_(message) {
  if (source == Source::Best)
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
  highResolution_ = timer_ != nullptr;
  if (!timer_) timer_ = CreateWaitableTimerW(nullptr, FALSE, nullptr);
  wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!timer_ || !wake_) {
    if (timer_) CloseHandle(timer_);
    if (wake_) CloseHandle(wake_);
    throw Error("cannot create the frame timer");
  }
  try {
    worker_ = std::thread([this] { work(); });
  } catch (const std::exception&) {
    CloseHandle(timer_);
    CloseHandle(wake_);
    throw Error("cannot start the frame timer");
  }
}

Win32Timer::~Win32Timer() {
  {
    std::lock_guard<std::mutex> g(lock_);
    quit_ = true;
  }
  SetEvent(wake_);
  worker_.join();
  if (periodRaised_) timeEndPeriod(1);
  CloseHandle(timer_);
  CloseHandle(wake_);
}

void Win32Timer::set(int intervalMs, bool enabled) {
  const bool running = enabled && intervalMs > 0;
  // The coarse fallback only keeps its precision while the system clock
  // runs at 1 ms, which costs power: raise it only while ticks are wanted.
  if (!highResolution_ && running != periodRaised_) {
    if (running)
      periodRaised_ = timeBeginPeriod(1) == TIMERR_NOERROR;
    else {
      timeEndPeriod(1);
      periodRaised_ = false;
    }
  }
  {
    std::lock_guard<std::mutex> g(lock_);
    if (interval_ == intervalMs && enabled_ == enabled) return;
    interval_ = intervalMs;
    enabled_ = enabled;
    ++generation_;
  }
  SetEvent(wake_);
}

bool Win32Timer::takeTick() {
  pending_.store(false);
  std::lock_guard<std::mutex> g(lock_);
  return enabled_ && interval_ > 0;
}

void Win32Timer::work() {
  unsigned seen = ~0u;
  int64_t deadline = 0;
  for (;;) {
    int interval;
    bool running;
    unsigned generation;
    {
      std::lock_guard<std::mutex> g(lock_);
      if (quit_) return;
      interval = interval_;
      running = enabled_ && interval_ > 0;
      generation = generation_;
    }
    if (!running) {
      CancelWaitableTimer(timer_);
      WaitForSingleObject(wake_, INFINITE);
      continue;
    }
    const int64_t period = static_cast<int64_t>(interval) * 10'000;
    int64_t now = now100ns();
    if (generation != seen) {
      // A new setting starts a new phase: the first tick one interval on.
      seen = generation;
      deadline = now + period;
    }
    // Negative due times are relative; the deadline itself stays on the
    // counter, so each wake-up's lateness is taken off the next wait.
    LARGE_INTEGER due;
    due.QuadPart = -std::max<int64_t>(deadline - now, 1);
    SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE);
    HANDLE handles[2] = {wake_, timer_};
    const DWORD woke = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (woke != WAIT_OBJECT_0 + 1) continue;  // settings changed, or quit

    if (!pending_.exchange(true) && !PostMessageW(target_, message_, 0, 0)) pending_.store(false);
    deadline += period;
    // Fallen behind by whole intervals (a stalled machine): those ticks are
    // dropped, not caught up in a burst.
    now = now100ns();
    if (deadline <= now) deadline += (now - deadline) / period * period + period;
  }
}

}  // namespace plat
