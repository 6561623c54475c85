#include "platform/headless/headless.h"

#include <algorithm>

namespace plat {

HeadlessScreen::HeadlessScreen(int width, int height, const gfx::PixelFormat& format)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), format_(format),
      pixels_(static_cast<size_t>(width_) * height_, format.encode(0)) {}

void HeadlessScreen::copyTo(gfx::Image& dst, int dx, int dy, int w, int h, int sx, int sy) {
  ++copiesTo;
  if (windowShown) ++capturesWhileShown;
  gfx::CopyRect r{dx, dy, w, h, sx, sy};
  if (!gfx::clipCopy(r, dst.width(), dst.height(), width_, height_)) return;
  gfx::copyRows(dst.bits(), dst.width(), pixels_.data(), width_, r);
}

void HeadlessScreen::copyFrom(int dx, int dy, int w, int h, const gfx::Image& src, int sx, int sy) {
  ++copiesFrom;
  gfx::CopyRect r{dx, dy, w, h, sx, sy};
  if (!src.bits() || !gfx::clipCopy(r, width_, height_, src.width(), src.height())) return;
  gfx::copyRows(pixels_.data(), width_, src.bits(), src.width(), r);
}

gfx::Colour HeadlessScreen::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return gfx::ClrInvalid;
  return format_.decode(pixels_[static_cast<size_t>(y) * width_ + x]);
}

void HeadlessScreen::setPixel(int x, int y, gfx::Colour c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<size_t>(y) * width_ + x] = format_.encode(c);
}

void HeadlessScreen::fillRect(int x, int y, int w, int h, gfx::Colour c) {
  for (int j = std::max(y, 0); j < std::min(y + h, height_); ++j)
    for (int i = std::max(x, 0); i < std::min(x + w, width_); ++i) setPixel(i, j, c);
}

void HeadlessHost::note(std::string event) {
  if (log.size() == KeepLast) log.pop_front();
  log.push_back(std::move(event));
}

HeadlessHost::HeadlessHost(int width, int height, const gfx::PixelFormat& format)
    : screen_(width, height, format) {}

gfx::Point HeadlessHost::cursorPos() {
  if (cursorScript_.empty()) return cursor_;
  const gfx::Point p = cursorScript_[std::min(scriptAt_, cursorScript_.size() - 1)];
  ++scriptAt_;
  return p;
}

void HeadlessHost::createWindow(const MenuItem* items, int count, EventSink& sink) {
  windowCreated = true;
  sink_ = &sink;
  menu.assign(items, items + count);
  for (const MenuItem& m : menu) menuCaptions[m.id] = m.caption;
}

void HeadlessHost::setCaption(const std::string& text) { caption = text; }
void HeadlessHost::setMenuCaption(int id, const std::string& text) {
  menuCaptions[id] = text;
  note("menu " + std::to_string(id) + " " + text);
}

void HeadlessHost::setVisible(bool v) {
  if (v == visible) return;
  visible = v;
  screen_.windowShown = v;
  note(v ? "show" : "hide");
}

void HeadlessHost::setWindowState(WindowState state) {
  if (state == windowState) return;
  windowState = state;
  note(state == WindowState::Maximized ? "max" : "normal");
}

void HeadlessHost::placeWindow(int l, int t, int ch) {
  left = l;
  top = t;
  clientHeight = ch;
}

void HeadlessHost::repaintDesktop() { note("repaint"); }

void HeadlessHost::setTimer(int intervalMs, bool enabled) {
  timerInterval = intervalMs;
  if (enabled != timerEnabled) note(enabled ? "timer on" : "timer off");
  timerEnabled = enabled;
}

void HeadlessHost::messageBox(const std::string& text, const std::string& cap) {
  if (boxes.size() < KeepLast) boxes.push_back({text, cap, false});
  note("box " + text);
}

void HeadlessHost::errorBox(const std::string& text, const std::string& title) {
  if (boxes.size() < KeepLast) boxes.push_back({text, title, true});
  note("error " + text);
}

void HeadlessHost::run() {
  setVisible(true);
  for (int i = 0; i < runTicks && !quitRequested; ++i) tick();
  note("destroy");
  visible = false;
  screen_.windowShown = false;
}

bool HeadlessHost::tick() {
  if (!sink_ || !timerEnabled || timerInterval <= 0 || quitRequested) return false;
  sink_->onTimer();
  return true;
}

void HeadlessHost::keyDown(int key, int modifiers) {
  if (!sink_) return;
  for (const MenuItem& m : menu) {
    if (m.command && m.enabled && m.shortcut != 0 && m.shortcut == (key | modifiers)) {
      sink_->onMenu(m.id);
      return;
    }
  }
  sink_->onKeyDown(key);
}

void HeadlessHost::keyUp(int key) {
  if (sink_) sink_->onKeyUp(key);
}

void HeadlessHost::chooseMenu(int id) {
  if (!sink_) return;
  for (const MenuItem& m : menu)
    if (m.id == id && m.command && m.enabled) sink_->onMenu(id);
}

void HeadlessHost::requestClose() {
  if (sink_) sink_->onCloseRequest();
}

}  // namespace plat
