// Which monitor the game takes, from the list the server gives.
// GoogleTest before Xlib: Xlib's macros (None, Bool, Status) would break
// its headers.
#include <gtest/gtest.h>

#include <vector>

#include "platform/x11/x11_monitor.h"

namespace {

using plat::X11Monitor;

struct Case {
  const char* what;
  std::vector<X11Monitor> monitors;
  X11Monitor expected;  // on a 1600 x 600 screen
};

TEST(X11ChooseMonitor, Table) {
  const Case cases[] = {
      {"no monitors: the whole screen", {}, {0, 0, 1600, 600, true}},
      {"one monitor", {{0, 0, 1600, 600, false}}, {0, 0, 1600, 600, false}},
      {"the primary one, wherever it is listed",
       {{0, 0, 800, 600, false}, {800, 0, 800, 600, true}},
       {800, 0, 800, 600, true}},
      {"no primary: the one at (0, 0), though listed second",
       {{800, 0, 800, 600, false}, {0, 0, 800, 600, false}},
       {0, 0, 800, 600, false}},
      {"no primary, none at (0, 0): the first",
       {{900, 100, 700, 500, false}, {100, 0, 700, 600, false}},
       {900, 100, 700, 500, false}},
      {"a primary off the screen does not count",
       {{1600, 0, 800, 600, true}, {0, 0, 800, 600, false}},
       {0, 0, 800, 600, false}},
      {"a monitor reaching past the screen is cut to it",
       {{1200, -100, 800, 600, true}},
       {1200, 0, 400, 500, true}},
      {"an empty monitor does not count",
       {{0, 0, 0, 600, true}, {800, 0, 800, 600, false}},
       {800, 0, 800, 600, false}},
  };
  for (const Case& c : cases) {
    const X11Monitor m = plat::x11ChooseMonitor(c.monitors, 1600, 600);
    EXPECT_EQ(m.x, c.expected.x) << c.what;
    EXPECT_EQ(m.y, c.expected.y) << c.what;
    EXPECT_EQ(m.width, c.expected.width) << c.what;
    EXPECT_EQ(m.height, c.expected.height) << c.what;
  }
}

}  // namespace
