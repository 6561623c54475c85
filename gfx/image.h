// Surfaces: the off-screen images and the screen they are copied to and from.
//
// Every picture the game shows is a plain rectangle copy between two surfaces:
// the screen (a gfx::Screen, implemented by each platform backend) and memory
// images (gfx::Image: the snapshot, the background tile and the sprite sheet).
// Nothing is blended or scaled, and nothing is drawn but copies and single
// pixels.
//
// Pixels are stored in the screen's own format (PixelFormat: where red, green
// and blue sit in a pixel value and how many bits each has), one 32-bit value
// per pixel whatever the depth, so a copy moves stored values unchanged and a
// 16-bit screen round-trips exactly. Colours that the game names are
// 0x00BBGGRR (red in the low byte); Image::pixel/setPixel convert between the
// two. 0xFFFFFFFF is no colour: it is what a read outside a surface gives.
//
// Start reading at BitBlt below: it is the one operation the game draws with.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace gfx {

using Colour = uint32_t;  // 0x00BBGGRR
constexpr Colour ClrInvalid = 0xFFFFFFFF;

struct Point {
  int x = 0;
  int y = 0;
};

// Where the channels of a stored pixel value sit. Masks must be contiguous
// runs of bits; a channel of fewer than 8 bits stores the nearest level.
struct PixelFormat {
  uint32_t redMask = 0xFF0000;
  uint32_t greenMask = 0x00FF00;
  uint32_t blueMask = 0x0000FF;
  int depth = 24;  // significant bits per pixel, for messages and tests

  static PixelFormat rgb888() { return {}; }
  static PixelFormat rgb565() { return {0xF800, 0x07E0, 0x001F, 16}; }
  static PixelFormat rgb555() { return {0x7C00, 0x03E0, 0x001F, 15}; }

  uint32_t encode(Colour c) const;      // colour -> stored pixel (nearest)
  Colour decode(uint32_t pixel) const;  // stored pixel -> colour
  bool operator==(const PixelFormat&) const = default;
};

// A memory bitmap with a size recorded before its first use, as an image
// component works: setting Width/Height only records the size; the first
// access to the pixels makes a white bitmap of that size, and the bitmap
// keeps it from then on.
class Image {
 public:
  explicit Image(const PixelFormat& format, int width = 105, int height = 105)
      : format_(format), width_(width), height_(height) {}

  void setWidth(int w) { width_ = w; }
  void setHeight(int h) { height_ = h; }

  bool hasBitmap() const { return made_; }
  // The bitmap's size once made, the recorded size before.
  int width() const { return made_ ? bmWidth_ : width_; }
  int height() const { return made_ ? bmHeight_ : height_; }
  const PixelFormat& format() const { return format_; }

  // Canvas pixel access. Reading outside gives ClrInvalid; writing outside is
  // ignored; writing ClrInvalid stores black.
  Colour pixel(int x, int y);
  void setPixel(int x, int y, Colour c);

  // Raw stored values, row-major, stride == width(). Makes the bitmap.
  uint32_t* bits() { return bitmap(); }
  const uint32_t* bits() const { return made_ ? data_.data() : nullptr; }

 private:
  uint32_t* bitmap() { return made_ ? data_.data() : makeBitmap(); }
  uint32_t* makeBitmap();

  PixelFormat format_;
  int width_;
  int height_;
  int bmWidth_ = 0;
  int bmHeight_ = 0;
  bool made_ = false;
  std::vector<uint32_t> data_;
};

// The whole screen, as the game sees it: its size and format, copies of a
// rectangle into an image and out of one. Each backend implements it.
// Both copies are clipped at both ends: a pixel whose source or destination
// point lies outside its surface is not written, and the rest is still done.
class Screen {
 public:
  virtual ~Screen() = default;
  virtual int width() const = 0;
  virtual int height() const = 0;
  virtual const PixelFormat& format() const = 0;
  // dst(dx+i, dy+j) := screen(sx+i, sy+j)
  virtual void copyTo(Image& dst, int dx, int dy, int w, int h, int sx, int sy) = 0;
  // screen(dx+i, dy+j) := src(sx+i, sy+j)
  virtual void copyFrom(int dx, int dy, int w, int h, const Image& src, int sx, int sy) = 0;
  // Send what was drawn since the last flush (one per tick or command).
  virtual void flush() = 0;
};

// A copy rectangle reduced to the part that lies inside both surfaces.
// Returns false when nothing is left.
struct CopyRect {
  int dx, dy, w, h, sx, sy;
};
bool clipCopySlow(CopyRect& r, int dstW, int dstH, int srcW, int srcH);
inline bool clipCopy(CopyRect& r, int dstW, int dstH, int srcW, int srcH) {
  // Nearly every copy of a tick lies wholly inside both surfaces.
  if ((r.dx | r.dy | r.sx | r.sy) >= 0 && r.w > 0 && r.h > 0 && int64_t(r.dx) + r.w <= dstW &&
      int64_t(r.sx) + r.w <= srcW && int64_t(r.dy) + r.h <= dstH && int64_t(r.sy) + r.h <= srcH)
    return true;
  return clipCopySlow(r, dstW, dstH, srcW, srcH);
}

// The rectangle copy, with its arguments in the order the game writes them:
// destination, dx, dy, width, height, source, sx, sy.
void BitBlt(Image& dst, int dx, int dy, int w, int h, Image& src, int sx, int sy);
inline void BitBlt(Screen& dst, int dx, int dy, int w, int h, Image& src, int sx, int sy) {
  src.bits();  // first use makes the bitmap
  dst.copyFrom(dx, dy, w, h, src, sx, sy);
}
void BitBlt(Image& dst, int dx, int dy, int w, int h, Screen& src, int sx, int sy);

// Plain copy between two raw buffers of the same format, already clipped.
// Inline, because a tick makes hundreds of them and most are a few pixels
// wide: the common widths get a fixed-size row copy (a memcpy of a constant
// size compiles to a couple of plain moves), the rest a memcpy per row.
template <int W>
inline void copyFixedRows(uint32_t* d, int dstStride, const uint32_t* s, int srcStride, int h) {
  for (int j = 0; j < h; ++j, d += dstStride, s += srcStride) std::memcpy(d, s, W * sizeof(uint32_t));
}

inline void copyRows(uint32_t* dst, int dstStride, const uint32_t* src, int srcStride, const CopyRect& r) {
  uint32_t* d = dst + static_cast<size_t>(r.dy) * dstStride + r.dx;
  const uint32_t* s = src + static_cast<size_t>(r.sy) * srcStride + r.sx;
  switch (r.w) {
    case 1: return copyFixedRows<1>(d, dstStride, s, srcStride, r.h);
    case 2: return copyFixedRows<2>(d, dstStride, s, srcStride, r.h);
    case 3: return copyFixedRows<3>(d, dstStride, s, srcStride, r.h);
    case 4: return copyFixedRows<4>(d, dstStride, s, srcStride, r.h);
    case 5: return copyFixedRows<5>(d, dstStride, s, srcStride, r.h);
    case 6: return copyFixedRows<6>(d, dstStride, s, srcStride, r.h);
    case 8: return copyFixedRows<8>(d, dstStride, s, srcStride, r.h);
    default: break;
  }
  const size_t bytes = static_cast<size_t>(r.w) * sizeof(uint32_t);
  for (int j = 0; j < r.h; ++j, d += dstStride, s += srcStride) std::memcpy(d, s, bytes);
}

}  // namespace gfx
