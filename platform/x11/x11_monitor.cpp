#include "platform/x11/x11_monitor.h"

#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

#include "platform/x11/x11_errors.h"

namespace plat {

namespace {

bool clipToScreen(X11Monitor& m, int screenW, int screenH) {
  const int x0 = std::max(m.x, 0), y0 = std::max(m.y, 0);
  const int x1 = std::min(m.x + m.width, screenW), y1 = std::min(m.y + m.height, screenH);
  if (x1 <= x0 || y1 <= y0) return false;
  m = {x0, y0, x1 - x0, y1 - y0, m.primary};
  return true;
}

// RandR 1.5: the monitors as the desktop defines them.
std::vector<X11Monitor> randrMonitors(Display* dpy, Window root) {
  std::vector<X11Monitor> out;
  int n = 0;
  XRRMonitorInfo* list = XRRGetMonitors(dpy, root, True, &n);
  for (int i = 0; list && i < n; ++i)
    out.push_back({list[i].x, list[i].y, list[i].width, list[i].height, list[i].primary != 0});
  if (list) XRRFreeMonitors(list);
  return out;
}

// RandR 1.3: one monitor per CRTC that shows something; the primary
// output's CRTC is the primary one.
std::vector<X11Monitor> randrOutputs(Display* dpy, Window root) {
  std::vector<X11Monitor> out;
  XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy, root);
  if (!res) return out;
  RRCrtc primaryCrtc = None;
  const RROutput primary = XRRGetOutputPrimary(dpy, root);
  if (primary != None) {
    if (XRROutputInfo* o = XRRGetOutputInfo(dpy, res, primary)) {
      primaryCrtc = o->crtc;
      XRRFreeOutputInfo(o);
    }
  }
  for (int i = 0; i < res->ncrtc; ++i) {
    XRRCrtcInfo* c = XRRGetCrtcInfo(dpy, res, res->crtcs[i]);
    if (!c) continue;
    if (c->mode != None && c->noutput > 0 && c->width > 0 && c->height > 0)
      out.push_back({c->x, c->y, static_cast<int>(c->width), static_cast<int>(c->height),
                     primaryCrtc != None && res->crtcs[i] == primaryCrtc});
    XRRFreeCrtcInfo(c);
  }
  XRRFreeScreenResources(res);
  return out;
}

std::vector<X11Monitor> xineramaHeads(Display* dpy) {
  std::vector<X11Monitor> out;
  int n = 0;
  XineramaScreenInfo* heads = XineramaQueryScreens(dpy, &n);
  for (int i = 0; heads && i < n; ++i)
    out.push_back({heads[i].x_org, heads[i].y_org, heads[i].width, heads[i].height, false});
  if (heads) XFree(heads);
  return out;
}

}  // namespace

X11Monitor x11ChooseMonitor(const std::vector<X11Monitor>& monitors, int screenW, int screenH) {
  std::vector<X11Monitor> usable;
  for (X11Monitor m : monitors)
    if (m.width > 0 && m.height > 0 && clipToScreen(m, screenW, screenH)) usable.push_back(m);
  for (const X11Monitor& m : usable)
    if (m.primary) return m;
  for (const X11Monitor& m : usable)
    if (m.x == 0 && m.y == 0) return m;
  if (!usable.empty()) return usable.front();
  return {0, 0, screenW, screenH, true};
}

X11MonitorChoice x11PrimaryMonitor(Display* dpy) {
  const int scr = DefaultScreen(dpy);
  const Window root = RootWindow(dpy, scr);
  const int w = DisplayWidth(dpy, scr), h = DisplayHeight(dpy, scr);

  // Each source is asked inside a trap: a server that announces an
  // extension can still refuse a request of it, and the game then falls back
  // to the next source rather than to a logged error and a wrong screen.
  auto ask = [dpy](auto query) {
    std::vector<X11Monitor> found;
    X11ErrorTrap trap(dpy);
    found = query();
    if (trap.check() != 0) found.clear();
    return found;
  };

  int event = 0, error = 0, major = 0, minor = 0;
  if (XRRQueryExtension(dpy, &event, &error) && XRRQueryVersion(dpy, &major, &minor)) {
    const int version = major * 100 + minor;
    if (version >= 105) {
      const auto list = ask([&] { return randrMonitors(dpy, root); });
      if (!list.empty()) return {x11ChooseMonitor(list, w, h), "RandR 1.5 monitors"};
    }
    if (version >= 103) {
      const auto list = ask([&] { return randrOutputs(dpy, root); });
      if (!list.empty()) return {x11ChooseMonitor(list, w, h), "RandR outputs"};
    }
  }
  if (XineramaQueryExtension(dpy, &event, &error) && XineramaIsActive(dpy)) {
    const auto list = ask([&] { return xineramaHeads(dpy); });
    if (!list.empty()) return {x11ChooseMonitor(list, w, h), "Xinerama"};
  }
  return {{0, 0, w, h, true}, "the whole screen"};
}

}  // namespace plat
