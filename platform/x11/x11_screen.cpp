#include "platform/x11/x11_screen.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/host.h"
#include "platform/x11/x11_errors.h"

namespace plat {

namespace {

const char* visualClassName(int c) {
  switch (c) {
    case StaticGray: return "StaticGray";
    case GrayScale: return "GrayScale";
    case StaticColor: return "StaticColor";
    case PseudoColor: return "PseudoColor";
    case TrueColor: return "TrueColor";
    case DirectColor: return "DirectColor";
    default: return "unknown";
  }
}

int bitsPerPixelOf(Display* dpy, int depth) {
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(dpy, &count);
  int bpp = 0;
  for (int i = 0; i < count; ++i)
    if (formats[i].depth == depth) bpp = formats[i].bits_per_pixel;
  if (formats) XFree(formats);
  return bpp;
}

constexpr bool HostIsLittleEndian = std::endian::native == std::endian::little;

// A desktop pixel the overlay does not know: what the last read found there
// was the overlay's own picture. No pixel value has these bits (the masks of
// a TrueColor visual leave the top byte free), so no restore ever matches it.
constexpr uint32_t NotTheDesktop = 0xFFFFFFFFu;

// Rectangles per shape request; a tick sends a few hundred, a long list
// is cut so no request nears the server's size limit.
constexpr size_t ShapeChunk = 4096;

void shapeRects(Display* dpy, Window w, int op, const std::vector<XRectangle>& rects) {
  for (size_t i = 0; i < rects.size(); i += ShapeChunk) {
    const int n = static_cast<int>(std::min(ShapeChunk, rects.size() - i));
    XShapeCombineRectangles(dpy, w, ShapeBounding, 0, 0, const_cast<XRectangle*>(rects.data() + i), n, op,
                            Unsorted);
  }
}

XRectangle xrect(int x, int y, int w, int h) {
  return {static_cast<short>(x), static_cast<short>(y), static_cast<unsigned short>(w),
          static_cast<unsigned short>(h)};
}

}  // namespace

bool x11CompositorRunning(Display* dpy, int screen) {
  const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
  return XGetSelectionOwner(dpy, XInternAtom(dpy, name.c_str(), False)) != None;
}

X11Screen::X11Screen(Display* dpy, const X11Monitor& area) {
  State& s = s_;
  s.dpy = dpy;
  const int scr = DefaultScreen(dpy);
  s.root = RootWindow(dpy, scr);
  s.visual = DefaultVisual(dpy, scr);
  s.depth = DefaultDepth(dpy, scr);
  s.originX = area.x;
  s.originY = area.y;
  s.width = area.width;
  s.height = area.height;
  s.bitsPerPixel = bitsPerPixelOf(dpy, s.depth);

  // The game stores one value per pixel and compares colours by value, which
  // only works where a pixel value is its colour: TrueColor. A colormapped
  // screen (8-bit PseudoColor, say) would need a palette lookup per pixel
  // and colours the game never asked for.
  if (s.visual->c_class != TrueColor) {
    throw Error(std::string("the X screen has a ") + std::to_string(s.depth) + "-bit " +
                visualClassName(s.visual->c_class) +
                " visual; deskball needs a TrueColor screen of 15, 16, 24 or 32 bits "
                "(run the X server at depth 24)");
  }
  if (s.bitsPerPixel != 16 && s.bitsPerPixel != 24 && s.bitsPerPixel != 32) {
    throw Error("the X screen stores " + std::to_string(s.bitsPerPixel) +
                " bits per pixel; deskball needs 16, 24 or 32 (run the X server at depth 24)");
  }
  s.format.redMask = static_cast<uint32_t>(s.visual->red_mask);
  s.format.greenMask = static_cast<uint32_t>(s.visual->green_mask);
  s.format.blueMask = static_cast<uint32_t>(s.visual->blue_mask);
  s.format.depth = s.depth;
  s.valueMask = s.format.redMask | s.format.greenMask | s.format.blueMask;
  s.serverOrderIsOurs = (ImageByteOrder(dpy) == LSBFirst) == HostIsLittleEndian;

  XGCValues values{};
  values.subwindow_mode = IncludeInferiors;  // draw over every window on the root
  values.graphics_exposures = False;
  s.gc = XCreateGC(dpy, s.root, GCSubwindowMode | GCGraphicsExposures, &values);

  attachSharedMemory();
  chooseMode();
}

X11Screen::~X11Screen() {
  State& s = s_;
  if (s.overlay) {
    X11ErrorTrap trap(s.dpy);  // the server may be tearing it down already
    XDestroyWindow(s.dpy, s.overlay);
  }
  if (s.shmAttached) {
    XShmDetach(s.dpy, &s.shm);
    XSync(s.dpy, False);
    shmdt(s.shm.shmaddr);
  }
  if (s.gc) XFreeGC(s.dpy, s.gc);
}

// One segment the size of the whole screen, attached once; every shared read
// uses a part of it. The server must be able to map it (a local server that
// offers MIT-SHM); a remote or refusing server makes the attach fail, which
// the trap notices, and reads go the plain way.
void X11Screen::attachSharedMemory() {
  State& s = s_;
  int major = 0, minor = 0;
  Bool pixmaps = False;
  if (!XShmQueryExtension(s.dpy) || !XShmQueryVersion(s.dpy, &major, &minor, &pixmaps)) return;

  XImage* probe = XShmCreateImage(s.dpy, s.visual, static_cast<unsigned>(s.depth), ZPixmap, nullptr,
                                  &s.shm, static_cast<unsigned>(s.width), static_cast<unsigned>(s.height));
  if (!probe) return;
  const size_t size = static_cast<size_t>(probe->bytes_per_line) * static_cast<size_t>(s.height);
  XDestroyImage(probe);

  s.shm.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
  if (s.shm.shmid < 0) return;
  s.shm.shmaddr = static_cast<char*>(shmat(s.shm.shmid, nullptr, 0));
  if (s.shm.shmaddr == reinterpret_cast<char*>(-1)) {
    shmctl(s.shm.shmid, IPC_RMID, nullptr);
    return;
  }
  s.shm.readOnly = False;

  int error = 0;
  {
    X11ErrorTrap trap(s.dpy);
    const Bool sent = XShmAttach(s.dpy, &s.shm);
    error = sent ? trap.check() : BadAccess;
  }
  // Marked for removal now: the segment goes away with the last detach,
  // however the program ends.
  shmctl(s.shm.shmid, IPC_RMID, nullptr);
  if (error != 0) {
    shmdt(s.shm.shmaddr);
    s.shm = {};
    return;
  }
  s.shmAttached = true;
}

void X11Screen::copyTo(gfx::Image& dst, int dx, int dy, int w, int h, int sx, int sy) {
  gfx::CopyRect r{dx, dy, w, h, sx, sy};
  if (!gfx::clipCopy(r, dst.width(), dst.height(), s_.width, s_.height)) return;
  uint32_t* out = dst.bits();
  if (!(s_.shmAttached && readShared(r, out, dst.width()))) readPlain(r, out, dst.width());
  if (s_.mode == Mode::Overlay) overlayRead(r, out, dst.width());
}

bool X11Screen::readShared(const gfx::CopyRect& r, uint32_t* dst, int dstStride) {
  State& s = s_;
  XImage* img = XShmCreateImage(s.dpy, s.visual, static_cast<unsigned>(s.depth), ZPixmap, s.shm.shmaddr,
                                &s.shm, static_cast<unsigned>(r.w), static_cast<unsigned>(r.h));
  if (!img) return false;
  const bool ok = XShmGetImage(s.dpy, s.root, img, s.originX + r.sx, s.originY + r.sy, AllPlanes) != 0;
  if (ok) decode(img, r, dst, dstStride);
  img->data = nullptr;  // the segment is ours, not the image's
  XDestroyImage(img);
  return ok;
}

bool X11Screen::readPlain(const gfx::CopyRect& r, uint32_t* dst, int dstStride) {
  State& s = s_;
  // A failed read (the error handler logs it) leaves the image as it was.
  XImage* img = XGetImage(s.dpy, s.root, s.originX + r.sx, s.originY + r.sy, static_cast<unsigned>(r.w), static_cast<unsigned>(r.h),
                          AllPlanes, ZPixmap);
  if (!img) return false;
  decode(img, r, dst, dstStride);
  XDestroyImage(img);
  return true;
}

void X11Screen::decode(XImage* img, const gfx::CopyRect& r, uint32_t* dst, int dstStride) const {
  const State& s = s_;
  const bool hostOrder = (img->byte_order == LSBFirst) == HostIsLittleEndian;
  for (int j = 0; j < r.h; ++j) {
    uint32_t* out = dst + static_cast<size_t>(r.dy + j) * dstStride + r.dx;
    const unsigned char* row =
        reinterpret_cast<const unsigned char*>(img->data) + static_cast<size_t>(j) * img->bytes_per_line;
    if (!hostOrder) {
      for (int i = 0; i < r.w; ++i) out[i] = static_cast<uint32_t>(XGetPixel(img, i, j)) & s.valueMask;
      continue;
    }
    switch (img->bits_per_pixel) {
      case 32:
        std::memcpy(out, row, static_cast<size_t>(r.w) * 4);
        for (int i = 0; i < r.w; ++i) out[i] &= s.valueMask;
        break;
      case 16:
        for (int i = 0; i < r.w; ++i) {
          uint16_t v;
          std::memcpy(&v, row + 2 * i, 2);
          out[i] = v & s.valueMask;
        }
        break;
      case 24:
        for (int i = 0; i < r.w; ++i) {
          const unsigned char* p = row + 3 * i;
          const uint32_t v = HostIsLittleEndian ? (p[0] | (p[1] << 8) | (p[2] << 16))
                                                : ((p[0] << 16) | (p[1] << 8) | p[2]);
          out[i] = v & s.valueMask;
        }
        break;
      default:
        for (int i = 0; i < r.w; ++i) out[i] = static_cast<uint32_t>(XGetPixel(img, i, j)) & s.valueMask;
        break;
    }
  }
}

void X11Screen::copyFrom(int dx, int dy, int w, int h, const gfx::Image& src, int sx, int sy) {
  State& s = s_;
  gfx::CopyRect r{dx, dy, w, h, sx, sy};
  if (!src.bits() || !gfx::clipCopy(r, s.width, s.height, src.width(), src.height())) return;
  if (s.mode == Mode::Overlay) {
    overlayWrite(r, src);
    return;
  }
  r.dx += s.originX;
  r.dy += s.originY;
  put(s.root, src.bits(), src.width(), src.height(), r);
}

// Sends src's rectangle (r.sx, r.sy, r.w, r.h) to (r.dx, r.dy) of the
// drawable, in the server's pixel layout.
void X11Screen::put(Drawable d, const uint32_t* bits, int srcW, int srcH, const gfx::CopyRect& r) {
  State& s = s_;
  // 32 bits per pixel in our byte order: the image's own buffer is already
  // what the server wants, so it is sent as it is, from (sx, sy).
  if (s.bitsPerPixel == 32 && s.serverOrderIsOurs) {
    XImage* img = XCreateImage(s.dpy, s.visual, static_cast<unsigned>(s.depth), ZPixmap, 0,
                               const_cast<char*>(reinterpret_cast<const char*>(bits)),
                               static_cast<unsigned>(srcW), static_cast<unsigned>(srcH), 32, srcW * 4);
    if (!img) return;
    XPutImage(s.dpy, d, s.gc, img, r.sx, r.sy, r.dx, r.dy, static_cast<unsigned>(r.w),
              static_cast<unsigned>(r.h));
    img->data = nullptr;
    XDestroyImage(img);
    return;
  }

  // Otherwise the rectangle is packed into the server's layout first.
  const int bytesPerPixel = s.bitsPerPixel / 8;
  const int stride = (r.w * bytesPerPixel + 3) & ~3;
  s.scratch.resize(static_cast<size_t>(stride) * r.h);
  XImage* img = XCreateImage(s.dpy, s.visual, static_cast<unsigned>(s.depth), ZPixmap, 0,
                             reinterpret_cast<char*>(s.scratch.data()), static_cast<unsigned>(r.w),
                             static_cast<unsigned>(r.h), 32, stride);
  if (!img) return;
  for (int j = 0; j < r.h; ++j) {
    const uint32_t* in = bits + static_cast<size_t>(r.sy + j) * srcW + r.sx;
    unsigned char* row = s.scratch.data() + static_cast<size_t>(j) * stride;
    if (!s.serverOrderIsOurs) {
      for (int i = 0; i < r.w; ++i) XPutPixel(img, i, j, in[i]);
      continue;
    }
    for (int i = 0; i < r.w; ++i) {
      const uint32_t v = in[i];
      if (bytesPerPixel == 2) {
        const uint16_t v16 = static_cast<uint16_t>(v);
        std::memcpy(row + 2 * i, &v16, 2);
      } else if (bytesPerPixel == 3) {
        unsigned char* p = row + 3 * i;
        if (HostIsLittleEndian) {
          p[0] = v & 0xFF, p[1] = (v >> 8) & 0xFF, p[2] = (v >> 16) & 0xFF;
        } else {
          p[0] = (v >> 16) & 0xFF, p[1] = (v >> 8) & 0xFF, p[2] = v & 0xFF;
        }
      } else {
        std::memcpy(row + 4 * i, &v, 4);
      }
    }
  }
  XPutImage(s.dpy, d, s.gc, img, 0, 0, r.dx, r.dy, static_cast<unsigned>(r.w), static_cast<unsigned>(r.h));
  img->data = nullptr;
  XDestroyImage(img);
}

void X11Screen::flush() {
  if (s_.mode == Mode::Overlay) overlayFlush();
  XFlush(s_.dpy);
}

// --- overlay mode -----------------------------------------------------------

void X11Screen::chooseMode() {
  State& s = s_;
  const int scr = DefaultScreen(s.dpy);
  if (!x11CompositorRunning(s.dpy, scr)) return;
  // The overlay needs SHAPE for its bounding shape and XFixes 2 for the empty
  // input shape (a window the pointer passed through only by SHAPE 1.1 would
  // do too, but every server with a compositor has both).
  int event = 0, error = 0, major = 0, minor = 0;
  const bool shape = XShapeQueryExtension(s.dpy, &event, &error) != 0;
  const bool fixes = XFixesQueryExtension(s.dpy, &event, &error) && XFixesQueryVersion(s.dpy, &major, &minor) &&
                     major >= 2;
  if (!shape || !fixes) {
    std::fprintf(stderr,
                 "deskball: a compositing manager runs but the X server lacks %s; the game draws on the root "
                 "window, where the composited windows may hide it\n",
                 !shape ? "the SHAPE extension" : "XFixes 2");
    return;
  }
  const size_t n = static_cast<size_t>(s.width) * static_cast<size_t>(s.height);
  s.canvas.assign(n, 0);
  s.desktop.assign(n, NotTheDesktop);
  s.shown.assign(n, 0);
  s.mode = Mode::Overlay;
}

// The overlay window: over the game's monitor, no frame, the pointer passes
// through, nothing shown until the game draws. Any failure here (the server
// out of memory, say) sends the game back to the root window with a note.
bool X11Screen::createOverlay() {
  State& s = s_;
  if (s.overlay) return true;
  Display* dpy = s.dpy;
  int error = 0;
  {
    X11ErrorTrap trap(dpy);
    XSetWindowAttributes a{};
    a.override_redirect = True;
    // No background: the server paints nothing of its own into the window.
    // No exposures either: every time the shape grows the server reports
    // the new part as exposed, which the flush has already drawn. Should the
    // compositor go away, the window shows what was last composited there
    // (its own picture) until the game draws again.
    a.background_pixmap = None;
    a.border_pixel = 0;
    s.overlay = XCreateWindow(dpy, s.root, s.originX, s.originY, static_cast<unsigned>(s.width),
                              static_cast<unsigned>(s.height), 0, s.depth, InputOutput, s.visual,
                              CWOverrideRedirect | CWBackPixmap | CWBorderPixel, &a);
    error = trap.check();
    if (error == 0 && s.overlay) {
      XShapeCombineRectangles(dpy, s.overlay, ShapeBounding, 0, 0, nullptr, 0, ShapeSet, YXBanded);
      const XserverRegion none = XFixesCreateRegion(dpy, nullptr, 0);
      XFixesSetWindowShapeRegion(dpy, s.overlay, ShapeInput, 0, 0, none);
      XFixesDestroyRegion(dpy, none);
      // A name and class a user can match in the compositor's rules (no
      // shadow, no fade), and a plea to keep compositing while it is up.
      XStoreName(dpy, s.overlay, "deskball");
      XClassHint hint{const_cast<char*>("deskball-overlay"), const_cast<char*>("Deskball")};
      XSetClassHint(dpy, s.overlay, &hint);
      const long keep = 2;  // _NET_WM_BYPASS_COMPOSITOR: 2 = do not unredirect
      XChangeProperty(dpy, s.overlay, XInternAtom(dpy, "_NET_WM_BYPASS_COMPOSITOR", False), XA_CARDINAL, 32,
                      PropModeReplace, reinterpret_cast<const unsigned char*>(&keep), 1);
      error = trap.check();
    }
  }
  if (error != 0 || !s.overlay) {
    if (s.overlay) {
      X11ErrorTrap trap(dpy);
      XDestroyWindow(dpy, s.overlay);
    }
    s.overlay = 0;
    dropOverlay("the overlay window could not be made");
    return false;
  }
  return true;
}

// Back to the root window for good, with whatever was waiting to be shown.
void X11Screen::dropOverlay(const char* why) {
  State& s = s_;
  std::fprintf(stderr, "deskball: %s; the game draws on the root window, where the composited windows may hide it\n",
               why);
  s.mode = Mode::Root;
  for (const Rect& d : s.dirty) {
    gfx::CopyRect r{s.originX + d.x, s.originY + d.y, d.w, d.h, d.x, d.y};
    put(s.root, s.canvas.data(), s.width, s.height, r);
  }
  s.dirty.clear();
  s.canvas = {};
  s.desktop = {};
  s.shown = {};
}

void X11Screen::mapOverlay() {
  State& s = s_;
  if (s.mode != Mode::Overlay || s.overlayMapped || !createOverlay()) return;
  XMapRaised(s.dpy, s.overlay);
  s.overlayMapped = true;
}

bool X11Screen::clearOverlay() {
  State& s = s_;
  if (s.mode != Mode::Overlay) return false;
  std::fill(s.shown.begin(), s.shown.end(), 0);
  s.dirty.clear();
  if (s.overlay) XShapeCombineRectangles(s.dpy, s.overlay, ShapeBounding, 0, 0, nullptr, 0, ShapeSet, YXBanded);
  XFlush(s.dpy);
  return true;
}

// Writes remember the pixels and which of them the overlay shows; the
// server hears of them at the flush.
void X11Screen::overlayWrite(const gfx::CopyRect& r, const gfx::Image& src) {
  State& s = s_;
  const bool restore = src.width() == s.width && src.height() == s.height && r.sx == r.dx && r.sy == r.dy;
  for (int j = 0; j < r.h; ++j) {
    const size_t at = static_cast<size_t>(r.dy + j) * s.width + r.dx;
    const uint32_t* in = src.bits() + static_cast<size_t>(r.sy + j) * src.width() + r.sx;
    uint32_t* canvas = s.canvas.data() + at;
    unsigned char* shown = s.shown.data() + at;
    std::memcpy(canvas, in, static_cast<size_t>(r.w) * sizeof(uint32_t));
    if (restore) {
      const uint32_t* desk = s.desktop.data() + at;
      for (int i = 0; i < r.w; ++i) shown[i] = in[i] != desk[i];
    } else {
      std::memset(shown, 1, static_cast<size_t>(r.w));
    }
  }
  s.dirty.push_back({r.dx, r.dy, r.w, r.h});
}

// The read saw the composited screen: the live desktop, and on top of it
// whatever the compositor last painted of the overlay. What the game wrote
// is taken from the canvas instead, as a read of the root would return the
// game's own pixels there: where the overlay shows (which the compositor
// may not have painted yet) and where a write is still waiting for the flush
// (a restore the compositor has not yet taken off). What lies beneath the
// overlay's pixels is not known and is marked so.
void X11Screen::overlayRead(const gfx::CopyRect& r, uint32_t* dst, int dstStride) {
  State& s = s_;
  for (int j = 0; j < r.h; ++j) {
    const size_t at = static_cast<size_t>(r.sy + j) * s.width + r.sx;
    uint32_t* out = dst + static_cast<size_t>(r.dy + j) * dstStride + r.dx;
    const unsigned char* shown = s.shown.data() + at;
    const uint32_t* canvas = s.canvas.data() + at;
    uint32_t* desk = s.desktop.data() + at;
    for (int i = 0; i < r.w; ++i) {
      if (shown[i]) {
        out[i] = canvas[i];
        desk[i] = NotTheDesktop;
      } else {
        desk[i] = out[i];
      }
    }
  }
  for (const Rect& d : s.dirty) {
    const int x0 = std::max(d.x, r.sx), y0 = std::max(d.y, r.sy);
    const int x1 = std::min(d.x + d.w, r.sx + r.w), y1 = std::min(d.y + d.h, r.sy + r.h);
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        const size_t at = static_cast<size_t>(y) * s.width + x;
        if (s.shown[at]) continue;
        dst[static_cast<size_t>(r.dy + y - r.sy) * dstStride + r.dx + x - r.sx] = s.canvas[at];
        s.desktop[at] = s.canvas[at];
      }
    }
  }
}

// Once per tick: the shape loses every rectangle written since the last
// flush and gains back the pixels of them it shows (runs of a row, rows
// with the same run merged), then those pixels are sent. The pixels go after
// the shape, as a window's drawing is clipped to its shape.
void X11Screen::overlayFlush() {
  State& s = s_;
  if (s.dirty.empty()) return;
  if (!s.overlayMapped) {
    mapOverlay();
    if (s.mode != Mode::Overlay) return;
  }
  std::vector<XRectangle> cut, keep;
  std::vector<size_t> drawn;  // dirty rectangles with something shown
  cut.reserve(s.dirty.size());
  struct Run {
    int x0, x1, y0;
  };
  std::vector<Run> open, next;
  for (size_t k = 0; k < s.dirty.size(); ++k) {
    const Rect& d = s.dirty[k];
    const int x0 = std::max(d.x, 0), y0 = std::max(d.y, 0);
    const int x1 = std::min(d.x + d.w, s.width), y1 = std::min(d.y + d.h, s.height);
    if (x1 <= x0 || y1 <= y0) continue;
    cut.push_back(xrect(x0, y0, x1 - x0, y1 - y0));
    const size_t before = keep.size();
    open.clear();
    for (int y = y0; y <= y1; ++y) {
      next.clear();
      if (y < y1) {
        const unsigned char* row = s.shown.data() + static_cast<size_t>(y) * s.width;
        for (int x = x0; x < x1;) {
          if (!row[x]) {
            ++x;
            continue;
          }
          const int start = x;
          while (x < x1 && row[x]) ++x;
          next.push_back({start, x, y});
        }
      }
      // A run that goes on unchanged from the row above extends it; the
      // others end here.
      size_t a = 0;
      for (Run& n : next) {
        while (a < open.size() && open[a].x0 < n.x0) {
          keep.push_back(xrect(open[a].x0, open[a].y0, open[a].x1 - open[a].x0, y - open[a].y0));
          ++a;
        }
        if (a < open.size() && open[a].x0 == n.x0 && open[a].x1 == n.x1) n.y0 = open[a++].y0;
      }
      for (; a < open.size(); ++a)
        keep.push_back(xrect(open[a].x0, open[a].y0, open[a].x1 - open[a].x0, y - open[a].y0));
      open.swap(next);
    }
    if (keep.size() > before) drawn.push_back(k);
  }
  // Under a grab, so the compositor sees the tick whole: never the shape
  // cut and not yet grown back (a sprite blinking out), nor grown over
  // pixels not yet sent (a frame of stale ones). The grab lasts as long as
  // the server takes for these few requests.
  XGrabServer(s.dpy);
  shapeRects(s.dpy, s.overlay, ShapeSubtract, cut);
  shapeRects(s.dpy, s.overlay, ShapeUnion, keep);
  for (size_t k : drawn) {
    const Rect& d = s.dirty[k];
    const int x0 = std::max(d.x, 0), y0 = std::max(d.y, 0);
    const int x1 = std::min(d.x + d.w, s.width), y1 = std::min(d.y + d.h, s.height);
    put(s.overlay, s.canvas.data(), s.width, s.height, {x0, y0, x1 - x0, y1 - y0, x0, y0});
  }
  XUngrabServer(s.dpy);
  s.dirty.clear();
}

}  // namespace plat
