// The game's own window on X: a small FLTK window that is nothing but its
// frame and a menu bar, pinned with its outer frame at the top-left of the
// screen.
//
// FLTK draws the menu bar and turns X events into keys, clicks and close
// requests; what FLTK leaves to the application, and what this file adds:
//   - where the window goes: FLTK nudges a framed window so that a guessed
//     title bar fits on the screen and asks for StaticGravity (the position
//     is the client area's). deskball wants its *frame* at a point, so it
//     sends its own size hints (USPosition, NorthWestGravity) and its own
//     move before the window manager sees the window;
//   - the window type (utility: a small tool window);
//   - the keys: FLTK key symbols become the game's virtual-key codes, the
//     menu's shortcuts act only with exactly their modifiers, and Escape
//     reaches the game instead of closing the window;
//   - hiding that waits until the window is really off the screen;
//   - maximising through the window manager (EWMH), or by hand without one.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/host.h"

class Fl_Window;
class Fl_Menu_Bar;
struct Fl_Menu_Item;

namespace plat {

// Where the window's events go, and how it waits: the host runs the event
// loop for it (pump) without handing events to the game meanwhile.
class X11WindowEvents {
 public:
  virtual ~X11WindowEvents() = default;
  virtual void windowKeyDown(int vk) = 0;
  virtual void windowKeyUp(int vk) = 0;
  virtual void windowMenu(int id) = 0;
  virtual void windowCloseRequest() = 0;
  virtual void pump(double seconds) = 0;
};

// FLTK key symbol <-> virtual-key code; 0 for keys the game has no code for.
int x11VirtualKey(int fltkKey);
int x11FltkKey(int vk);
// The menu's shortcut value (virtual key + modifier bits) as FLTK's.
int x11FltkShortcut(int shortcut);

class X11Window {
 public:
  X11Window(Display* dpy, const MenuItem* items, int count, X11WindowEvents& events);
  ~X11Window();
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;

  void setCaption(const std::string& text);
  void setMenuCaption(int id, const std::string& text);
  // In root coordinates.
  void place(int left, int top, int clientHeight);
  // The monitor the game plays on, which a maximise by hand fills.
  void setMonitor(int x, int y, int w, int h);
  // Maps the window with its frame at the place and makes it active;
  // returns once it is on the screen (or after a second at most).
  void show();
  // Takes the window off the screen; returns once its frame is gone and the
  // windows beneath have had a moment to repaint.
  void hide();
  bool shown() const;
  void setMaximized(bool maximized);

  // Used by the window's event handler.
  bool handleKey(bool down);
  void closeRequest();
  void menuPicked(int id);

 private:
  struct Impl;
  std::unique_ptr<Impl> s_;
};

}  // namespace plat
