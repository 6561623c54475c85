// The screen as X shows it: the game's monitor (see x11_monitor.h) of the
// root window of the default screen. Game coordinates are the monitor's:
// (0, 0) is its top-left corner wherever it lies on the root.
//
// Reads take the root's pixels including every window on it (that is what a
// read of the root gives; under a compositing manager it is the composited
// picture). Stored pixel values are the visual's own (a 16-bit screen keeps
// 5-6-5 values, a 24-bit one 8-8-8), so a copy out and back in is exact.
//
// Big reads (the snapshot of a new game) go through MIT-SHM when the server
// offers it and lets us attach a segment; otherwise through plain GetImage.
// Writes are small (sprites, one cell) and go as PutImage requests, sent on
// flush(); nothing here waits for the server except a read.
//
// Where the writes land depends on the desktop:
//
//   Root     No compositing manager: the root window itself, through a GC in
//            IncludeInferiors mode, so the sprites land on top of whatever
//            windows are there. A window that repaints wipes what was drawn
//            over it, as it would for any program drawing on the desktop.
//
//   Overlay  A compositing manager runs (it owns _NET_WM_CM_S<screen>). It
//            paints every window from its own copy on top of the root, so
//            drawing on the root would be hidden under the next composited
//            frame. The game draws instead into a window of its own over the
//            monitor: override-redirect (no frame, no focus), an empty input
//            shape (every click and the pointer go to the windows beneath)
//            and a bounding shape that holds only what the game shows. Each
//            pixel's state lives here, in `shown`; flush() brings the window's
//            shape and pixels up to date with one pair of shape requests.
//
// In overlay mode a write is one of two kinds:
//   - a restore: a copy from a screen-sized image to the same place, which is
//     the game putting back its snapshot where a sprite was. Where the
//     restored pixel is what the desktop showed when the snapshot was taken,
//     it leaves the shape and the live desktop shows through again; where
//     the game changed its snapshot (a broken block's cell, now background)
//     it stays, as that pixel, exactly as a restore on the root would paint;
//   - anything else (a sprite, a broken block's background cell): joins the
//     shape with its pixels.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <string>
#include <vector>

#include "gfx/image.h"
#include "platform/x11/x11_monitor.h"

namespace plat {

class X11Screen : public gfx::Screen {
 public:
  enum class Mode { Root, Overlay };

  // `area` is the game's part of the root, in root coordinates. Throws
  // plat::Error when the default visual cannot be used (not TrueColor, or a
  // pixel layout the game cannot store).
  X11Screen(Display* dpy, const X11Monitor& area);
  ~X11Screen() override;
  X11Screen(const X11Screen&) = delete;
  X11Screen& operator=(const X11Screen&) = delete;

  int width() const override { return s_.width; }
  int height() const override { return s_.height; }
  const gfx::PixelFormat& format() const override { return s_.format; }
  void copyTo(gfx::Image& dst, int dx, int dy, int w, int h, int sx, int sy) override;
  void copyFrom(int dx, int dy, int w, int h, const gfx::Image& src, int sx, int sy) override;
  void flush() override;

  bool usesSharedMemory() const { return s_.shmAttached; }
  Mode mode() const { return s_.mode; }
  int originX() const { return s_.originX; }
  int originY() const { return s_.originY; }

  // Overlay mode: puts the (still empty) overlay on the screen, so that the
  // game's own window, shown after, stacks above it. Otherwise a no-op; the
  // overlay also appears by itself on the first flush that draws.
  void mapOverlay();
  // Overlay mode: everything the game shows leaves the overlay (the shape
  // becomes empty), so the live desktop shows everywhere. Returns false in
  // root mode, where the caller has the windows repaint instead.
  bool clearOverlay();

 private:
  struct Rect {
    int x, y, w, h;
  };
  bool readShared(const gfx::CopyRect& r, uint32_t* dst, int dstStride);
  bool readPlain(const gfx::CopyRect& r, uint32_t* dst, int dstStride);
  void decode(XImage* img, const gfx::CopyRect& r, uint32_t* dst, int dstStride) const;
  void attachSharedMemory();
  void put(Drawable d, const uint32_t* bits, int srcW, int srcH, const gfx::CopyRect& r);
  void chooseMode();
  bool createOverlay();
  void dropOverlay(const char* why);
  void overlayRead(const gfx::CopyRect& r, uint32_t* dst, int dstStride);
  void overlayWrite(const gfx::CopyRect& r, const gfx::Image& src);
  void overlayFlush();

  struct State {
    Display* dpy = nullptr;
    Window root = 0;
    Visual* visual = nullptr;
    int depth = 0;
    int bitsPerPixel = 0;
    int width = 0;
    int height = 0;
    int originX = 0;  // the game's (0, 0) on the root
    int originY = 0;
    gfx::PixelFormat format;
    uint32_t valueMask = 0;  // the bits a pixel value may have set
    bool serverOrderIsOurs = true;
    GC gc = nullptr;
    XShmSegmentInfo shm{};
    bool shmAttached = false;
    std::vector<unsigned char> scratch;  // packed pixels of one write

    Mode mode = Mode::Root;
    Window overlay = 0;              // created on first use
    bool overlayMapped = false;
    // One entry per pixel of the monitor, overlay mode only:
    std::vector<uint32_t> canvas;    // the game's last write there
    std::vector<uint32_t> desktop;   // the desktop's pixel at the last read,
                                     // NotTheDesktop where the overlay showed
    std::vector<unsigned char> shown;  // 1: in the overlay's shape
    std::vector<Rect> dirty;         // written since the last flush
  } s_;
};

// Whether a compositing manager runs on that screen of the display.
bool x11CompositorRunning(Display* dpy, int screen);

}  // namespace plat
