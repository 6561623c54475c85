// The screen through GDI. Both directions move whole rectangles with one GDI
// call each, clipped first with gfx::clipCopy so that neither GDI nor the
// image is ever asked for a pixel outside it.
#include <cstring>

#include "platform/win32/win32_host.h"

namespace plat {

namespace {

// A 32-bit top-down DIB header: rows run downwards as in gfx::Image.
BITMAPINFO topDown32(int width, int height) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

}  // namespace

void Win32DeclareDpiAware() {
  // Looked up by name: the first exists from Windows 10 1703 on, the second
  // from Vista on, and the i686 build should still start on older systems.
  HMODULE user32 = GetModuleHandleA("user32.dll");
  if (!user32) return;
  using ContextFn = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
  using AwareFn = BOOL(WINAPI*)();
  auto perMonitor = reinterpret_cast<ContextFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
  if (perMonitor && perMonitor(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) return;
  auto systemAware =
      reinterpret_cast<AwareFn>(reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDPIAware")));
  if (systemAware) systemAware();
}

Win32Screen::Win32Screen() {
  Win32DeclareDpiAware();
  // The DC of the whole screen is taken once here and kept for the whole
  // run: the one DC this backend does not give back after its use. Every
  // sprite of every tick is drawn through it. It is released only when the
  // screen goes, as the program ends.
  screenDC_ = GetDC(nullptr);
  if (!screenDC_) throw Error("cannot get the screen's device context");
  width_ = GetSystemMetrics(SM_CXSCREEN);
  height_ = GetSystemMetrics(SM_CYSCREEN);
  if (width_ <= 0 || height_ <= 0) {
    ReleaseDC(nullptr, screenDC_);
    screenDC_ = nullptr;
    throw Error("the screen has no size");
  }
}

Win32Screen::~Win32Screen() {
  if (screenDC_) ReleaseDC(nullptr, screenDC_);
}

// Screen -> image: one BitBlt of the clipped rectangle into a DIB section
// the size of that rectangle, then row copies into the image.
void Win32Screen::copyTo(gfx::Image& dst, int dx, int dy, int w, int h, int sx, int sy) {
  uint32_t* out = dst.bits();
  gfx::CopyRect r{dx, dy, w, h, sx, sy};
  if (!gfx::clipCopy(r, dst.width(), dst.height(), width_, height_)) return;

  const BITMAPINFO bi = topDown32(r.w, r.h);
  void* pixels = nullptr;
  HBITMAP dib = CreateDIBSection(screenDC_, &bi, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (!dib || !pixels) {
    if (dib) DeleteObject(dib);
    return;
  }
  HDC mem = CreateCompatibleDC(screenDC_);
  if (mem) {
    HGDIOBJ old = SelectObject(mem, dib);
    // CAPTUREBLT takes layered (translucent, shadowed) windows in as well:
    // the snapshot is what the user sees.
    BitBlt(mem, 0, 0, r.w, r.h, screenDC_, r.sx, r.sy, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    // The fourth byte of a BI_RGB pixel is undefined; the image keeps it 0,
    // as PixelFormat::encode does.
    const uint32_t* in = static_cast<const uint32_t*>(pixels);
    for (int j = 0; j < r.h; ++j) {
      const uint32_t* from = in + static_cast<size_t>(j) * r.w;
      uint32_t* to = out + static_cast<size_t>(r.dy + j) * dst.width() + r.dx;
      for (int i = 0; i < r.w; ++i) to[i] = from[i] & 0x00FFFFFF;
    }
    SelectObject(mem, old);
    DeleteDC(mem);
  }
  DeleteObject(dib);
}

// Image -> screen: straight out of the image's own buffer. The header
// describes only the rows that are copied (the first of them at the
// pointer), so the source rectangle spans the DIB's full height and its
// vertical origin cannot be misread, whichever way up GDI counts it.
void Win32Screen::copyFrom(int dx, int dy, int w, int h, const gfx::Image& src, int sx, int sy) {
  const uint32_t* in = src.bits();
  if (!in) return;
  gfx::CopyRect r{dx, dy, w, h, sx, sy};
  if (!gfx::clipCopy(r, width_, height_, src.width(), src.height())) return;
  const BITMAPINFO bi = topDown32(src.width(), r.h);
  StretchDIBits(screenDC_, r.dx, r.dy, r.w, r.h, r.sx, 0, r.w, r.h,
                in + static_cast<size_t>(r.sy) * src.width(), &bi, DIB_RGB_COLORS, SRCCOPY);
}

void Win32Screen::flush() { GdiFlush(); }

}  // namespace plat
