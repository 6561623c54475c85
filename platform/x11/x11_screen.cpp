#include "platform/x11/x11_screen.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <bit>
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

}  // namespace

X11Screen::X11Screen(Display* dpy) {
  State& s = s_;
  s.dpy = dpy;
  const int scr = DefaultScreen(dpy);
  s.root = RootWindow(dpy, scr);
  s.visual = DefaultVisual(dpy, scr);
  s.depth = DefaultDepth(dpy, scr);
  s.width = DisplayWidth(dpy, scr);
  s.height = DisplayHeight(dpy, scr);
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
}

X11Screen::~X11Screen() {
  State& s = s_;
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
  if (s_.shmAttached && readShared(r, out, dst.width())) return;
  readPlain(r, out, dst.width());
}

bool X11Screen::readShared(const gfx::CopyRect& r, uint32_t* dst, int dstStride) {
  State& s = s_;
  XImage* img = XShmCreateImage(s.dpy, s.visual, static_cast<unsigned>(s.depth), ZPixmap, s.shm.shmaddr,
                                &s.shm, static_cast<unsigned>(r.w), static_cast<unsigned>(r.h));
  if (!img) return false;
  const bool ok = XShmGetImage(s.dpy, s.root, img, r.sx, r.sy, AllPlanes) != 0;
  if (ok) decode(img, r, dst, dstStride);
  img->data = nullptr;  // the segment is ours, not the image's
  XDestroyImage(img);
  return ok;
}

bool X11Screen::readPlain(const gfx::CopyRect& r, uint32_t* dst, int dstStride) {
  State& s = s_;
  // A failed read (the error handler logs it) leaves the image as it was.
  XImage* img = XGetImage(s.dpy, s.root, r.sx, r.sy, static_cast<unsigned>(r.w), static_cast<unsigned>(r.h),
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
  const uint32_t* bits = src.bits();
  gfx::CopyRect r{dx, dy, w, h, sx, sy};
  if (!bits || !gfx::clipCopy(r, s.width, s.height, src.width(), src.height())) return;

  // 32 bits per pixel in our byte order: the image's own buffer is already
  // what the server wants, so it is sent as it is, from (sx, sy).
  if (s.bitsPerPixel == 32 && s.serverOrderIsOurs) {
    XImage* img = XCreateImage(s.dpy, s.visual, static_cast<unsigned>(s.depth), ZPixmap, 0,
                               const_cast<char*>(reinterpret_cast<const char*>(bits)),
                               static_cast<unsigned>(src.width()), static_cast<unsigned>(src.height()), 32,
                               src.width() * 4);
    if (!img) return;
    XPutImage(s.dpy, s.root, s.gc, img, r.sx, r.sy, r.dx, r.dy, static_cast<unsigned>(r.w),
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
    const uint32_t* in = bits + static_cast<size_t>(r.sy + j) * src.width() + r.sx;
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
  XPutImage(s.dpy, s.root, s.gc, img, 0, 0, r.dx, r.dy, static_cast<unsigned>(r.w), static_cast<unsigned>(r.h));
  img->data = nullptr;
  XDestroyImage(img);
}

void X11Screen::flush() { XFlush(s_.dpy); }

}  // namespace plat
