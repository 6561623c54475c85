// autopilot: plays deskball from the outside, for the demo.
//
// It watches the X screen, finds the balls by their look (a white cross with
// silver corners), moves the pointer so the paddle's left edge sits 16 pixels
// left of the lowest one, and saves every few frames as a PPM picture. It
// knows nothing of the game but what the screen shows, like a player.
//
//   autopilot SECONDS FRAME_DIR [FRAME_EVERY_MS]
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

uint32_t rgbAt(XImage* img, int x, int y) {
  const unsigned long p = XGetPixel(img, x, y);
  auto channel = [p](unsigned long mask) -> uint32_t {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const unsigned long v = (p & mask) >> shift, max = mask >> shift;
    return uint32_t(v * 255 / max);
  };
  return channel(img->red_mask) << 16 | channel(img->green_mask) << 8 | channel(img->blue_mask);
}

bool isBall(XImage* img, int x, int y) {
  constexpr uint32_t White = 0xFFFFFF, Silver = 0xC0C0C0;
  if (rgbAt(img, x, y) != White) return false;
  for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}})
    if (rgbAt(img, x + dx, y + dy) != White) return false;
  for (auto [dx, dy] : {std::pair{-1, -1}, {1, -1}, {-1, 1}, {1, 1}})
    if (rgbAt(img, x + dx, y + dy) != Silver) return false;
  return true;
}

void savePpm(XImage* img, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fprintf(f, "P6\n%d %d\n255\n", img->width, img->height);
  std::vector<unsigned char> row(size_t(img->width) * 3);
  for (int y = 0; y < img->height; ++y) {
    for (int x = 0; x < img->width; ++x) {
      const uint32_t c = rgbAt(img, x, y);
      row[3 * x] = c >> 16, row[3 * x + 1] = (c >> 8) & 0xFF, row[3 * x + 2] = c & 0xFF;
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: autopilot SECONDS FRAME_DIR [FRAME_EVERY_MS]\n");
    return 2;
  }
  const double seconds = std::atof(argv[1]);
  const std::string dir = argv[2];
  const int frameEvery = argc > 3 ? std::atoi(argv[3]) : 100;
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    std::fprintf(stderr, "autopilot: cannot open the X display\n");
    return 1;
  }
  const Window root = DefaultRootWindow(dpy);
  XWindowAttributes attr;
  XGetWindowAttributes(dpy, root, &attr);
  const int w = attr.width, h = attr.height, paddleY = h - 34;

  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  auto nextFrame = start;
  int frame = 0, lastX = w / 2;
  while (std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
    XImage* img = XGetImage(dpy, root, 0, 0, w, h, AllPlanes, ZPixmap);
    if (!img) break;
    int best = -1, bestX = lastX;
    for (int y = 1; y < h - 1; ++y)
      for (int x = 1; x < w - 1; ++x)
        if (y > best && isBall(img, x, y)) best = y, bestX = x;
    if (best >= 0) lastX = bestX;
    XWarpPointer(dpy, None, root, 0, 0, 0, 0, lastX - 16, paddleY);
    XFlush(dpy);
    if (Clock::now() >= nextFrame) {
      char name[64];
      std::snprintf(name, sizeof name, "/frame%04d.ppm", frame++);
      savePpm(img, dir + name);
      nextFrame += std::chrono::milliseconds(frameEvery);
    }
    XDestroyImage(img);
    std::this_thread::sleep_for(std::chrono::milliseconds(8));
  }
  XCloseDisplay(dpy);
  std::printf("%d frames\n", frame);
  return 0;
}
