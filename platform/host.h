// The platform seam: everything deskball needs from a desktop, in one small
// interface. The game (game/), the surfaces (gfx/) and the form (app/) see
// only this header; one backend per folder implements it and CMake links the
// one for the target:
//
//   platform/headless/  in-memory screen, scripted cursor and keys, a timer a
//                       test steps by hand (the unit tests run on it)
//   platform/x11/       Xlib (+ MIT-SHM) on the primary monitor's part of the
//                       root window, or through a click-through overlay
//                       window under a compositing manager; FLTK 1.3 for the
//                       tool window, its menu bar, the timer and dialogs
//   platform/win32/     USER32 and GDI
//
// Data flows one way each: the form calls the Host to draw, to change its
// window's texts and to arm the timer; the Host delivers what happens (timer
// ticks, keys, menu commands, a close request) to the form's EventSink from
// its message loop, one event at a time, on the one thread.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "gfx/image.h"

namespace plat {

// Virtual-key codes: the numbers the game knows keys by, whatever the
// platform calls them. Backends translate their own key symbols to these.
namespace vk {
constexpr int Shift = 16;
constexpr int Control = 17;
constexpr int Menu = 18;  // Alt
constexpr int Escape = 27;
constexpr int Left = 37;
constexpr int Up = 38;
constexpr int Right = 39;
constexpr int Down = 40;
constexpr int F4 = 115;
constexpr int F5 = 116;
constexpr int F8 = 119;
}  // namespace vk

// Shortcut values: the virtual-key code in the low byte and these modifier
// bits in the high byte. The game's shortcuts carry none.
namespace shortcut {
constexpr int Shift = 0x2000;
constexpr int Ctrl = 0x4000;
constexpr int Alt = 0x8000;
inline int key(int sc) { return sc & 0xFF; }
}  // namespace shortcut

// One entry of the menu bar, in display order. level 0 sits on the bar,
// level 1 inside the drop-down of the level-0 entry before it. A caption of
// "-" is a separator. A '&' marks the access key. Choosing an entry that has
// `command` set sends onMenu(id).
struct MenuItem {
  int id;
  int level;
  const char* caption;
  int shortcut;  // 0 = none
  bool enabled;
  bool command;
};

enum class WindowState { Normal, Maximized };

// What the Host delivers. Handlers run to completion before the next event.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void onTimer() = 0;
  virtual void onKeyDown(int key) = 0;  // key auto-repeat comes as more key downs
  virtual void onKeyUp(int key) = 0;
  virtual void onMenu(int id) = 0;      // a click or the item's shortcut
  virtual void onCloseRequest() = 0;    // the window's close box, system menu, Alt+F4
};

// Raised by a backend when it cannot start (no display, unusable screen).
struct Error : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Host {
 public:
  virtual ~Host() = default;

  // --- the screen, the pointer ---
  virtual gfx::Screen& screen() = 0;
  virtual gfx::Point cursorPos() = 0;  // in screen coordinates; may lie outside it

  // --- the game's window ---
  // Creates the window with its menu bar; it is not shown until run().
  // The table must outlive the Host.
  virtual void createWindow(const MenuItem* items, int count, EventSink& sink) = 0;
  virtual void setCaption(const std::string& text) = 0;
  virtual void setMenuCaption(int id, const std::string& text) = 0;
  // false: hide, and return only once the window is off the screen and the
  // windows beneath have repainted, so a capture right after cannot contain
  // it. true: show in its normal place and make it the active window.
  virtual void setVisible(bool visible) = 0;
  virtual void setWindowState(WindowState state) = 0;
  // Outer top-left corner of the frame, and the height of the client area
  // below the menu bar.
  virtual void placeWindow(int left, int top, int clientHeight) = 0;

  // Ask every window of the desktop to redraw itself, so what the game drew
  // straight onto the screen gives way to the windows' own pixels. Where the
  // window manager already does so after a maximise and restore, this may be
  // a no-op.
  virtual void repaintDesktop() = 0;

  // --- timer, dialogs ---
  // While enabled with an interval above 0, onTimer arrives every
  // intervalMs milliseconds on average, through the message loop.
  virtual void setTimer(int intervalMs, bool enabled) = 0;
  // Modal box with one OK button and no icon; returns when it is closed.
  virtual void messageBox(const std::string& text, const std::string& caption) = 0;
  // Modal box with a stop icon and one OK button (the error display).
  virtual void errorBox(const std::string& text, const std::string& title) = 0;

  // --- the message loop ---
  // Shows the window and delivers events until quit(). Before it returns the
  // window is destroyed and the desktop beneath has repainted.
  virtual void run() = 0;
  virtual void quit() = 0;
};

// The backend CMake linked in. Throws plat::Error with a message for the
// user when the platform cannot be used.
std::unique_ptr<Host> createHost();

}  // namespace plat
