// Which part of the X screen is the game's: the primary monitor.
//
// One X screen (one root window) often spans several monitors side by side.
// The game plays on one of them, the one the desktop calls primary: the
// snapshot, the grid, the walls and the paddle cover that monitor's
// rectangle of the root, and game coordinates are root coordinates less its
// origin. The other monitors are left alone.
//
// Where the server says where the monitors are, best first:
//   RandR 1.5 monitors   what the desktop defines as monitors, including
//                        ones made by hand (xrandr --setmonitor) that split
//                        one output or join several; each may be primary
//   RandR 1.3 outputs    every output lit by a CRTC, and the primary output
//   Xinerama             the heads, with no notion of primary
//   none of these        the whole screen is one monitor
// With no primary marked, the monitor holding the root's (0, 0) is taken,
// else the first one listed.
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace plat {

struct X11Monitor {
  int x = 0, y = 0, width = 0, height = 0;
  bool primary = false;
};

struct X11MonitorChoice {
  X11Monitor rect;     // in root coordinates, inside the screen
  std::string source;  // where it came from, for messages: "RandR 1.5 monitors", ...
};

// The game's monitor out of a list of them on a screen of screenW x
// screenH: the primary one, else the one holding (0, 0), else the first;
// clipped to the screen. The whole screen when none is usable.
X11Monitor x11ChooseMonitor(const std::vector<X11Monitor>& monitors, int screenW, int screenH);

// Asks the server (see above) and chooses.
X11MonitorChoice x11PrimaryMonitor(Display* dpy);

}  // namespace plat
