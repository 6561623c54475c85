#include "platform/x11/x11_host.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/XKBlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/x11/x11_dialog.h"
#include "platform/x11/x11_errors.h"

namespace plat {

namespace {

// Sets a flag for as long as it lives and puts the old value back after.
class BusyScope {
 public:
  explicit BusyScope(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~BusyScope() { flag_ = was_; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& flag_;
  bool was_;
};

}  // namespace

X11Host::X11Host(Display* dpy) {
  State& s = s_;
  s.dpy = dpy;
  // FLTK works on this connection from now on; its own error handlers are
  // replaced by ours, which neither end the game over a failed drawing
  // request nor linger when the server is gone.
  fl_open_display(dpy);
  x11InstallErrorHandlers(dpy);
  // A held key repeats as more presses without releases in between, so a
  // held arrow keeps its flag set until the key really comes up.
  Bool supported = False;
  XkbSetDetectableAutoRepeat(dpy, True, &supported);
  s.monitor = x11PrimaryMonitor(dpy).rect;
  s.screen = std::make_unique<X11Screen>(dpy, s.monitor);
}

X11Host::~X11Host() {
  setTimer(0, false);
  s_.window.reset();
  s_.screen.reset();
  XSync(s_.dpy, False);
}

gfx::Point X11Host::cursorPos() {
  State& s = s_;
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  unsigned mask = 0;
  // False: the pointer is on another screen of the display; keep the last.
  if (XQueryPointer(s.dpy, DefaultRootWindow(s.dpy), &root, &child, &rootX, &rootY, &winX, &winY, &mask))
    s.lastCursor = {rootX - s.monitor.x, rootY - s.monitor.y};
  return s.lastCursor;
}


void X11Host::createWindow(const MenuItem* items, int count, EventSink& sink) {
  s_.sink = &sink;
  X11WindowEvents& events = *this;
  s_.window = std::make_unique<X11Window>(s_.dpy, items, count, events);
  const X11Monitor& m = s_.monitor;
  s_.window->setMonitor(m.x, m.y, m.width, m.height);
}

void X11Host::setCaption(const std::string& text) {
  if (s_.window) s_.window->setCaption(text);
}

void X11Host::setMenuCaption(int id, const std::string& text) {
  if (s_.window) s_.window->setMenuCaption(id, text);
}

void X11Host::setVisible(bool visible) {
  if (!s_.window) return;
  if (visible)
    s_.window->show();
  else
    s_.window->hide();
}

void X11Host::setWindowState(WindowState state) {
  if (s_.window) s_.window->setMaximized(state == WindowState::Maximized);
}

void X11Host::placeWindow(int left, int top, int clientHeight) {
  // The game places its window on its own screen: the primary monitor.
  if (s_.window) s_.window->place(s_.monitor.x + left, s_.monitor.y + top, clientHeight);
}

// What the game drew gives way to the live desktop.
//
// On the root: maps a window over the game's monitor that draws nothing (no
// background), then destroys it: every window beneath is exposed and
// repaints itself, the root its background. What the game drew on top is
// gone after.
//
// Under a compositor the windows never lost their pixels; the game's are
// all in the overlay, which is emptied: the sprites and every painted-over
// cell vanish and the desktop shows as it is now. The game goes on: the
// next tick draws its sprites again, and a sprite later restored over a
// broken block's cell puts that bit of background back, as on the root.
// (A cover window here would flash: a composited window with no
// background shows whatever its fresh pixmap holds.)
void X11Host::repaintDesktop() {
  Display* dpy = s_.dpy;
  if (s_.screen->clearOverlay()) {
    XSync(dpy, False);
    return;
  }
  const X11Monitor& m = s_.monitor;
  XSetWindowAttributes a{};
  a.override_redirect = True;
  a.background_pixmap = None;
  a.backing_store = NotUseful;
  a.save_under = False;
  X11ErrorTrap trap(dpy);  // a cover the server cannot make just means no repaint
  const Window cover = XCreateWindow(dpy, DefaultRootWindow(dpy), m.x, m.y, static_cast<unsigned>(m.width),
                                     static_cast<unsigned>(m.height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                     CWOverrideRedirect | CWBackPixmap | CWBackingStore | CWSaveUnder, &a);
  XMapWindow(dpy, cover);
  XSync(dpy, False);
  XDestroyWindow(dpy, cover);
  if (trap.check() != 0) std::fprintf(stderr, "deskball: the desktop could not be asked to repaint\n");
}

void X11Host::timerFired(void* self) {
  X11Host& h = *static_cast<X11Host*>(self);
  // Re-armed first, from when this firing was due, so the cadence does not
  // drift by the time the tick takes.
  Fl::repeat_timeout(h.s_.timerMs / 1000.0, timerFired, self);
  h.deliver([&h] { h.s_.sink->onTimer(); });
}

void X11Host::setTimer(int intervalMs, bool enabled) {
  State& s = s_;
  const bool want = enabled && intervalMs > 0;
  if (want && s.timerRunning && intervalMs == s.timerMs) return;
  Fl::remove_timeout(timerFired, this);
  s.timerRunning = false;
  if (!want) return;
  s.timerMs = intervalMs;
  Fl::add_timeout(intervalMs / 1000.0, timerFired, this);
  s.timerRunning = true;
}

void X11Host::messageBox(const std::string& text, const std::string& caption) {
  BusyScope busy(s_.busy);
  x11MessageDialog(text, caption, false);
}

void X11Host::errorBox(const std::string& text, const std::string& title) {
  std::fprintf(stderr, "deskball: %s\n", text.c_str());
  BusyScope busy(s_.busy);
  x11MessageDialog(text, title, true);
}

void X11Host::run() {
  State& s = s_;
  s.quitRequested = false;
  // The first snapshot is taken by now; the overlay (if any) goes up before
  // the game's window, which then stacks above it.
  s.screen->mapOverlay();
  if (s.window) s.window->show();
  while (!s.quitRequested) Fl::wait();
  s.window.reset();
  repaintDesktop();
  XSync(s.dpy, False);
}

template <class F>
void X11Host::deliver(F&& f) {
  if (s_.busy || !s_.sink) return;
  BusyScope busy(s_.busy);
  f();
}

void X11Host::windowKeyDown(int vk) {
  deliver([&] { s_.sink->onKeyDown(vk); });
}

void X11Host::windowKeyUp(int vk) {
  deliver([&] { s_.sink->onKeyUp(vk); });
}

void X11Host::windowMenu(int id) {
  deliver([&] { s_.sink->onMenu(id); });
}

void X11Host::windowCloseRequest() {
  deliver([&] { s_.sink->onCloseRequest(); });
}

void X11Host::pump(double seconds) {
  BusyScope busy(s_.busy);
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    const double left = std::chrono::duration<double>(end - std::chrono::steady_clock::now()).count();
    if (left <= 0) break;
    Fl::wait(left);
  }
}

std::unique_ptr<Host> createHost() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland && *wayland)
      throw Error(
          "only a Wayland display is set (WAYLAND_DISPLAY) and this game needs X11; run it in an X11 "
          "session or under XWayland with DISPLAY set");
    throw Error("no X display: DISPLAY is not set; run deskball in an X11 session or set DISPLAY (e.g. DISPLAY=:0)");
  }
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    throw Error(std::string("cannot open X display '") + display +
                "'; check that the X server is running and that this user may connect to it (XAUTHORITY)");
  }
  return std::make_unique<X11Host>(dpy);
}

}  // namespace plat
