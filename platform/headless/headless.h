// The headless backend: a whole desktop in memory.
//
// The screen is a buffer of any size and format; the cursor, the keys and the
// clock are whatever the caller says; dialogs are recorded instead of shown.
// It runs the real form and game, so the unit tests, the size sweep and the
// fuzz target drive exactly the code that ships. Nothing here waits or draws.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/host.h"

namespace plat {

class HeadlessScreen : public gfx::Screen {
 public:
  HeadlessScreen(int width, int height, const gfx::PixelFormat& format = gfx::PixelFormat::rgb888());

  int width() const override { return width_; }
  int height() const override { return height_; }
  const gfx::PixelFormat& format() const override { return format_; }
  void copyTo(gfx::Image& dst, int dx, int dy, int w, int h, int sx, int sy) override;
  void copyFrom(int dx, int dy, int w, int h, const gfx::Image& src, int sx, int sy) override;
  void flush() override { ++flushes; }

  // What a user would see, as colours; ClrInvalid outside.
  gfx::Colour pixel(int x, int y) const;
  void setPixel(int x, int y, gfx::Colour c);
  void fillRect(int x, int y, int w, int h, gfx::Colour c);
  const std::vector<uint32_t>& raw() const { return pixels_; }

  long copiesTo = 0;    // screen -> image copies
  long copiesFrom = 0;  // image -> screen copies
  long flushes = 0;
  long capturesWhileShown = 0;  // captures taken while the game's window showed
  bool windowShown = false;     // kept by the host

 private:
  int width_, height_;
  gfx::PixelFormat format_;
  std::vector<uint32_t> pixels_;
};

class HeadlessHost : public Host {
 public:
  HeadlessHost(int width, int height, const gfx::PixelFormat& format = gfx::PixelFormat::rgb888());

  // --- Host ---
  gfx::Screen& screen() override { return screen_; }
  gfx::Point cursorPos() override;
  void createWindow(const MenuItem* items, int count, EventSink& sink) override;
  void setCaption(const std::string& text) override;
  void setMenuCaption(int id, const std::string& text) override;
  void setVisible(bool visible) override;
  void setWindowState(WindowState state) override;
  void placeWindow(int left, int top, int clientHeight) override;
  void repaintDesktop() override;
  void setTimer(int intervalMs, bool enabled) override;
  void messageBox(const std::string& text, const std::string& caption) override;
  void errorBox(const std::string& text, const std::string& title) override;
  void run() override;
  void quit() override { quitRequested = true; }

  // --- driving it ---
  HeadlessScreen& display() { return screen_; }
  // One firing of the timer, delivered only while it is enabled. Returns
  // whether a tick ran.
  bool tick();
  // A key as the window would get it: a shortcut of an enabled menu command
  // (with exactly these modifiers) runs the command, anything else goes to
  // the key handlers. Modifiers are shortcut::Shift/Ctrl/Alt bits.
  void keyDown(int key, int modifiers = 0);
  void keyUp(int key);
  void chooseMenu(int id);
  void requestClose();
  // The cursor: a fixed point, or a script read one position per call.
  void setCursor(int x, int y) { cursor_ = {x, y}; cursorScript_.clear(); }
  void scriptCursor(std::vector<gfx::Point> script) { cursorScript_ = std::move(script), scriptAt_ = 0; }
  // How many ticks run() delivers before it gives up (a quit ends it sooner).
  int runTicks = 0;

  // --- what happened, as a user would have seen it ---
  struct Box {
    std::string text, caption;
    bool error;
  };
  std::string caption;
  std::map<int, std::string> menuCaptions;
  std::vector<MenuItem> menu;
  bool windowCreated = false;
  bool visible = false;
  WindowState windowState = WindowState::Normal;
  int left = 0, top = 0, clientHeight = -1;
  int timerInterval = 0;
  bool timerEnabled = false;
  std::vector<Box> boxes;
  // Everything the window went through, in order: "hide", "show", "max",
  // "normal", "repaint", "destroy", "timer on/off", "menu <id> <caption>",
  // "box <text>", "error <text>". Long runs keep the latest KeepLast events
  // (and the first KeepLast boxes).
  static constexpr size_t KeepLast = 4096;
  std::deque<std::string> log;
  bool quitRequested = false;

 private:
  void note(std::string event);

  HeadlessScreen screen_;
  EventSink* sink_ = nullptr;
  gfx::Point cursor_{};
  std::vector<gfx::Point> cursorScript_;
  size_t scriptAt_ = 0;
};

}  // namespace plat
