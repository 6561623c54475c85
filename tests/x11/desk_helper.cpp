// Sets up a known desktop for the end-to-end tests, as a user's clients
// would: a solid root colour, and plain coloured windows at exact places.
//
//   desk_helper root RRGGBB
//       Gives the root window that background colour and repaints it.
//   desk_helper windows X,Y,W,H,RRGGBB[,busy] ...
//       Maps one override-redirect window per argument (so no window
//       manager moves or frames them), each with that background colour,
//       which the server itself repaints on every exposure. Prints "ready"
//       once they are on the screen, then keeps them until stdin closes.
//       Meanwhile every button press on one of them prints a line
//       "press N X Y" (N counts the arguments from 0, X Y inside it), and a
//       "busy" window repaints itself every 20 ms, as a video or a clock
//       would: under a compositing manager that keeps the screen being
//       composited anew.
//   desk_helper owner SELECTION
//       Prints the selection's owner window (0 for none), e.g. _NET_WM_CM_S0
//       to see whether a compositing manager runs.
//   desk_helper toplevels
//       Lists the root's mapped children, one a line, bottom to top:
//       "ID X Y W H OVERRIDE" (OVERRIDE 1 for override-redirect windows,
//       such as the menus a toolkit pops up).
//
// Colours are encoded for the default visual's masks, so the same test
// works on a 16-bit screen.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

unsigned long channel(unsigned v8, unsigned long mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const unsigned long level = bits >= 8 ? (static_cast<unsigned long>(v8) << (bits - 8))
                                        : (v8 * ((1ul << bits) - 1) + 127) / 255;
  return level << shift;
}

unsigned long pixelOf(Display* dpy, unsigned rgb) {
  Visual* v = DefaultVisual(dpy, DefaultScreen(dpy));
  return channel((rgb >> 16) & 0xFF, v->red_mask) | channel((rgb >> 8) & 0xFF, v->green_mask) |
         channel(rgb & 0xFF, v->blue_mask);
}

int usage() {
  std::fprintf(stderr,
               "usage: desk_helper root RRGGBB | windows X,Y,W,H,RRGGBB[,busy] ... | toplevels | owner SELECTION\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || (argc < 3 && std::string(argv[1]) != "toplevels")) return usage();
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    std::fprintf(stderr, "desk_helper: cannot open display\n");
    return 1;
  }
  const Window root = DefaultRootWindow(dpy);
  const std::string command = argv[1];

  if (command == "root") {
    XSetWindowBackground(dpy, root, pixelOf(dpy, static_cast<unsigned>(std::strtoul(argv[2], nullptr, 16))));
    XClearWindow(dpy, root);
    XSync(dpy, False);
    XCloseDisplay(dpy);
    return 0;
  }
  if (command == "toplevels") {
    Window rootRet = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(dpy, root, &rootRet, &parent, &children, &count);
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes a{};
      if (!XGetWindowAttributes(dpy, children[i], &a) || a.map_state != IsViewable) continue;
      std::printf("0x%lx %d %d %d %d %d\n", children[i], a.x, a.y, a.width, a.height, a.override_redirect ? 1 : 0);
    }
    if (children) XFree(children);
    XCloseDisplay(dpy);
    return 0;
  }
  if (command == "owner") {
    std::printf("0x%lx\n", XGetSelectionOwner(dpy, XInternAtom(dpy, argv[2], False)));
    XCloseDisplay(dpy);
    return 0;
  }
  if (command != "windows") return usage();

  std::vector<Window> windows, busy;
  for (int i = 2; i < argc; ++i) {
    int x, y, w, h, end = 0;
    unsigned rgb;
    if (std::sscanf(argv[i], "%d,%d,%d,%d,%x%n", &x, &y, &w, &h, &rgb, &end) != 5) return usage();
    const std::string rest = argv[i] + end;
    if (!rest.empty() && rest != ",busy") return usage();
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.background_pixel = pixelOf(dpy, rgb);
    a.event_mask = ButtonPressMask;
    const Window win = XCreateWindow(dpy, root, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), 0,
                                     CopyFromParent, InputOutput, CopyFromParent,
                                     CWOverrideRedirect | CWBackPixel | CWEventMask, &a);
    XMapWindow(dpy, win);
    windows.push_back(win);
    if (!rest.empty()) busy.push_back(win);
  }
  XSync(dpy, False);
  std::printf("ready\n");
  std::fflush(stdout);

  pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {ConnectionNumber(dpy), POLLIN, 0}};
  for (;;) {
    while (XPending(dpy)) {
      XEvent e;
      XNextEvent(dpy, &e);
      if (e.type != ButtonPress) continue;
      for (size_t n = 0; n < windows.size(); ++n)
        if (windows[n] == e.xbutton.window) std::printf("press %zu %d %d\n", n, e.xbutton.x, e.xbutton.y);
      std::fflush(stdout);
    }
    if (poll(fds, 2, busy.empty() ? -1 : 20) < 0) break;
    if (fds[0].revents) {
      char buf[64];
      if (read(STDIN_FILENO, buf, sizeof buf) <= 0) break;
    }
    for (Window w : busy) XClearArea(dpy, w, 0, 0, 0, 0, False);
    XFlush(dpy);
  }
  XCloseDisplay(dpy);
  return 0;
}
