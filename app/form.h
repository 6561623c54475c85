// The game's window and its components, and the program's one form.
//
// TForm1 owns the three images (snapshot, tile, sprite sheet), the frame
// timer and the menu; it gets every event from the platform Host (ticks,
// keys, menu commands, the close request) and turns each into one of its
// handlers. The rules themselves live in game/; the form hands them its
// surfaces and stands in for their window (captions, timer, message box,
// cursor). An exception that escapes a handler is shown in the error box and
// the program goes on with the next event.
#pragma once

#include <memory>
#include <string>

#include "game/game_state.h"
#include "gfx/image.h"
#include "platform/host.h"

// The menu's entries, by their component names.
enum MenuId { file1, run1, refresh1, setbgcolor1, N1, quit1, ba1 };

extern const plat::MenuItem MainMenu1[];
extern const int MainMenu1Count;

// The application's title, as the error display shows it.
extern const char* const ApplicationTitle;

class TForm1;

// Timer1: an interval and an on/off switch, kept by the platform's timer.
class TTimer {
 public:
  explicit TTimer(plat::Host& host) : host_(host) {}
  int Interval() const { return interval_; }
  bool Enabled() const { return enabled_; }
  // The layout's settings: this interval, enabled.
  void arm(int ms);
  void setEnabled(bool on);

 private:
  plat::Host& host_;
  int interval_ = 0;
  bool enabled_ = false;
};

class TForm1 : public plat::EventSink, public game::Window {
 public:
  // random: the source of the game's chances; by default a generator seeded
  // from the clock.
  explicit TForm1(plat::Host& host, std::unique_ptr<game::Random> random = nullptr);
  ~TForm1() override;

  // --- handlers ---
  void Timer1Timer();
  void FormKeyDown(int key);
  void run1Click();
  void FormClose();
  void refresh1Click();
  void quit1Click();
  void FormKeyUp(int key);
  void setbgcolor1Click();

  void NewGame();
  void BreakBlock(int col, int row);
  void Close();

  // --- components ---
  gfx::Image Image1;
  gfx::Image Image2;
  TTimer Timer1;
  gfx::Image Image3;

  game::GameState& state() { return game::gameState; }
  const std::string& Caption() const { return caption_; }

 private:
  // plat::EventSink: each event runs one handler inside the error guard.
  void onTimer() override;
  void onKeyDown(int key) override;
  void onKeyUp(int key) override;
  void onMenu(int id) override;
  void onCloseRequest() override;
  template <class F>
  void guarded(F&& handler);

  // game::Window
  void setCaption(const std::string& text) override;
  void setStatus(const std::string& text) override;
  void setTimerEnabled(bool enabled) override { Timer1.setEnabled(enabled); }
  void messageBox(const std::string& text, const std::string& caption) override;
  gfx::Point cursorPos() override { return host_.cursorPos(); }

  plat::Host& host_;
  std::unique_ptr<game::Random> random_;
  game::Playfield field_;
  std::string caption_ = "Form1";
  bool closing_ = false;
};
