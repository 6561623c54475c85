// The Windows backend: USER32 for the game's tool window, its menu bar, the
// keys and the dialogs; GDI for the screen.
//
//   Win32Screen  the whole screen through one screen DC: captures go through
//                a DIB section, drawing goes out of the image's own buffer
//   Win32Timer   a worker thread on a precise waitable timer that only posts
//                a message; the tick itself runs on the UI thread
//   Win32Host    the window, its menu and accelerators, the message loop
//
// Everything the form sees happens on the one UI thread, inside run()'s
// GetMessage loop: ticks arrive as a posted message (Win32Host::TickMessage),
// F5/F4/F8 as WM_COMMAND through the accelerator table, Escape and the arrows
// as WM_KEYDOWN/WM_KEYUP, the close box as WM_CLOSE. Start reading at
// Win32Host::handle in win32_host.cpp.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/host.h"

namespace plat {

// Asks Windows for real pixels before anything measures the screen: without
// it a scaled desktop reports a shrunken size and GDI reads and writes
// stretched copies. Safe to call more than once.
void Win32DeclareDpiAware();

// The primary screen, as GDI shows it. Pixels are 0x00RRGGBB, which is how a
// 32-bit BI_RGB DIB lays out blue, green, red in memory, so the game's images
// go to and from GDI without any conversion.
class Win32Screen final : public gfx::Screen {
 public:
  Win32Screen();  // throws plat::Error when there is no usable screen
  ~Win32Screen() override;
  Win32Screen(const Win32Screen&) = delete;
  Win32Screen& operator=(const Win32Screen&) = delete;

  int width() const override { return width_; }
  int height() const override { return height_; }
  const gfx::PixelFormat& format() const override { return format_; }
  void copyTo(gfx::Image& dst, int dx, int dy, int w, int h, int sx, int sy) override;
  void copyFrom(int dx, int dy, int w, int h, const gfx::Image& src, int sx, int sy) override;
  void flush() override;

  HDC dc() const { return screenDC_; }

 private:
  HDC screenDC_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  gfx::PixelFormat format_ = gfx::PixelFormat::rgb888();
};

// The frame timer. Windows' own SetTimer rounds every interval up to the
// system clock's 15.6 ms step, so 32 ms would tick every 46.8 ms and the game
// would run at two thirds of its speed. Here a worker thread sleeps on a
// high-resolution waitable timer (or, on Windows before 10 1803, an ordinary
// one with timeBeginPeriod(1)) towards deadlines spaced exactly one interval
// apart on the performance counter, so late wake-ups do not add up, and posts
// one message per deadline. The worker never touches the game: it only posts.
// A tick that is still queued is not posted again (a busy UI thread gets one
// tick when it comes back, not a burst), and a tick already queued when the
// timer is switched off is dropped on arrival.
class Win32Timer {
 public:
  // Coarse picks the fallback even where the precise timer exists (tests).
  enum class Source { Best, Coarse };
  Win32Timer(HWND target, UINT message, Source source = Source::Best);  // throws plat::Error
  ~Win32Timer();
  Win32Timer(const Win32Timer&) = delete;
  Win32Timer& operator=(const Win32Timer&) = delete;

  // UI thread. Restarts the phase whenever the setting changes.
  void set(int intervalMs, bool enabled);
  // UI thread, on each arrival of the message: whether to run a tick now.
  bool takeTick();
  bool highResolution() const { return highResolution_; }

 private:
  void work();

  HWND target_;
  UINT message_;
  HANDLE wake_ = nullptr;   // auto-reset: the settings changed, or quit
  HANDLE timer_ = nullptr;  // the waitable timer the worker sleeps on
  bool highResolution_ = false;
  bool periodRaised_ = false;  // timeBeginPeriod(1) in force (fallback only)

  // As the UI thread set them; the worker copies them under the lock.
  std::mutex lock_;
  int interval_ = 0;
  bool enabled_ = false;
  bool quit_ = false;
  unsigned generation_ = 0;

  std::atomic<bool> pending_{false};  // a tick message is in the queue
  std::thread worker_;
};

// "F5" for virtual key 116, with "Shift+", "Ctrl+" and "Alt+" in front for
// the modifier bits; "" for a key that has no printable name here.
std::string Win32ShortcutText(int shortcut);
// The text a menu item is given: its caption, then a tab and its shortcut.
std::string Win32MenuText(const MenuItem& item, const std::string& caption);

class Win32Host final : public Host {
 public:
  // The posted message that carries a tick, and the offset of the menu
  // command ids (WM_COMMAND ids must not be 0, and the table's ids start at
  // 0).
  static constexpr UINT TickMessage = WM_APP + 1;
  static constexpr int CommandBase = 0x100;

  Win32Host();  // throws plat::Error
  ~Win32Host() override;
  Win32Host(const Win32Host&) = delete;
  Win32Host& operator=(const Win32Host&) = delete;

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
  void quit() override;

  // For the tests and the tools: the window (null before createWindow and
  // after run), its accelerators, and which timer source was available.
  HWND window() const { return hwnd_; }
  Win32Screen& win32Screen() { return screen_; }
  bool timerHighResolution() const { return timer_ && timer_->highResolution(); }

 private:
  struct MenuPlace {
    HMENU parent = nullptr;  // the bar or the drop-down that holds the item
    int position = -1;
  };

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
  void buildMenu();
  const MenuItem* itemById(int id, size_t* index = nullptr) const;
  // Waits until the windows beneath `uncovered` have had their chance to
  // repaint it.
  void letDesktopRepaint(const RECT& uncovered);

  Win32Screen screen_;
  HINSTANCE instance_ = nullptr;
  HMODULE dwmapi_ = nullptr;
  HRESULT(WINAPI* dwmFlush_)() = nullptr;
  HRESULT(WINAPI* dwmIsCompositionEnabled_)(BOOL*) = nullptr;

  HWND hwnd_ = nullptr;
  HMENU menu_ = nullptr;
  HACCEL accel_ = nullptr;
  EventSink* sink_ = nullptr;
  std::vector<MenuItem> items_;
  std::vector<MenuPlace> places_;
  std::vector<std::string> captions_;
  std::unique_ptr<Win32Timer> timer_;
  int timerInterval_ = 0;
  bool timerEnabled_ = false;
  bool inTick_ = false;
  bool quitRequested_ = false;
  int clientWidth_ = 101;  // the layout's client width; placeWindow keeps it
  std::exception_ptr escaped_;  // thrown inside the window procedure
};

}  // namespace plat
