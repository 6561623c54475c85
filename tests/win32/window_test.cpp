// The tool window: its menu bar as the form's table makes it, the keys and
// shortcuts through the real message loop, the close request, placement.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/form.h"
#include "platform/win32/win32_host.h"

namespace {

// Writes down every event in order; `react` lets a test answer one (press
// Shift, end the loop) from inside the loop.
struct Recorder : plat::EventSink {
  std::vector<std::string> log;
  std::function<void(const std::string&)> react;
  void note(const std::string& e) {
    log.push_back(e);
    if (react) react(e);
  }
  void onTimer() override { note("tick"); }
  void onKeyDown(int key) override { note("down " + std::to_string(key)); }
  void onKeyUp(int key) override { note("up " + std::to_string(key)); }
  void onMenu(int id) override { note("menu " + std::to_string(id)); }
  void onCloseRequest() override { note("close"); }
};

std::string menuText(HMENU menu, int position) {
  char buf[128] = "";
  GetMenuStringA(menu, static_cast<UINT>(position), buf, sizeof buf, MF_BYPOSITION);
  return buf;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { host.createWindow(MainMenu1, MainMenu1Count, sink); }
  HWND hwnd() { return host.window(); }
  void post(UINT msg, WPARAM key) { PostMessageA(hwnd(), msg, key, 1); }
  static void setKey(int vk, bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[vk] = down ? 0x80 : 0;
    SetKeyboardState(keys);
  }

  plat::Win32Host host;
  Recorder sink;
  const DWORD uiThread = GetCurrentThreadId();
};

TEST_F(WindowTest, MenuBarCarriesTheTableWithShortcutsAndTheGreyedStatus) {
  HMENU bar = GetMenu(hwnd());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  EXPECT_EQ(menuText(bar, 0), "&file");
  EXPECT_EQ(menuText(bar, 1), "ba");
  EXPECT_TRUE(GetMenuState(bar, 1, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(bar, 0, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_EQ(GetSubMenu(bar, 1), nullptr);

  HMENU file = GetSubMenu(bar, 0);
  ASSERT_NE(file, nullptr);
  const std::vector<std::string> want = {"&run\tF5", "r&efresh\tF4", "set bg&color\tF8", "", "&quit  ESC"};
  ASSERT_EQ(GetMenuItemCount(file), static_cast<int>(want.size()));
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(menuText(file, static_cast<int>(i)), want[i]) << "item " << i;
    if (i != 3) {
      EXPECT_FALSE(GetMenuState(file, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED) << "item " << i;
    }
  }
  EXPECT_TRUE(GetMenuState(file, 3, MF_BYPOSITION) & MF_SEPARATOR);
}

// A click on an item is a WM_COMMAND with the item's id: each command
// reaches the form under its table id; the greyed status item does nothing.
TEST_F(WindowTest, ClickingAnItemSendsItsCommand) {
  HMENU bar = GetMenu(hwnd());
  HMENU file = GetSubMenu(bar, 0);
  for (int pos : {0, 1, 2, 4}) SendMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(GetMenuItemID(file, pos), 0), 0);
  SendMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(GetMenuItemID(bar, 1), 0), 0);
  const std::vector<std::string> want = {
      "menu " + std::to_string(run1), "menu " + std::to_string(refresh1),
      "menu " + std::to_string(setbgcolor1), "menu " + std::to_string(quit1)};
  EXPECT_EQ(sink.log, want);
}

TEST_F(WindowTest, StatusCaptionChangesInPlaceAndStaysGreyed) {
  host.setMenuCaption(ba1, "99");
  host.setMenuCaption(run1, "&go");
  HMENU bar = GetMenu(hwnd());
  EXPECT_EQ(menuText(bar, 1), "99");
  EXPECT_TRUE(GetMenuState(bar, 1, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_EQ(menuText(GetSubMenu(bar, 0), 0), "&go\tF5");  // the shortcut stays shown
  host.setMenuCaption(ba1, "ende");
  EXPECT_EQ(menuText(bar, 1), "ende");
}

// Keys posted to the window go through run()'s loop as typed keys would:
// F5/F4/F8 become their commands only without modifiers, everything else
// (Escape, arrows, letters, Alt combinations) reaches the key handlers,
// and the close box asks the form, which ends the loop.
TEST_F(WindowTest, KeysAndShortcutsThroughTheMessageLoop) {
  bool shownDuringRun = false;
  sink.react = [&](const std::string& e) {
    shownDuringRun = shownDuringRun || IsWindowVisible(hwnd());
    if (e == "down 16") setKey(VK_SHIFT, true);  // as if Shift were held from here
    if (e == "up 16") setKey(VK_SHIFT, false);
    if (e == "close") host.quit();
  };
  setKey(VK_SHIFT, false);
  setKey(VK_CONTROL, false);
  setKey(VK_MENU, false);
  const HWND w = hwnd();
  post(WM_KEYDOWN, VK_F5);
  post(WM_KEYDOWN, VK_F4);
  post(WM_KEYDOWN, VK_F8);
  post(WM_KEYDOWN, VK_F6);
  post(WM_KEYDOWN, VK_ESCAPE);
  post(WM_KEYUP, VK_ESCAPE);
  post(WM_KEYDOWN, VK_LEFT);
  post(WM_KEYDOWN, VK_LEFT);  // auto-repeat
  post(WM_KEYUP, VK_LEFT);
  post(WM_KEYDOWN, VK_SHIFT);
  post(WM_KEYDOWN, VK_F5);
  post(WM_KEYUP, VK_SHIFT);
  post(WM_SYSKEYDOWN, VK_RIGHT);
  post(WM_SYSKEYUP, VK_RIGHT);
  post(WM_KEYDOWN, 'A');
  post(WM_CLOSE, 0);
  post(WM_KEYDOWN, VK_F5);  // after the quit: never delivered

  host.run();

  const std::vector<std::string> want = {
      "menu " + std::to_string(run1), "menu " + std::to_string(refresh1), "menu " + std::to_string(setbgcolor1),
      "down 117", "down 27", "up 27", "down 37", "down 37", "up 37",
      "down 16", "down 116", "up 16",  // Shift+F5 is no shortcut
      "down 39", "up 39", "down 65", "close",
  };
  EXPECT_EQ(sink.log, want);
  EXPECT_TRUE(shownDuringRun);
  EXPECT_FALSE(IsWindow(w)) << "run() destroys the window before it returns";
  EXPECT_EQ(host.window(), nullptr);
}

TEST_F(WindowTest, CloseRequestLeavesTheWindowToTheForm) {
  SendMessageA(hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(sink.log, std::vector<std::string>{"close"});
  EXPECT_TRUE(IsWindow(hwnd()));
}

TEST_F(WindowTest, PlacedAtItsCornerWithNoClientArea) {
  host.setCaption("36");
  host.placeWindow(0, 8, 0);
  host.setVisible(true);
  char title[32] = "";
  GetWindowTextA(hwnd(), title, sizeof title);
  EXPECT_STREQ(title, "36");
  EXPECT_EQ(GetWindowLongA(hwnd(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);

  auto expectPlaced = [&](const char* when) {
    RECT outer{}, client{};
    GetWindowRect(hwnd(), &outer);
    GetClientRect(hwnd(), &client);
    EXPECT_EQ(outer.left, 0) << when;
    EXPECT_EQ(outer.top, 8) << when;
    EXPECT_EQ(client.bottom - client.top, 0) << when;
    EXPECT_GT(client.right - client.left, 0) << when;
    EXPECT_GT(outer.bottom - outer.top, GetSystemMetrics(SM_CYMENU)) << when << ": title and menu bar show";
  };
  expectPlaced("placed");
  EXPECT_TRUE(IsWindowVisible(hwnd()));

  host.setWindowState(plat::WindowState::Maximized);
  EXPECT_TRUE(IsZoomed(hwnd()));
  host.setWindowState(plat::WindowState::Normal);
  EXPECT_FALSE(IsZoomed(hwnd()));
  expectPlaced("after maximise and restore");

  host.setVisible(false);
  EXPECT_FALSE(IsWindowVisible(hwnd()));
  host.setVisible(true);
  EXPECT_TRUE(IsWindowVisible(hwnd()));
  expectPlaced("shown again");

  host.placeWindow(10, 20, 30);
  RECT client{};
  GetClientRect(hwnd(), &client);
  EXPECT_EQ(client.bottom, 30);
}

// An exception that gets past the form's own guard must not unwind through
// USER32: the loop ends and run() throws it, the window already gone.
TEST_F(WindowTest, AnExceptionFromAHandlerLeavesRunAfterTheWindowIsGone) {
  sink.react = [](const std::string& e) {
    if (e == "down 65") throw std::runtime_error("escaped");
  };
  post(WM_KEYDOWN, 'A');
  post(WM_KEYDOWN, 'B');
  const HWND w = hwnd();
  EXPECT_THROW(host.run(), std::runtime_error);
  EXPECT_EQ(sink.log, std::vector<std::string>{"down 65"});
  EXPECT_FALSE(IsWindow(w));
}

// What a dialog on the UI thread shows, read by another thread, which then
// presses its OK button.
struct DialogSeen {
  std::string caption, text;
  bool icon = false;
  bool ownedByGame = false;
  bool found = false;
};

BOOL CALLBACK readChild(HWND child, LPARAM lp) {
  auto& seen = *reinterpret_cast<DialogSeen*>(lp);
  char cls[32] = "", text[128] = "";
  GetClassNameA(child, cls, sizeof cls);
  if (_stricmp(cls, "Static") != 0 || !IsWindowVisible(child)) return TRUE;
  if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    seen.icon = seen.icon || SendMessageA(child, STM_GETICON, 0, 0) != 0;  // an icon control may stand empty
  } else {
    GetWindowTextA(child, text, sizeof text);
    if (text[0]) seen.text = text;
  }
  return TRUE;
}

BOOL CALLBACK findDialog(HWND w, LPARAM lp) {
  char cls[16] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (std::string(cls) != "#32770" || !IsWindowVisible(w)) return TRUE;
  *reinterpret_cast<HWND*>(lp) = w;
  return FALSE;
}

DialogSeen answerDialog(DWORD uiThread, HWND game) {
  HWND dlg = nullptr;
  for (int i = 0; i < 1000 && !dlg; ++i) {
    EnumThreadWindows(uiThread, findDialog, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg) Sleep(10);
  }
  DialogSeen seen;
  if (!dlg) return seen;
  seen.found = true;
  char caption[128] = "";
  GetWindowTextA(dlg, caption, sizeof caption);
  seen.caption = caption;
  seen.ownedByGame = GetWindow(dlg, GW_OWNER) == game;
  EnumChildWindows(dlg, readChild, reinterpret_cast<LPARAM>(&seen));
  PostMessageA(dlg, WM_COMMAND, IDOK, 0);
  return seen;
}

TEST_F(WindowTest, DialogsShowTheirTextOverTheWindowAndReturnOnOK) {
  struct Case {
    bool error;
    const char* text;
    const char* caption;
    bool icon;
  };
  const Case cases[] = {
      {false, "kuria", "ende", false},
      {true, "Out of memory.", "deskball", true},
  };
  host.setVisible(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    DialogSeen seen;
    std::thread reader([&] { seen = answerDialog(uiThread, hwnd()); });
    if (c.error)
      host.errorBox(c.text, c.caption);
    else
      host.messageBox(c.text, c.caption);
    reader.join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, c.caption);
    EXPECT_EQ(seen.text, c.text);
    EXPECT_EQ(seen.icon, c.icon);
    EXPECT_TRUE(seen.ownedByGame);
  }
}

TEST(Win32ShortcutText, NamesKeysAsTheMenuShowsThem) {
  using namespace plat::shortcut;
  struct Case {
    int shortcut;
    const char* text;
  };
  const Case cases[] = {
      {116, "F5"},  {115, "F4"},  {119, "F8"},         {112, "F1"},
      {135, "F24"}, {'A', "A"},   {'7', "7"},          {116 | Shift, "Shift+F5"},
      {'Q' | Ctrl, "Ctrl+Q"},     {115 | Alt, "Alt+F4"}, {116 | Shift | Ctrl | Alt, "Shift+Ctrl+Alt+F5"},
      {VK_ESCAPE, ""},            {0, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(plat::Win32ShortcutText(c.shortcut), c.text) << c.shortcut;
}

}  // namespace
