// The frame timer through the real message loop: ticks arrive on the UI
// thread, stop when switched off (a tick already queued included), start
// again, and never pile up behind a busy loop. Only counts are checked; the
// cadence is measured by the benchmark, not asserted here.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/form.h"
#include "platform/win32/win32_host.h"

namespace {

struct TickCounter : plat::EventSink {
  int ticks = 0;
  DWORD thread = 0;
  std::function<void()> onTick;
  void onTimer() override {
    ++ticks;
    thread = GetCurrentThreadId();
    if (onTick) onTick();
  }
  void onKeyDown(int) override {}
  void onKeyUp(int) override {}
  void onMenu(int) override {}
  void onCloseRequest() override {}
};

// A USER32 thread timer, dispatched by run()'s own loop, that calls `then`
// once after `ms`: the tests' way to look again a while later without a
// second clock.
std::function<void()> later;
void CALLBACK fireLater(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto f = std::move(later);
  later = nullptr;
  if (f) f();
}
void after(UINT ms, std::function<void()> f) {
  later = std::move(f);
  SetTimer(nullptr, 0, ms, &fireLater);
}

// Ten intervals: long enough for ticks that should not come to show up.
constexpr UINT Quiet = 10 * game::TimerInterval;

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override { host.createWindow(MainMenu1, MainMenu1Count, sink); }
  void TearDown() override { later = nullptr; }
  plat::Win32Host host;
  TickCounter sink;
};

TEST_F(TimerTest, TicksComeOnTheUIThreadStopWhenDisabledAndResume) {
  RecordProperty("high_resolution_timer", host.timerHighResolution() ? "yes" : "no");
  int atStop = -1, afterQuiet = -1;
  sink.onTick = [&] {
    if (sink.ticks == 5) {
      host.setTimer(game::TimerInterval, false);
      atStop = sink.ticks;
      after(Quiet, [&] {
        afterQuiet = sink.ticks;
        host.setTimer(game::TimerInterval, true);
      });
    }
    if (sink.ticks == 8) host.quit();
  };
  host.setTimer(game::TimerInterval, true);
  host.run();

  EXPECT_EQ(sink.thread, GetCurrentThreadId());
  EXPECT_EQ(atStop, 5);
  EXPECT_EQ(afterQuiet, 5) << "no tick while disabled";
  EXPECT_EQ(sink.ticks, 8) << "ticks again once enabled";
}

TEST(Win32Timer, NoTicksWithoutAnIntervalOrWhileOff) {
  struct Case {
    int interval;
    bool enabled;
  };
  for (const Case c : {Case{0, true}, Case{-5, true}, Case{game::TimerInterval, false}}) {
    SCOPED_TRACE(std::to_string(c.interval) + (c.enabled ? " on" : " off"));
    // run() ends by destroying the window, so each case gets its own host.
    plat::Win32Host host;
    TickCounter sink;
    host.createWindow(MainMenu1, MainMenu1Count, sink);
    host.setTimer(c.interval, c.enabled);
    after(Quiet, [&] { host.quit(); });
    host.run();
    EXPECT_EQ(sink.ticks, 0);
  }
}

// Both sources, driven directly: a message-only window, the timer posting
// to it, and a loop that takes each tick as the host does.
TEST(Win32Timer, EitherSourceTicksStopsAndStartsAgain) {
  using Source = plat::Win32Timer::Source;
  constexpr UINT Tick = WM_APP + 7;
  for (const Source source : {Source::Best, Source::Coarse}) {
    SCOPED_TRACE(source == Source::Best ? "best" : "coarse");
    HWND sinkWindow = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(sinkWindow, nullptr);
    int ticks = 0;
    {
      plat::Win32Timer timer(sinkWindow, Tick, source);
      if (source == Source::Coarse) {
        EXPECT_FALSE(timer.highResolution());
      }
      // Counts the ticks taken until `want` have come, or until `quietMs`
      // of the USER32 clock have passed.
      auto take = [&](int want, UINT quietMs) {
        const UINT_PTR quiet = SetTimer(nullptr, 0, quietMs, nullptr);
        MSG m;
        while (ticks < want && GetMessageA(&m, nullptr, 0, 0) > 0) {
          if (m.message == WM_TIMER && m.hwnd == nullptr && m.wParam == quiet) break;
          if (m.message == Tick && timer.takeTick()) ++ticks;
        }
        KillTimer(nullptr, quiet);
      };
      timer.set(game::TimerInterval, true);
      take(4, 20000);
      EXPECT_EQ(ticks, 4);
      timer.set(game::TimerInterval, false);
      take(1000, Quiet);
      EXPECT_EQ(ticks, 4) << "no tick while off";
      timer.set(game::TimerInterval, true);
      take(7, 20000);
      EXPECT_EQ(ticks, 7);
    }
    DestroyWindow(sinkWindow);
  }
}

// The UI thread stalls for many intervals inside one tick: when it comes
// back, exactly one tick waits in its queue, not one per missed interval.
TEST_F(TimerTest, TicksDoNotPileUpBehindABusyLoop) {
  int queued = -1;
  sink.onTick = [&] {
    if (sink.ticks != 1) return;
    MSG m;
    // Wait for the worker's next post, then stall for ten more intervals.
    for (int i = 0; i < 1000 && !PeekMessageA(&m, host.window(), plat::Win32Host::TickMessage,
                                              plat::Win32Host::TickMessage, PM_NOREMOVE);
         ++i)
      Sleep(10);
    Sleep(Quiet);
    queued = 0;
    while (PeekMessageA(&m, host.window(), plat::Win32Host::TickMessage, plat::Win32Host::TickMessage,
                        PM_REMOVE))
      ++queued;
    host.quit();
  };
  host.setTimer(game::TimerInterval, true);
  host.run();
  EXPECT_EQ(queued, 1);
}

}  // namespace
