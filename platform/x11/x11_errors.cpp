#include "platform/x11/x11_errors.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace plat {

namespace {

X11ErrorTrap* innermostTrap = nullptr;
int errorsLogged = 0;
constexpr int MaxErrorsLogged = 8;

int logError(Display* dpy, XErrorEvent* e) {
  if (errorsLogged >= MaxErrorsLogged) return 0;
  ++errorsLogged;
  char text[160] = {};
  XGetErrorText(dpy, e->error_code, text, sizeof text - 1);
  std::fprintf(stderr, "deskball: X error ignored: %s (request %d.%d)%s\n", text,
               static_cast<int>(e->request_code), static_cast<int>(e->minor_code),
               errorsLogged == MaxErrorsLogged ? "; further X errors are not shown" : "");
  return 0;
}

// Async-signal-safe enough: Xlib calls this with the connection already
// broken, and the process ends without running destructors or atexit
// handlers that might talk to the server again.
int lostConnection(Display* dpy) {
  char line[256];
  const char* name = dpy ? DisplayString(dpy) : nullptr;
  const int n = std::snprintf(line, sizeof line,
                              "deskball: lost the connection to the X server%s%s%s; the game ends\n",
                              name ? " (" : "", name ? name : "", name ? ")" : "");
  if (n > 0) {
    const ssize_t written = write(STDERR_FILENO, line, static_cast<size_t>(n) < sizeof line ? n : sizeof line - 1);
    (void)written;
  }
  _exit(1);
}

}  // namespace

int x11TrapError(Display*, XErrorEvent* e) {
  if (innermostTrap && innermostTrap->s_.error == 0) innermostTrap->s_.error = e->error_code;
  return 0;
}

void x11InstallErrorHandlers(Display*) {
  XSetErrorHandler(logError);
  XSetIOErrorHandler(lostConnection);
}

X11ErrorTrap::X11ErrorTrap(Display* dpy) : s_{dpy, nullptr, innermostTrap, 0} {
  // Errors of earlier requests belong to whoever sent them, not to this trap.
  XSync(dpy, False);
  s_.previous = XSetErrorHandler(x11TrapError);
  innermostTrap = this;
}

int X11ErrorTrap::check() {
  XSync(s_.dpy, False);
  return s_.error;
}

X11ErrorTrap::~X11ErrorTrap() {
  XSync(s_.dpy, False);
  innermostTrap = s_.outer;
  XSetErrorHandler(s_.previous);
}

}  // namespace plat
