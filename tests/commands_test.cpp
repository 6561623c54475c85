// The menu commands, their shortcuts, and the keys.
#include <gtest/gtest.h>

#include <stdexcept>

#include "fixture.h"

namespace {

using plat::vk::Escape;
using plat::vk::F4;
using plat::vk::F5;
using plat::vk::F8;
using plat::vk::Left;
using plat::vk::Right;

TEST(Menu, BarAndDropDownAsTheUserSeesThem) {
  Field f;
  struct Entry {
    int id, level;
    std::string caption;
    int shortcut;
    bool enabled;
  } expect[] = {
      {file1, 0, "&file", 0, true},          {run1, 1, "&run", F5, true},
      {refresh1, 1, "r&efresh", F4, true},   {setbgcolor1, 1, "set bg&color", F8, true},
      {N1, 1, "-", 0, true},                 {quit1, 1, "&quit  ESC", 0, true},
      {ba1, 0, "ba", 0, false},
  };
  ASSERT_EQ(f.host.menu.size(), std::size(expect));
  for (size_t i = 0; i < std::size(expect); ++i) {
    const plat::MenuItem& m = f.host.menu[i];
    EXPECT_EQ(m.id, expect[i].id);
    EXPECT_EQ(m.level, expect[i].level);
    EXPECT_EQ(m.caption, expect[i].caption);
    EXPECT_EQ(m.shortcut, expect[i].shortcut);
    EXPECT_EQ(m.enabled, expect[i].enabled);
  }
}

TEST(Keys, DownAndUpByKeyCode) {
  struct Case {
    int key, modifiers;
    int leftAfterDown, rightAfterDown;  // from both flags 0
    int leftAfterUp, rightAfterUp;      // from both flags 1
    bool closes;
  } cases[] = {
      {Left, 0, 1, 0, 0, 1, false},
      {Right, 0, 0, 1, 1, 0, false},
      {Left, plat::shortcut::Shift, 1, 0, 0, 1, false},  // Shift+Left is Left
      {plat::vk::Up, 0, 0, 0, 1, 1, false},
      {plat::vk::Down, 0, 0, 0, 1, 1, false},
      {plat::vk::Shift, 0, 0, 0, 1, 1, false},
      {'A', 0, 0, 0, 1, 1, false},
      {Escape, 0, 0, 0, 1, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    Field f;
    auto& s = f.s();
    f.host.keyDown(c.key, c.modifiers);
    EXPECT_EQ(s.leftHeld, c.leftAfterDown);
    EXPECT_EQ(s.rightHeld, c.rightAfterDown);
    EXPECT_EQ(f.host.quitRequested, c.closes);
    s.leftHeld = s.rightHeld = 1;
    f.host.keyUp(c.key);
    EXPECT_EQ(s.leftHeld, c.leftAfterUp);
    EXPECT_EQ(s.rightHeld, c.rightAfterUp);
  }
}

TEST(Keys, RepeatedKeyDownsKeepTheFlagAndAKeyUpAloneClearsIt) {
  Field f;
  for (int i = 0; i < 5; ++i) f.host.keyDown(Right);
  EXPECT_EQ(f.s().rightHeld, 1);
  f.host.keyDown(Left);
  f.host.keyUp(Right);  // both were held: the paddle now goes left
  EXPECT_EQ(f.s().rightHeld, 0);
  EXPECT_EQ(f.s().leftHeld, 1);
  f.host.keyUp(Left);
  f.host.keyUp(Left);  // a key up whose key down went elsewhere
  EXPECT_EQ(f.s().leftHeld, 0);
}

TEST(Shortcuts, ActOnlyWithoutModifiers) {
  for (int mod : {plat::shortcut::Shift, plat::shortcut::Ctrl, plat::shortcut::Alt}) {
    Field f;
    const size_t logBefore = f.host.log.size();
    f.host.keyDown(F5, mod);
    f.host.keyDown(F4, mod);
    f.host.keyDown(F8, mod);
    EXPECT_EQ(f.host.log.size(), logBefore) << mod;
    EXPECT_TRUE(f.host.timerEnabled);
  }
}

TEST(Commands, EffectsOnTimerFlagsAndWindow) {
  struct Case {
    const char* what;
    int key;  // the shortcut, or 0 to choose the item
    int id;
    bool timerAfter, flagsCleared;
    std::vector<std::string> window;  // what the window went through
  } cases[] = {
      {"F5: new game", F5, run1, true, true, {"hide", "show"}},
      {"F4: refresh", F4, refresh1, true, false, {"max", "normal", "repaint"}},
      {"F8: pick colour", F8, setbgcolor1, false, false, {"timer off", "menu 6 804020"}},
      {"quit", 0, quit1, true, false, {"max"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Field f;
    f.host.log.clear();
    f.s().leftHeld = f.s().rightHeld = 1;
    if (c.key)
      f.host.keyDown(c.key);
    else
      f.host.chooseMenu(c.id);
    EXPECT_EQ(f.host.timerEnabled, c.timerAfter);
    EXPECT_EQ(f.s().leftHeld, c.flagsCleared ? 0 : 1);
    EXPECT_EQ(f.s().rightHeld, c.flagsCleared ? 0 : 1);
    std::vector<std::string> window;
    for (const std::string& e : f.host.log)
      if (e != "timer on") window.push_back(e);
    EXPECT_EQ(window, c.window);
    EXPECT_EQ(f.host.quitRequested, c.id == quit1);
  }
}

TEST(Commands, NewGameNeverSnapshotsTheWindow) {
  Field f;
  f.host.keyDown(F5);
  EXPECT_EQ(f.host.display().capturesWhileShown, 0);
  EXPECT_TRUE(f.host.visible);
}

TEST(Commands, RefreshLeavesTheGameAlone) {
  Field f;
  f.tick();
  auto& s = f.s();
  const auto before = s;
  const std::string status = f.host.menuCaptions[ba1];
  f.host.keyDown(F4);
  EXPECT_EQ(s.ballsInStock, before.ballsInStock);
  EXPECT_EQ(s.blocksLeft, before.blocksLeft);
  EXPECT_EQ(s.ballX[0], before.ballX[0]);
  EXPECT_EQ(f.host.menuCaptions[ba1], status);
  EXPECT_TRUE(f.host.timerEnabled);
  s.launchTick = 0;
  f.tick();
  f.host.keyDown(F8);  // refresh while stopped: still stopped
  f.host.keyDown(F4);
  EXPECT_FALSE(f.host.timerEnabled);
}

TEST(PickColour, ShowsTheSnapshotsColourAsBlueGreenRed) {
  struct Case {
    gfx::Colour colour;
    const char* shown;
  } cases[] = {
      {0x0000FF, "0000FF"}, {0xFF0000, "FF0000"}, {0xC0C0C0, "C0C0C0"},
      {0x000000, "000000"}, {0x808080, "808080"}, {0x00FF00, "00FF00"},
  };
  for (const Case& c : cases) {
    Field f;
    f.form->Image1.setPixel(50, 60, c.colour);
    f.host.display().setPixel(50, 60, 0x123456);  // the live screen is not read
    f.host.setCursor(50, 60);
    f.host.keyDown(F8);
    EXPECT_EQ(f.s().backgroundColor, c.colour);
    EXPECT_EQ(f.host.menuCaptions[ba1], c.shown);
  }
}

TEST(PickColour, OutsideTheScreenGivesTheInvalidColour) {
  for (gfx::Point p : {gfx::Point{-1, 10}, gfx::Point{320, 10}, gfx::Point{10, 240}, gfx::Point{-5000, -5000}}) {
    Field f;
    f.host.setCursor(p.x, p.y);
    f.host.keyDown(F8);
    EXPECT_EQ(f.s().backgroundColor, gfx::ClrInvalid);
    EXPECT_EQ(f.host.menuCaptions[ba1], "FFFFFFFF");
    f.host.keyDown(F5);  // every scanned cell is now a block
    EXPECT_EQ(f.s().blocksLeft, 20 * (15 - 4));
  }
}

TEST(PickColour, ThenNewGameTreatsThatColourAsEmpty) {
  Desk d(320, 240, 0x808080);
  d.host.display().fillRect(0, 0, 320, 120, 0x202020);  // top half dark, bottom grey
  d.host.display().setPixel(0, 120, 0x202020);           // background pixel: dark
  d.start();
  EXPECT_EQ(d.s().blocksLeft, 20 * 4);                   // the grey rows are blocks
  d.host.setCursor(100, 200);
  d.host.keyDown(F8);
  EXPECT_EQ(d.host.menuCaptions[ba1], "808080");
  d.host.keyDown(F5);
  EXPECT_EQ(d.s().backgroundColor, 0x808080u);
  EXPECT_EQ(d.s().blocksLeft, 20 * 7 + 20);  // the dark half now counts: 7 rows + the mixed row
}

TEST(NewGameCommand, RestartsTheTimerAfterEveryKindOfStop) {
  struct Case {
    const char* what;
    void (*stop)(Field&);
  } cases[] = {
      {"after ende", [](Field& f) { f.noLaunch(); f.tick(); }},
      {"after the box", [](Field& f) { f.s().blocksLeft = 0; f.tick(); }},
      {"after the colour pick", [](Field& f) { f.host.keyDown(F8); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Field f;
    c.stop(f);
    EXPECT_FALSE(f.host.timerEnabled);
    f.host.keyDown(F5);
    EXPECT_TRUE(f.host.timerEnabled);
    EXPECT_TRUE(f.host.tick());
    EXPECT_EQ(f.host.menuCaptions[ba1], "99");
  }
}

TEST(NewGameCommand, AnArrowHeldThroughItNoLongerMovesThePaddle) {
  Field f;
  f.host.keyDown(Right);
  f.tick();
  EXPECT_EQ(f.s().paddleX, 10);
  f.host.keyDown(F5);
  f.tick();
  f.tick();
  EXPECT_EQ(f.s().paddleX, 0);
  f.host.keyDown(Right);  // the key's repeat sets it again
  f.tick();
  EXPECT_EQ(f.s().paddleX, 10);
}

TEST(Closing, QuitEscapeAndTheCloseBoxAllMaximiseThenEnd) {
  struct Case {
    const char* what;
    void (*close)(Field&);
  } cases[] = {
      {"quit", [](Field& f) { f.host.chooseMenu(quit1); }},
      {"Escape", [](Field& f) { f.host.keyDown(Escape); }},
      {"close box", [](Field& f) { f.host.requestClose(); }},
      {"close box while stopped", [](Field& f) { f.host.keyDown(F8); f.host.requestClose(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Field f;
    f.host.runTicks = 1000;
    f.host.log.clear();
    c.close(f);
    EXPECT_TRUE(f.host.quitRequested);
    f.host.run();  // the loop sees the quit at once
    std::vector<std::string> window;
    for (const std::string& e : f.host.log)
      if (e == "max" || e == "destroy") window.push_back(e);
    EXPECT_EQ(window, (std::vector<std::string>{"max", "destroy"}));
  }
}

// A random source that fails, to show that an error in a handler is shown
// and the game goes on.
struct FailingRandom : game::Random {
  int next() override { throw std::runtime_error("the dice fell off the table"); }
};

TEST(Errors, AnExceptionInAHandlerIsShownAndTheLoopGoesOn) {
  plat::HeadlessHost host(320, 240);
  host.display().fillRect(0, 0, 320, 240, 0x804020);
  TForm1 form(host, std::make_unique<FailingRandom>());
  EXPECT_TRUE(host.tick());  // the launcher's draw throws
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_TRUE(host.boxes[0].error);
  EXPECT_EQ(host.boxes[0].text, "the dice fell off the table.");
  EXPECT_EQ(host.boxes[0].caption, "deskball");
  host.keyDown(Right);
  EXPECT_EQ(game::gameState.rightHeld, 1);
}

}  // namespace
