// X errors, and what deskball does about them.
//
// Xlib reports a failed request asynchronously, long after the call that
// sent it returned, through one process-wide handler. deskball draws on a
// screen it shares with every other client, so a request can fail for
// reasons the game cannot help (a window vanished under a read, the root
// changed size); none of that may end the game. The handler installed here
// logs the first few such errors and ignores them all.
//
// Where the program needs to know whether one particular request worked
// (attaching the shared-memory segment, probing a window that may be gone),
// it opens an X11ErrorTrap around it: the requests before are flushed out of
// the way, errors inside are recorded instead of logged, and the previous
// handler is put back at the end.
//
// A lost connection is another matter: Xlib calls the I/O error handler and
// the process must not return from it. deskball says so on stderr and ends
// at once with exit code 1.
#pragma once

#include <X11/Xlib.h>

namespace plat {

// Installs the logging error handler and the lost-connection handler. Call
// after the toolkit has opened the display (it installs its own).
void x11InstallErrorHandlers(Display* dpy);

class X11ErrorTrap {
 public:
  explicit X11ErrorTrap(Display* dpy);
  ~X11ErrorTrap();
  X11ErrorTrap(const X11ErrorTrap&) = delete;
  X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

  // Waits until the server has handled every request sent so far and tells
  // whether any of those inside the trap failed; the first error code, or 0.
  int check();

 private:
  struct State {
    Display* dpy;
    int (*previous)(Display*, XErrorEvent*);
    X11ErrorTrap* outer;  // traps nest
    int error;
  } s_;
  friend int x11TrapError(Display*, XErrorEvent*);
};

}  // namespace plat
