// The X11 backend: the screen is the primary monitor's part of the root
// window (Xlib, MIT-SHM; drawn through an overlay window under a compositing
// manager, see x11_screen.h), the game's window, its menu, the timer and the
// message boxes are FLTK's, on FLTK's one connection to the display.
//
// Events come out of FLTK's loop (Fl::wait) and go to the form one at a
// time. Some of the host's own operations have to run that loop while a
// handler is still busy (hiding the window waits for the window manager, a
// message box is modal); whatever arrives meanwhile is not handed to the
// form: a tick is skipped, a key or click dropped. That is what keeps
// every handler running to its end before the next one starts.
#pragma once

#include <X11/Xlib.h>

#include <memory>

#include "platform/host.h"
#include "platform/x11/x11_screen.h"
#include "platform/x11/x11_window.h"

namespace plat {

class X11Host : public Host, private X11WindowEvents {
 public:
  // Takes over an open display: hands it to FLTK and installs the error
  // handlers. Throws plat::Error when the screen cannot be used.
  explicit X11Host(Display* dpy);
  ~X11Host() override;

  gfx::Screen& screen() override { return *s_.screen; }
  gfx::Point cursorPos() override;
  void createWindow(const MenuItem* items, int count, EventSink& sink) override;
  void setCaption(const std::string& text) override;
  void setMenuCaption(int id, const std::string& text) override;
  void setVisible(bool visible) override;
  void setWindowState(WindowState state) override;
  void placeWindow(int left, int top, int clientHeight) override;
  void repaintDesktop() override;
  void setTimer(int intervalMs, bool enabled) override;
  void messageBox(const std::string& text, const std::string& caption) override;
  void errorBox(const std::string& text, const std::string& title) override;
  void run() override;
  void quit() override { s_.quitRequested = true; }

 private:
  // X11WindowEvents
  void windowKeyDown(int vk) override;
  void windowKeyUp(int vk) override;
  void windowMenu(int id) override;
  void windowCloseRequest() override;
  void pump(double seconds) override;

  template <class F>
  void deliver(F&& f);
  static void timerFired(void* self);

  struct State {
    Display* dpy = nullptr;
    X11Monitor monitor;  // the game's part of the root
    std::unique_ptr<X11Screen> screen;
    std::unique_ptr<X11Window> window;
    EventSink* sink = nullptr;
    gfx::Point lastCursor{};
    int timerMs = 0;
    bool timerRunning = false;
    bool busy = false;  // a handler or a nested loop is running
    bool quitRequested = false;
  } s_;
};

}  // namespace plat
