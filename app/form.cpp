#include "app/form.h"

#include <ctime>
#include <exception>
#include <iterator>

#include "gfx/sprites.h"

using plat::vk::F4;
using plat::vk::F5;
using plat::vk::F8;

const char* const ApplicationTitle = "deskball";

// The menu bar. Level 0 sits on the bar, level 1 in the "&file" drop-down.
const plat::MenuItem MainMenu1[] = {
    //  id          level  caption        shortcut  enabled  command
    {file1,         0,     "&file",       0,        true,    false},
    {run1,          1,     "&run",        F5,       true,    true},
    {refresh1,      1,     "r&efresh",    F4,       true,    true},
    {setbgcolor1,   1,     "set bg&color", F8,      true,    true},
    {N1,            1,     "-",           0,        true,    false},
    {quit1,         1,     "&quit  ESC",  0,        true,    true},
    {ba1,           0,     "ba",          0,        false,   false},
};
const int MainMenu1Count = static_cast<int>(std::size(MainMenu1));

namespace {

// What each command runs.
struct Command {
  int id;
  void (TForm1::*onClick)();
};
constexpr Command Commands[] = {
    {run1, &TForm1::run1Click},
    {refresh1, &TForm1::refresh1Click},
    {setbgcolor1, &TForm1::setbgcolor1Click},
    {quit1, &TForm1::quit1Click},
};

// What the keys do; modifiers are ignored (Shift+Left is Left). The function
// keys act through their menu shortcuts, not here.
struct KeyBinding {
  int key;
  int32_t game::GameState::*held;  // the flag an arrow holds, or null
  bool closes;
};
constexpr KeyBinding Keys[] = {
    //  key                 held flag                      closes
    {plat::vk::Escape, nullptr,                          true},
    {plat::vk::Left,   &game::GameState::leftHeld,       false},
    {plat::vk::Right,  &game::GameState::rightHeld,      false},
};

const KeyBinding* bindingOf(int key) {
  for (const KeyBinding& k : Keys)
    if (k.key == key) return &k;
  return nullptr;
}

}  // namespace

void TTimer::arm(int ms) {
  interval_ = ms;
  enabled_ = true;
  host_.setTimer(interval_, enabled_);
}

void TTimer::setEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  host_.setTimer(interval_, enabled_);
}

TForm1::TForm1(plat::Host& host, std::unique_ptr<game::Random> random)
    : Image1(host.screen().format()),
      Image2(host.screen().format()),
      Timer1(host),
      Image3(host.screen().format()),
      host_(host),
      random_(random ? std::move(random)
                     : std::make_unique<game::ClockRandom>(static_cast<uint32_t>(std::time(nullptr)))),
      field_{game::gameState, Image1, Image2, Image3, *this, *random_} {
  // The components, as the form's layout makes them: the window with its
  // menu, and the timer, armed from here on (its ticks arrive once the
  // message loop runs).
  host_.createWindow(MainMenu1, MainMenu1Count, *this);
  Timer1.arm(game::TimerInterval);

  // A fresh game state, as at program start; the random source was seeded
  // above.
  game::GameState& s = game::gameState;
  s = game::GameState{};
  s.screenDC = &host_.screen();
  s.screenWidth = s.screenDC->width();
  s.screenHeight = s.screenDC->height();
  Image1.setWidth(s.screenWidth);
  Image1.setHeight(s.screenHeight);
  Image3.setWidth(gfx::SheetWidth);
  Image3.setHeight(gfx::SheetHeight);
  gfx::paintSpriteSheet(Image3);

  s.gameSetUp = 0;
  s.paddleX = 0;
  NewGame();

  host_.placeWindow(0, 8, 0);
}

TForm1::~TForm1() = default;

void TForm1::NewGame() { game::NewGame(field_); }
void TForm1::BreakBlock(int col, int row) { game::BreakBlock(field_, col, row); }
void TForm1::Timer1Timer() { game::Timer1Timer(field_); }

void TForm1::FormKeyDown(int key) {
  const KeyBinding* k = bindingOf(key);
  if (!k) return;
  if (k->closes) Close();
  if (k->held) game::gameState.*(k->held) = 1;
}

void TForm1::FormKeyUp(int key) {
  const KeyBinding* k = bindingOf(key);
  if (k && k->held) game::gameState.*(k->held) = 0;
}

// A new game from the screen as it is now, with the window off it.
void TForm1::run1Click() {
  host_.setVisible(false);
  NewGame();
  host_.setVisible(true);
}

// The window covers the screen for a moment, so the desktop repaints over
// what the game drew; the game itself goes on untouched.
void TForm1::refresh1Click() {
  host_.setWindowState(plat::WindowState::Maximized);
  host_.setWindowState(plat::WindowState::Normal);
  host_.repaintDesktop();
}

void TForm1::quit1Click() { Close(); }

// Stop, and take the snapshot's colour under the cursor as the background of
// the next game. Outside the snapshot that is the invalid colour, with which
// every scanned cell of the next game is a block.
void TForm1::setbgcolor1Click() {
  Timer1.setEnabled(false);
  const gfx::Point p = host_.cursorPos();
  game::gameState.backgroundColor = Image1.pixel(p.x, p.y);
  setStatus(game::hex6(game::gameState.backgroundColor));
}

// Maximised on its way out, so the windows beneath repaint the whole area.
void TForm1::FormClose() { host_.setWindowState(plat::WindowState::Maximized); }

void TForm1::Close() {
  if (closing_) return;
  closing_ = true;
  FormClose();
  host_.quit();
}

void TForm1::setCaption(const std::string& text) {
  caption_ = text;
  host_.setCaption(text);
}

void TForm1::setStatus(const std::string& text) { host_.setMenuCaption(ba1, text); }

void TForm1::messageBox(const std::string& text, const std::string& caption) {
  host_.messageBox(text, caption);
}

template <class F>
void TForm1::guarded(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    host_.errorBox(std::string(e.what()) + ".", ApplicationTitle);
  }
}

void TForm1::onTimer() {
  guarded([this] { Timer1Timer(); });
}

void TForm1::onKeyDown(int key) {
  guarded([this, key] { FormKeyDown(key); });
  host_.screen().flush();
}

void TForm1::onKeyUp(int key) {
  guarded([this, key] { FormKeyUp(key); });
}

void TForm1::onMenu(int id) {
  guarded([this, id] {
    for (const Command& c : Commands)
      if (c.id == id) (this->*c.onClick)();
  });
  host_.screen().flush();
}

void TForm1::onCloseRequest() {
  guarded([this] { Close(); });
}
