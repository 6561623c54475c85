#include "gfx/image.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace gfx {

namespace {

struct Channel {
  int shift;
  int bits;
};

Channel channelOf(uint32_t mask) {
  if (mask == 0) return {0, 0};
  return {std::countr_zero(mask), std::popcount(mask)};
}

uint32_t toLevel(uint32_t v8, Channel c) {
  if (c.bits >= 8) return v8 << (c.bits - 8);
  const uint32_t max = (1u << c.bits) - 1;
  return (v8 * max + 127) / 255;
}

uint32_t fromLevel(uint32_t level, Channel c) {
  if (c.bits >= 8) return level >> (c.bits - 8);
  const uint32_t max = (1u << c.bits) - 1;
  return (level * 255 + max / 2) / max;
}

}  // namespace

uint32_t PixelFormat::encode(Colour c) const {
  const Channel r = channelOf(redMask), g = channelOf(greenMask), b = channelOf(blueMask);
  return (toLevel(c & 0xFF, r) << r.shift) | (toLevel((c >> 8) & 0xFF, g) << g.shift) |
         (toLevel((c >> 16) & 0xFF, b) << b.shift);
}

Colour PixelFormat::decode(uint32_t pixel) const {
  const Channel r = channelOf(redMask), g = channelOf(greenMask), b = channelOf(blueMask);
  const uint32_t rv = fromLevel((pixel & redMask) >> r.shift, r);
  const uint32_t gv = fromLevel((pixel & greenMask) >> g.shift, g);
  const uint32_t bv = fromLevel((pixel & blueMask) >> b.shift, b);
  return rv | (gv << 8) | (bv << 16);
}

uint32_t* Image::makeBitmap() {
  made_ = true;
  bmWidth_ = std::max(width_, 0);
  bmHeight_ = std::max(height_, 0);
  data_.assign(static_cast<size_t>(bmWidth_) * static_cast<size_t>(bmHeight_), format_.encode(0xFFFFFF));
  return data_.data();
}

Colour Image::pixel(int x, int y) {
  const uint32_t* p = bitmap();
  if (x < 0 || y < 0 || x >= bmWidth_ || y >= bmHeight_) return ClrInvalid;
  return format_.decode(p[static_cast<size_t>(y) * bmWidth_ + x]);
}

void Image::setPixel(int x, int y, Colour c) {
  uint32_t* p = bitmap();
  if (x < 0 || y < 0 || x >= bmWidth_ || y >= bmHeight_) return;
  p[static_cast<size_t>(y) * bmWidth_ + x] = format_.encode(c == ClrInvalid ? 0 : c);
}

bool clipCopySlow(CopyRect& r, int dstW, int dstH, int srcW, int srcH) {
  // Shrink from the left/top until both start points are inside, then cut the
  // width/height to what both surfaces still hold. 64-bit sums keep huge
  // arguments from overflowing.
  auto clip1 = [](int& d, int& s, int& n, int dLim, int sLim) {
    const int64_t lead = std::max<int64_t>({0, -static_cast<int64_t>(d), -static_cast<int64_t>(s)});
    if (lead >= n) return false;
    d = static_cast<int>(d + lead);
    s = static_cast<int>(s + lead);
    n = static_cast<int>(n - lead);
    const int64_t room = std::min<int64_t>(static_cast<int64_t>(dLim) - d, static_cast<int64_t>(sLim) - s);
    if (room <= 0) return false;
    if (n > room) n = static_cast<int>(room);
    return true;
  };
  if (r.w <= 0 || r.h <= 0) return false;
  return clip1(r.dx, r.sx, r.w, dstW, srcW) && clip1(r.dy, r.sy, r.h, dstH, srcH);
}

void BitBlt(Image& dst, int dx, int dy, int w, int h, Image& src, int sx, int sy) {
  uint32_t* d = dst.bits();
  const uint32_t* s = src.bits();
  CopyRect r{dx, dy, w, h, sx, sy};
  if (!clipCopy(r, dst.width(), dst.height(), src.width(), src.height())) return;
  if (dst.format() == src.format()) {
    copyRows(d, dst.width(), s, src.width(), r);
    return;
  }
  for (int j = 0; j < r.h; ++j)
    for (int i = 0; i < r.w; ++i)
      dst.setPixel(r.dx + i, r.dy + j, src.pixel(r.sx + i, r.sy + j));
}

void BitBlt(Image& dst, int dx, int dy, int w, int h, Screen& src, int sx, int sy) {
  dst.bits();
  src.copyTo(dst, dx, dy, w, h, sx, sy);
}

}  // namespace gfx
