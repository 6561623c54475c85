// End to end: deskball.exe on a desktop whose picture is known, watched from
// another process as a user would see it.
//
//   deskball_e2e_probe GAME.exe
//
// The probe covers the screen with a window of its own that shows a known
// pattern, counts the blocks in a GDI capture of it with the game's rule,
// starts the game and then checks, from outside: the title shows that count,
// the window sits at (0, 8) with no client area and the table's menu, the
// first tick launches a ball ("ba" becomes "99") and the paddle is drawn on
// the screen, F8 picks the background colour under the cursor and stops the
// game, F5 starts a new one whose snapshot does not contain the game's own
// window, Escape ends it with exit code 0, and the desktop then shows the
// pattern again without the game's drawings.
//
// Exit code 0 when every check passed.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// --- the known screen -------------------------------------------------------

constexpr COLORREF Background = RGB(0x33, 0x66, 0x99);
constexpr const char* BackgroundText = "996633";  // as the status shows 0x00996633
constexpr int Cell = 16;

struct Patch {
  RECT r;
  const char* why;
};
// Painted in the pattern colour over the background. With the desktop
// 1024 x 700: 64 columns, 43 rows, of which the bottom 4 are never scanned.
const Patch Patches[] = {
    {{128, 64, 288, 112}, "30 whole cells: columns 8-17, rows 4-6"},
    {{640, 160, 656, 176}, "1 whole cell (40, 10)"},
    {{815, 207, 816, 208}, "1 pixel, the bottom-right corner of cell (50, 12): 1 block"},
    {{840, 200, 841, 201}, "1 pixel inside cell (52, 12), no corner: no block"},
    {{479, 319, 481, 321}, "2 x 2 pixels on the corners of 4 cells: 4 blocks"},
    {{320, 640, 336, 656}, "a whole cell in row 40, below the scanned rows: no block"},
    {{0, 690, 1024, 700}, "the rows below the last whole cell: no block"},
};
constexpr int ExpectedBlocks = 36;
constexpr COLORREF PatchColour = RGB(0xE0, 0x20, 0x40);

LRESULT CALLBACK patternProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) return 1;
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT all;
    GetClientRect(hwnd, &all);
    HBRUSH bg = CreateSolidBrush(Background), fg = CreateSolidBrush(PatchColour);
    FillRect(dc, &all, bg);
    for (const Patch& p : Patches) FillRect(dc, &p.r, fg);
    DeleteObject(bg);
    DeleteObject(fg);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// --- looking at the screen --------------------------------------------------

struct Capture {
  int w = 0, h = 0;
  std::vector<COLORREF> px;  // 0x00BBGGRR
  COLORREF at(int x, int y) const {
    if (x < 0 || y < 0 || x >= w || y >= h) return CLR_INVALID;
    return px[static_cast<size_t>(y) * w + x];
  }
};

Capture capture() {
  Capture c;
  c.w = GetSystemMetrics(SM_CXSCREEN);
  c.h = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = c.w;
  bi.bmiHeader.biHeight = -c.h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, dib);
  BitBlt(mem, 0, 0, c.w, c.h, screen, 0, 0, SRCCOPY);
  GdiFlush();
  c.px.resize(static_cast<size_t>(c.w) * c.h);
  const auto* in = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < c.px.size(); ++i) {
    const uint32_t v = in[i];  // 0x00RRGGBB in a DIB
    c.px[i] = RGB(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
  }
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return c;
}

// The game's rule, written out again: the background is the colour at the
// left edge half-way down; a cell is a block when any of its four corners
// differs from it; the bottom four rows hold none.
int countBlocks(const Capture& c) {
  const COLORREF bg = c.at(0, c.h / 2);
  const int cols = c.w / Cell, rows = c.h / Cell - 4;
  int n = 0;
  for (int r = 0; r < rows; ++r)
    for (int k = 0; k < cols; ++k) {
      const int x = k * Cell, y = r * Cell, e = Cell - 1;
      if (c.at(x, y) != bg || c.at(x + e, y) != bg || c.at(x, y + e) != bg || c.at(x + e, y + e) != bg) ++n;
    }
  return n;
}

// --- waiting while the probe's own window keeps painting ---------------------

void pump(DWORD ms) {
  const ULONGLONG until = GetTickCount64() + ms;
  MSG m;
  for (;;) {
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= until) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(until - now, 20)),
                              QS_ALLINPUT);
  }
}

// Polls `done` (every 20 ms, messages pumped in between) until it holds or
// the deadline passes. The deadlines are generous: they only bound a hang.
bool waitFor(DWORD ms, const std::function<bool()>& done) {
  const ULONGLONG until = GetTickCount64() + ms;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= until) return false;
    pump(20);
  }
}

// --- the game's window, from outside ----------------------------------------

struct Search {
  DWORD pid;
  HWND found;
};
BOOL CALLBACK findVisible(HWND w, LPARAM lp) {
  auto& s = *reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == s.pid && IsWindowVisible(w) && GetMenu(w)) {
    s.found = w;
    return FALSE;
  }
  return TRUE;
}

std::string title(HWND w) {
  char buf[64] = "";
  GetWindowTextA(w, buf, sizeof buf);
  return buf;
}

std::string menuText(HMENU m, int pos) {
  char buf[64] = "";
  GetMenuStringA(m, static_cast<UINT>(pos), buf, sizeof buf, MF_BYPOSITION);
  return buf;
}

// The menu bar as the screen shows it: the rows between the caption and the
// client area, as wide as the client area.
std::vector<COLORREF> barPicture(HWND w) {
  POINT origin{0, 0};
  ClientToScreen(w, &origin);
  RECT client{};
  GetClientRect(w, &client);
  const int rows = GetSystemMetrics(SM_CYMENU);
  const Capture c = capture();
  std::vector<COLORREF> out;
  for (int y = origin.y - rows; y < origin.y; ++y)
    for (int x = origin.x; x < origin.x + client.right; ++x) out.push_back(c.at(x, y));
  return out;
}

// A window of the game's own kind, built by the probe, whose menu bar shows
// a text the probe chooses: the game's menu bar shows a text when its
// picture is the same as this window's. Wine keeps a menu inside the process
// that made it (GetMenuString on another program's menu reads nothing), so
// the probe reads the game's status item the way the user does, off the
// screen.
LRESULT CALLBACK referenceProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_GETMINMAXINFO) {  // as small as the game's window may be
    reinterpret_cast<MINMAXINFO*>(lp)->ptMinTrackSize = {1, 1};
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// It sits in the bottom rows, which the game never scans for blocks, to the
// right of where the paddle is and where its balls can fly from it, so it
// does not change the next game's block count and no sprite lands on it.
constexpr int ReferenceX = 800, ReferenceY = 628;

struct Reference {
  HWND w = nullptr;
  HMENU bar = nullptr;
  std::string shows;

  void create() {
    bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, 1, "&run\tF5");
    AppendMenuA(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(file), "&file");
    AppendMenuA(bar, MF_STRING | MF_GRAYED, 2, "ba");
    shows = "ba";
    WNDCLASSA wc{};
    wc.lpfnWndProc = referenceProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = "deskball_e2e_reference";
    RegisterClassA(&wc);
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, ex = WS_EX_TOOLWINDOW;
    w = CreateWindowExA(ex, wc.lpszClassName, "reference", style, ReferenceX, ReferenceY, 120, 60, nullptr, bar,
                        wc.hInstance, nullptr);
  }
  // The same client width and no client height, as the game's window.
  void match(HWND game) {
    RECT gameOuter{};
    GetWindowRect(game, &gameOuter);
    SetWindowPos(w, HWND_TOP, ReferenceX, ReferenceY, gameOuter.right - gameOuter.left,
                 gameOuter.bottom - gameOuter.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
  void show(const std::string& text) {
    if (text == shows) return;
    ModifyMenuA(bar, 1, MF_BYPOSITION | MF_STRING | MF_GRAYED, 2, text.c_str());
    DrawMenuBar(w);
    shows = text;
    pump(50);
  }
};
Reference reference;

bool statusShows(HWND game, const std::string& text) {
  reference.show(text);
  const std::vector<COLORREF> want = barPicture(reference.w);
  return !want.empty() && barPicture(game) == want;
}

void press(HWND w, UINT vk) {
  PostMessageA(w, WM_KEYDOWN, vk, 1);
  PostMessageA(w, WM_KEYUP, vk, 0xC0000001);
}

int failures = 0;
void check(bool ok, const std::string& what) {
  std::printf("%s - %s\n", ok ? "ok" : "FAILED", what.c_str());
  std::fflush(stdout);
  if (!ok) ++failures;
}

int finish() {
  std::printf("%s: %d failed\n", failures == 0 ? "PASS" : "FAIL", failures);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: deskball_e2e_probe GAME.exe\n");
    return 2;
  }
  const char* game = argv[1];
  // The same real pixels the game asks for, or a scaled desktop would
  // disagree with its snapshot.
  SetProcessDPIAware();

  const int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
  check(W == 1024 && H == 700, "the desktop is 1024 x 700 (is " + std::to_string(W) + " x " + std::to_string(H) + ")");
  if (failures) return finish();

  WNDCLASSA wc{};
  wc.lpfnWndProc = patternProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "deskball_e2e_pattern";
  RegisterClassA(&wc);
  HWND pattern = CreateWindowExA(0, wc.lpszClassName, "pattern", WS_POPUP | WS_VISIBLE, 0, 0, W, H, nullptr,
                                 nullptr, wc.hInstance, nullptr);
  UpdateWindow(pattern);
  int seen = -1;
  const bool painted = waitFor(10000, [&] { return (seen = countBlocks(capture())) == ExpectedBlocks; });
  check(painted, "a capture of the pattern has " + std::to_string(ExpectedBlocks) + " blocks (counted " +
                     std::to_string(seen) + ")");
  if (failures) return finish();

  // The cursor rests on the background, where F8 will pick it up.
  SetCursorPos(512, 450);

  std::string cmd = std::string("\"") + game + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    check(false, "start " + cmd);
    return finish();
  }
  auto exited = [&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; };

  Search s{pi.dwProcessId, nullptr};
  check(waitFor(60000, [&] {
          s.found = nullptr;
          EnumWindows(findVisible, reinterpret_cast<LPARAM>(&s));
          return s.found != nullptr || exited();
        }) && s.found,
        "the game shows its window");
  const HWND w = s.found;
  if (!w) {
    TerminateProcess(pi.hProcess, 99);
    return finish();
  }

  check(title(w) == std::to_string(ExpectedBlocks), "the title shows the block count (is \"" + title(w) + "\")");
  RECT outer{}, client{};
  GetWindowRect(w, &outer);
  GetClientRect(w, &client);
  check(outer.left == 0 && outer.top == 8, "the window's corner is at (0, 8)");
  check(client.bottom - client.top == 0, "the window has no client area");
  check((GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0, "it is a tool window");

  reference.create();
  reference.match(w);
  check(statusShows(w, "ba") || statusShows(w, "99"), "the menu bar shows file and the status: \"ba\", or \"99\" once the first tick ran");
  check(!statusShows(w, "88"), "(a menu bar showing another status looks different)");
  // Where another program's menu can be read (not under wine), its items.
  HMENU bar = GetMenu(w);
  if (menuText(bar, 0) == "&file") {
    HMENU file = GetSubMenu(bar, 0);
    check(GetMenuItemCount(bar) == 2 && (GetMenuState(bar, 1, MF_BYPOSITION) & MF_GRAYED) != 0,
          "the bar holds \"&file\" and the greyed status");
    const char* items[] = {"&run\tF5", "r&efresh\tF4", "set bg&color\tF8", "", "&quit  ESC"};
    bool same = file && GetMenuItemCount(file) == 5;
    for (int i = 0; same && i < 5; ++i) same = menuText(file, i) == items[i];
    check(same, "the file menu lists run F5, refresh F4, set bg color F8, a separator, quit ESC");
  }

  check(waitFor(20000, [&] { return statusShows(w, "99"); }), "the first tick launches a ball: the status shows 99");
  const int paddleY = H - 34;
  check(waitFor(5000,
                [&] {
                  const Capture c = capture();
                  for (int x = 0; x < ReferenceX; ++x)
                    if (c.at(x, paddleY) != Background) return true;
                  return false;
                }),
        "the paddle is drawn on the screen");

  press(w, VK_F8);
  check(waitFor(10000, [&] { return statusShows(w, BackgroundText); }),
        std::string("F8 shows the colour under the cursor in the status: ") + BackgroundText);

  press(w, VK_F5);
  check(waitFor(20000, [&] { return statusShows(w, "99"); }), "F5 starts a new game that launches again");
  check(title(w) == std::to_string(ExpectedBlocks),
        "the new game's snapshot holds the same blocks, not the game's own window (title \"" + title(w) + "\")");
  check(IsWindowVisible(w) != FALSE, "the window is back after F5");

  press(w, VK_ESCAPE);
  check(waitFor(20000, exited), "Escape ends the game");
  DWORD code = 12345;
  GetExitCodeProcess(pi.hProcess, &code);
  check(code == 0, "with exit code 0 (is " + std::to_string(code) + ")");
  if (!exited()) TerminateProcess(pi.hProcess, 99);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);

  DestroyWindow(reference.w);
  check(waitFor(5000,
                [&] {
                  const Capture c = capture();
                  for (int x = 0; x < W; ++x)
                    if (c.at(x, paddleY) != Background) return false;
                  return countBlocks(c) == ExpectedBlocks;
                }),
        "afterwards the desktop shows the pattern again, without the paddle or the ball");

  DestroyWindow(pattern);
  return finish();
}
