// The game's tool window, its menu bar and the message loop (see the note at
// the top of win32_host.h).
#include "platform/win32/win32_host.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace plat {

namespace {

constexpr char WindowClass[] = "deskball";
constexpr DWORD WindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD WindowExStyle = WS_EX_TOOLWINDOW;

// The layout's client area before placeWindow gives it its real height.
constexpr int LayoutClientHeight = 44;

// When the game's window leaves the screen: how long one program beneath
// gets to answer, how long they all get, and how long the picture then gets
// to settle.
constexpr UINT RepaintAnswerMs = 100;
constexpr ULONGLONG RepaintBudgetMs = 300;
constexpr DWORD RepaintSettleMs = 30;

struct ModifierName {
  int bit;
  const char* prefix;
};
constexpr ModifierName Modifiers[] = {
    {shortcut::Shift, "Shift+"},
    {shortcut::Ctrl, "Ctrl+"},
    {shortcut::Alt, "Alt+"},
};

struct AccelModifier {
  int bit;
  BYTE flag;
};
constexpr AccelModifier AccelModifiers[] = {
    {shortcut::Shift, FSHIFT},
    {shortcut::Ctrl, FCONTROL},
    {shortcut::Alt, FALT},
};

// One visible window per other thread that has any overlapping an area: a
// thread's message loop paints all of its windows.
struct Beneath {
  const RECT* area;
  DWORD ownThread;
  std::vector<DWORD> threads;
  std::vector<HWND> windows;
};

BOOL CALLBACK collectBeneath(HWND w, LPARAM lp) {
  Beneath& b = *reinterpret_cast<Beneath*>(lp);
  RECT r{}, both{};
  const DWORD thread = GetWindowThreadProcessId(w, nullptr);
  if (thread == b.ownThread || !IsWindowVisible(w) || !GetWindowRect(w, &r) || !IntersectRect(&both, &r, b.area))
    return TRUE;
  if (std::find(b.threads.begin(), b.threads.end(), thread) == b.threads.end()) {
    b.threads.push_back(thread);
    b.windows.push_back(w);
  }
  return TRUE;
}

}  // namespace

std::string Win32ShortcutText(int sc) {
  const int key = shortcut::key(sc);
  char name[8] = "";
  if (key >= VK_F1 && key <= VK_F24)
    std::snprintf(name, sizeof name, "F%d", key - 111);
  else if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
    name[0] = static_cast<char>(key);
  if (name[0] == '\0') return {};
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about
  // std::string's operator+ in optimised builds.
  std::string text;
  for (const ModifierName& m : Modifiers)
    if (sc & m.bit) text.append(m.prefix);
  text.append(name);
  return text;
}

std::string Win32MenuText(const MenuItem& item, const std::string& caption) {
  std::string text = caption;
  const std::string sc = item.shortcut ? Win32ShortcutText(item.shortcut) : std::string();
  if (!sc.empty()) text.append("\t").append(sc);
  return text;
}

std::unique_ptr<Host> createHost() { return std::make_unique<Win32Host>(); }

Win32Host::Win32Host() {
  instance_ = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &Win32Host::windowProc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = WindowClass;
  // A second host in one process (the tests make several) finds the class
  // already there.
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw Error("cannot register the window class");

  // The compositor (Vista and later) shows a window's disappearance at its
  // next frame; DwmFlush waits for that frame. Looked up at run time, so the
  // program still starts where there is none.
  dwmapi_ = LoadLibraryA("dwmapi.dll");
  if (dwmapi_) {
    dwmFlush_ = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(dwmapi_, "DwmFlush")));
    dwmIsCompositionEnabled_ = reinterpret_cast<HRESULT(WINAPI*)(BOOL*)>(
        reinterpret_cast<void*>(GetProcAddress(dwmapi_, "DwmIsCompositionEnabled")));
  }
}

Win32Host::~Win32Host() {
  timer_.reset();  // no tick is posted to a window that is gone
  if (hwnd_) DestroyWindow(hwnd_);  // takes its menu with it
  if (accel_) DestroyAcceleratorTable(accel_);
  if (dwmapi_) FreeLibrary(dwmapi_);
}

gfx::Point Win32Host::cursorPos() {
  POINT p{};
  GetCursorPos(&p);
  return {p.x, p.y};
}

const MenuItem* Win32Host::itemById(int id, size_t* index) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].id == id) {
      if (index) *index = i;
      return &items_[i];
    }
  }
  return nullptr;
}

// The bar from the table: a level-0 entry followed by level-1 entries opens
// a drop-down of them; any other level-0 entry is a plain item on the bar
// itself. Every item but a drop-down's title carries CommandBase + its id.
void Win32Host::buildMenu() {
  menu_ = CreateMenu();
  if (!menu_) throw Error("cannot create the menu bar");
  places_.assign(items_.size(), MenuPlace{});
  int barPosition = 0;
  HMENU dropDown = nullptr;
  int dropPosition = 0;
  std::vector<ACCEL> accels;
  for (size_t i = 0; i < items_.size(); ++i) {
    const MenuItem& m = items_[i];
    const UINT state = m.enabled ? 0 : MF_GRAYED;
    const std::string text = Win32MenuText(m, captions_[i]);
    if (m.level == 0) {
      dropDown = nullptr;
      const bool opens = i + 1 < items_.size() && items_[i + 1].level > 0;
      if (opens) {
        dropDown = CreatePopupMenu();
        if (!dropDown) throw Error("cannot create a menu");
        dropPosition = 0;
        AppendMenuA(menu_, MF_POPUP | MF_STRING | state, reinterpret_cast<UINT_PTR>(dropDown),
                    text.c_str());
      } else {
        AppendMenuA(menu_, MF_STRING | state, CommandBase + m.id, text.c_str());
      }
      places_[i] = {menu_, barPosition++};
      continue;
    }
    if (!dropDown) continue;  // a level-1 entry with no title before it
    if (std::string(m.caption) == "-")
      AppendMenuA(dropDown, MF_SEPARATOR, 0, nullptr);
    else
      AppendMenuA(dropDown, MF_STRING | state, CommandBase + m.id, text.c_str());
    places_[i] = {dropDown, dropPosition++};

    if (m.command && m.shortcut) {
      ACCEL a{};
      a.fVirt = FVIRTKEY | FNOINVERT;  // no flash of the menu bar
      for (const AccelModifier& am : AccelModifiers)
        if (m.shortcut & am.bit) a.fVirt |= am.flag;
      a.key = static_cast<WORD>(shortcut::key(m.shortcut));
      a.cmd = static_cast<WORD>(CommandBase + m.id);
      accels.push_back(a);
    }
  }
  if (!accels.empty()) {
    accel_ = CreateAcceleratorTableA(accels.data(), static_cast<int>(accels.size()));
    if (!accel_) throw Error("cannot create the menu's shortcuts");
  }
}

void Win32Host::createWindow(const MenuItem* items, int count, EventSink& sink) {
  if (hwnd_) throw Error("the window exists already");
  sink_ = &sink;
  items_.assign(items, items + count);
  captions_.clear();
  for (const MenuItem& m : items_) captions_.emplace_back(m.caption);
  buildMenu();

  RECT outer{0, 0, clientWidth_, LayoutClientHeight};
  AdjustWindowRectEx(&outer, WindowStyle, TRUE, WindowExStyle);
  hwnd_ = CreateWindowExA(WindowExStyle, WindowClass, "", WindowStyle, 0, 8, outer.right - outer.left,
                          outer.bottom - outer.top, nullptr, menu_, instance_, this);
  if (!hwnd_) {
    DestroyMenu(menu_);
    menu_ = nullptr;
    throw Error("cannot create the game's window");
  }
  timer_ = std::make_unique<Win32Timer>(hwnd_, TickMessage);
  timer_->set(timerInterval_, timerEnabled_);
}

void Win32Host::setCaption(const std::string& text) {
  if (hwnd_) SetWindowTextA(hwnd_, text.c_str());
}

void Win32Host::setMenuCaption(int id, const std::string& text) {
  size_t i = 0;
  const MenuItem* m = itemById(id, &i);
  if (!m || !places_[i].parent) return;
  captions_[i] = text;
  std::string full = Win32MenuText(*m, text);
  MENUITEMINFOA mii{};
  mii.cbSize = sizeof(mii);
  mii.fMask = MIIM_STRING;
  mii.dwTypeData = full.data();
  SetMenuItemInfoA(places_[i].parent, static_cast<UINT>(places_[i].position), TRUE, &mii);
  if (hwnd_ && places_[i].parent == menu_) DrawMenuBar(hwnd_);
}

void Win32Host::setVisible(bool visible) {
  if (!hwnd_) return;
  if (visible) {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    UpdateWindow(hwnd_);
    return;
  }
  if (!IsWindowVisible(hwnd_)) return;
  RECT was{};
  GetWindowRect(hwnd_, &was);
  ShowWindow(hwnd_, SW_HIDE);
  letDesktopRepaint(was);
}

void Win32Host::setWindowState(WindowState state) {
  if (!hwnd_) return;
  ShowWindow(hwnd_, state == WindowState::Maximized ? SW_MAXIMIZE : SW_RESTORE);
}

// The outer corner goes where asked; the height is first worked out from the
// frame metrics, then corrected by what the client area really came to (a
// menu bar too narrow for its items wraps onto a second row).
void Win32Host::placeWindow(int left, int top, int clientHeight) {
  if (!hwnd_) return;
  RECT outer{0, 0, clientWidth_, clientHeight};
  AdjustWindowRectEx(&outer, WindowStyle, TRUE, WindowExStyle);
  const int width = outer.right - outer.left;
  int height = outer.bottom - outer.top;
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
  SetWindowPos(hwnd_, nullptr, left, top, width, height, flags);
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int off = clientHeight - (client.bottom - client.top);
  if (off != 0) {
    height = std::max(height + off, 0);
    SetWindowPos(hwnd_, nullptr, left, top, width, height, flags);
  }
}

// Maximising and restoring the window already makes the windows beneath
// repaint the part of the working area it covered. The rest of the screen
// (the taskbar's strip lies outside the working area) would keep the game's
// drawings, and under the compositor drawings on the screen DC stay until
// something recomposes that spot; so every window is asked to repaint
// itself, which is what the user's "refresh" means.
void Win32Host::repaintDesktop() {
  RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Win32Host::setTimer(int intervalMs, bool enabled) {
  timerInterval_ = intervalMs;
  timerEnabled_ = enabled;
  if (timer_) timer_->set(intervalMs, enabled);
}

void Win32Host::messageBox(const std::string& text, const std::string& caption) {
  MessageBoxA(hwnd_, text.c_str(), caption.c_str(), MB_OK);
}

void Win32Host::errorBox(const std::string& text, const std::string& title) {
  MessageBoxA(hwnd_, text.c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
}

void Win32Host::run() {
  if (!hwnd_) return;
  quitRequested_ = false;
  setVisible(true);
  // WM_QUIT only comes once every posted message before it is handled, so
  // the loop itself stops at quit(): keys and ticks queued behind the close
  // never reach the form.
  MSG msg;
  while (!quitRequested_ && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (accel_ && TranslateAcceleratorA(hwnd_, accel_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // ours, not the next loop's
  RECT covered{};
  GetWindowRect(hwnd_, &covered);
  timer_.reset();
  DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  menu_ = nullptr;
  letDesktopRepaint(covered);
  if (escaped_) std::rethrow_exception(std::exchange(escaped_, nullptr));
}

void Win32Host::quit() {
  quitRequested_ = true;
  PostQuitMessage(0);  // wakes GetMessage, and ends a modal loop that is open
}

// A hidden or destroyed window leaves its area to what is beneath. Under the
// compositor (every Windows from 8 on) the windows keep their pictures, and
// the area is whole again once the compositor has presented the next frame;
// DwmFlush waits for that. Without one, the windows beneath repaint the area
// on their own threads, in their own time: two round trips of WM_NULL
// through each of those threads' message loops let a loop take the paint
// that was due between the two. A time budget keeps busy or hung programs
// from holding the game up. Meanwhile only this thread's paint messages
// run, so no tick or key slips in.
void Win32Host::letDesktopRepaint(const RECT& uncovered) {
  BOOL composed = FALSE;
  if (dwmFlush_ && dwmIsCompositionEnabled_ && SUCCEEDED(dwmIsCompositionEnabled_(&composed)) && composed) {
    dwmFlush_();
    dwmFlush_();
  } else {
    Beneath found{&uncovered, GetCurrentThreadId(), {}, {}};
    EnumWindows(&collectBeneath, reinterpret_cast<LPARAM>(&found));
    const ULONGLONG budgetEnd = GetTickCount64() + RepaintBudgetMs;
    for (int round = 0; round < 2; ++round) {
      for (HWND w : found.windows) {
        const ULONGLONG now = GetTickCount64();
        if (now >= budgetEnd) break;
        const UINT wait = static_cast<UINT>(std::min<ULONGLONG>(budgetEnd - now, RepaintAnswerMs));
        SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, wait, nullptr);
      }
    }
  }
  const ULONGLONG until = GetTickCount64() + RepaintSettleMs;
  MSG msg;
  do {
    while (PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(5);
  } while (GetTickCount64() < until);
  GdiFlush();
}

LRESULT CALLBACK Win32Host::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    auto* creating = static_cast<Win32Host*>(cs->lpCreateParams);
    creating->hwnd_ = hwnd;  // CreateWindowEx has not returned it yet
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creating));
  }
  auto* self = reinterpret_cast<Win32Host*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self || self->hwnd_ != hwnd) return DefWindowProcA(hwnd, msg, wp, lp);
  // No C++ exception may unwind through USER32's frames: one that gets past
  // the form's own guard ends the loop and is thrown again from run().
  try {
    return self->handle(msg, wp, lp);
  } catch (...) {
    if (!self->escaped_) self->escaped_ = std::current_exception();
    self->quit();
    return 0;
  }
}

// Every event the form gets comes through here.
LRESULT Win32Host::handle(UINT msg, WPARAM wp, LPARAM lp) {
  // After quit() nothing more reaches the form: run() is on its way out.
  EventSink* sink = quitRequested_ ? nullptr : sink_;
  switch (msg) {
    case TickMessage:
      // A tick never runs inside another: a message box shown by a tick runs
      // a loop of its own, and the ticks it would dispatch are dropped.
      if (timer_ && timer_->takeTick() && sink && !inTick_) {
        inTick_ = true;
        struct Reset {
          bool& flag;
          ~Reset() { flag = false; }
        } reset{inTick_};
        sink->onTimer();
      }
      return 0;

    case WM_COMMAND: {
      // Menu clicks (source 0) and accelerators (source 1) alike.
      if (HIWORD(wp) > 1 || lp != 0) break;
      const MenuItem* m = itemById(static_cast<int>(LOWORD(wp)) - CommandBase);
      if (m && m->command && m->enabled && sink) sink->onMenu(m->id);
      return 0;
    }

    // wParam is the virtual-key code already. With Alt held the keys come as
    // the system variants; they reach the form as well (Alt+Left is Left)
    // and still go on to DefWindowProc for Alt+F4 and the menu's access keys.
    case WM_KEYDOWN:
      if (sink) sink->onKeyDown(static_cast<int>(wp));
      return 0;
    case WM_KEYUP:
      if (sink) sink->onKeyUp(static_cast<int>(wp));
      return 0;
    case WM_SYSKEYDOWN:
      if (sink) sink->onKeyDown(static_cast<int>(wp));
      break;
    case WM_SYSKEYUP:
      if (sink) sink->onKeyUp(static_cast<int>(wp));
      break;

    case WM_CLOSE:
      // The close box, the system menu and Alt+F4. The form decides; it ends
      // the loop with quit(), and run() destroys the window afterwards.
      if (sink) sink->onCloseRequest();
      return 0;

    case WM_GETMINMAXINFO: {
      // The window is smaller than Windows' least tracking size (its client
      // area has no height), and SetWindowPos would be held to it.
      auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
      mmi->ptMinTrackSize = {1, 1};
      return 0;
    }
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

}  // namespace plat
