// The screen as X shows it: the root window of the default screen.
//
// Reads take the root's pixels including every window on it (that is what a
// read of the root gives); writes go through a GC in IncludeInferiors mode,
// so the game's sprites land on top of whatever windows are there. Stored
// pixel values are the visual's own (a 16-bit screen keeps 5-6-5 values,
// a 24-bit one 8-8-8), so a copy out and back in is exact.
//
// Big reads (the snapshot of a new game) go through MIT-SHM when the server
// offers it and lets us attach a segment; otherwise through plain GetImage.
// Writes are small (sprites, one cell) and go as PutImage requests, sent on
// flush(); nothing here waits for the server except a read.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <string>
#include <vector>

#include "gfx/image.h"

namespace plat {

class X11Screen : public gfx::Screen {
 public:
  // Throws plat::Error when the default visual cannot be used (not
  // TrueColor, or a pixel layout the game cannot store).
  explicit X11Screen(Display* dpy);
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

 private:
  bool readShared(const gfx::CopyRect& r, uint32_t* dst, int dstStride);
  bool readPlain(const gfx::CopyRect& r, uint32_t* dst, int dstStride);
  void decode(XImage* img, const gfx::CopyRect& r, uint32_t* dst, int dstStride) const;
  void attachSharedMemory();

  struct State {
    Display* dpy = nullptr;
    Window root = 0;
    Visual* visual = nullptr;
    int depth = 0;
    int bitsPerPixel = 0;
    int width = 0;
    int height = 0;
    gfx::PixelFormat format;
    uint32_t valueMask = 0;  // the bits a pixel value may have set
    bool serverOrderIsOurs = true;
    GC gc = nullptr;
    XShmSegmentInfo shm{};
    bool shmAttached = false;
    std::vector<unsigned char> scratch;  // packed pixels of one write
  } s_;
};

}  // namespace plat
