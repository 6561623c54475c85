#include "platform/x11/x11_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <chrono>
#include <map>

#include "platform/x11/x11_errors.h"

namespace plat {

namespace {

constexpr int ClientWidth = 101;
constexpr int MenuBarHeight = 25;

// FLTK key symbol -> virtual-key code, for the keys with a fixed symbol.
// Letters, digits, the keypad and the function keys are ranges, below.
struct KeyCode {
  int fltk;
  int vk;
};
constexpr KeyCode NamedKeys[] = {
    {FL_BackSpace, 8},      {FL_Tab, 9},          {FL_Enter, 13},         {FL_KP_Enter, 13},
    {FL_Pause, 19},         {FL_Caps_Lock, 20},   {FL_Escape, vk::Escape}, {' ', 32},
    {FL_Page_Up, 33},       {FL_Page_Down, 34},   {FL_End, 35},           {FL_Home, 36},
    {FL_Left, vk::Left},    {FL_Up, vk::Up},      {FL_Right, vk::Right},  {FL_Down, vk::Down},
    {FL_Print, 44},         {FL_Insert, 45},      {FL_Delete, 46},        {FL_Shift_L, vk::Shift},
    {FL_Shift_R, vk::Shift}, {FL_Control_L, vk::Control}, {FL_Control_R, vk::Control},
    {FL_Alt_L, vk::Menu},   {FL_Alt_R, vk::Menu}, {FL_Meta_L, 91},        {FL_Meta_R, 92},
    {FL_Menu, 93},          {FL_Num_Lock, 144},   {FL_Scroll_Lock, 145},
};
constexpr int VkF1 = 112, VkNumpad0 = 96;

int modifiersNow() {
  const int state = Fl::event_state();
  return ((state & FL_SHIFT) ? shortcut::Shift : 0) | ((state & FL_CTRL) ? shortcut::Ctrl : 0) |
         ((state & FL_ALT) ? shortcut::Alt : 0);
}

Atom atom(Display* dpy, const char* name) { return XInternAtom(dpy, name, False); }

// Whether the running window manager says it understands an EWMH atom.
bool wmSupports(Display* dpy, Atom wanted) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(dpy, DefaultRootWindow(dpy), atom(dpy, "_NET_SUPPORTED"), 0, 4096, False, XA_ATOM,
                         &type, &format, &count, &after, &data) == Success &&
      data && format == 32) {
    const long* atoms = reinterpret_cast<const long*>(data);
    for (unsigned long i = 0; i < count && !found; ++i) found = static_cast<Atom>(atoms[i]) == wanted;
  }
  if (data) XFree(data);
  return found;
}

void sendToWm(Display* dpy, Window w, Atom message, long a0, long a1, long a2, long a3 = 0) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = message;
  e.xclient.format = 32;
  e.xclient.data.l[0] = a0;
  e.xclient.data.l[1] = a1;
  e.xclient.data.l[2] = a2;
  e.xclient.data.l[3] = a3;
  XSendEvent(dpy, DefaultRootWindow(dpy), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

// The window FLTK made, with the game's handling of keys and the close box.
class GameWindow : public Fl_Window {
 public:
  GameWindow(X11Window& owner, int w, int h) : Fl_Window(w, h), owner_(owner) {}

  int handle(int event) override {
    switch (event) {
      case FL_KEYDOWN:
        if (owner_.handleKey(true)) return 1;
        break;
      case FL_KEYUP:
        if (owner_.handleKey(false)) return 1;
        break;
      default:
        break;
    }
    return Fl_Window::handle(event);
  }

 private:
  X11Window& owner_;
};

}  // namespace

int x11VirtualKey(int key) {
  for (const KeyCode& k : NamedKeys)
    if (k.fltk == key) return k.vk;
  if (key >= 'a' && key <= 'z') return key - 'a' + 'A';
  if (key >= '0' && key <= '9') return key;
  if (key > FL_F && key <= FL_F + 24) return VkF1 + (key - FL_F - 1);
  if (key >= FL_KP + '0' && key <= FL_KP + '9') return VkNumpad0 + (key - FL_KP - '0');
  return 0;
}

int x11FltkKey(int code) {
  for (const KeyCode& k : NamedKeys)
    if (k.vk == code) return k.fltk;
  if (code >= 'A' && code <= 'Z') return code - 'A' + 'a';
  if (code >= '0' && code <= '9') return code;
  if (code >= VkF1 && code < VkF1 + 24) return FL_F + 1 + (code - VkF1);
  if (code >= VkNumpad0 && code <= VkNumpad0 + 9) return FL_KP + '0' + (code - VkNumpad0);
  return 0;
}

int x11FltkShortcut(int sc) {
  if (sc == 0) return 0;
  const int key = x11FltkKey(shortcut::key(sc));
  if (key == 0) return 0;
  return key | ((sc & shortcut::Shift) ? FL_SHIFT : 0) | ((sc & shortcut::Ctrl) ? FL_CTRL : 0) |
         ((sc & shortcut::Alt) ? FL_ALT : 0);
}

struct X11Window::Impl {
  Display* dpy;
  X11WindowEvents& events;
  std::vector<MenuItem> table;
  std::vector<Fl_Menu_Item> menu;   // FLTK's copy of the table, as the bar shows it
  std::map<int, size_t> menuIndex;  // item id -> its entry in `menu`
  std::map<int, std::string> menuCaptions;  // captions changed at run time
  GameWindow* window = nullptr;
  Fl_Menu_Bar* bar = nullptr;
  int left = 0;
  int top = 0;
  int clientHeight = 0;
  int monX = 0, monY = 0, monW = 0, monH = 0;  // 0 x 0: the whole screen
  bool maximized = false;
  bool maximizedByHand = false;

  Impl(Display* d, X11WindowEvents& e) : dpy(d), events(e) {}
};

namespace {

void menuCallback(Fl_Widget* bar, void* id) {
  static_cast<X11Window*>(bar->user_data())->menuPicked(static_cast<int>(reinterpret_cast<intptr_t>(id)));
}

void closeCallback(Fl_Widget*, void* self) {
  // Escape never gets here (the window takes it as a key), so this is the
  // close box, the window menu or the window manager's close key.
  static_cast<X11Window*>(self)->closeRequest();
}

}  // namespace

X11Window::X11Window(Display* dpy, const MenuItem* items, int count, X11WindowEvents& events)
    : s_(std::make_unique<Impl>(dpy, events)) {
  Impl& s = *s_;
  s.table.assign(items, items + count);

  // The table in FLTK's form: a level-0 entry with level-1 entries after it
  // becomes a submenu, ended by an empty entry; a "-" entry becomes the
  // divider flag of the entry before it.
  for (size_t i = 0; i < s.table.size(); ++i) {
    const MenuItem& m = s.table[i];
    const bool opensSubmenu = m.level == 0 && i + 1 < s.table.size() && s.table[i + 1].level == 1;
    if (m.caption && std::string(m.caption) == "-") {
      if (!s.menu.empty() && s.menu.back().text) s.menu.back().flags |= FL_MENU_DIVIDER;
      continue;
    }
    Fl_Menu_Item fi{};
    fi.text = m.caption;
    fi.shortcut_ = x11FltkShortcut(m.shortcut);
    if (m.command) {
      fi.callback_ = menuCallback;
      fi.user_data_ = reinterpret_cast<void*>(static_cast<intptr_t>(m.id));
    }
    if (!m.enabled) fi.flags |= FL_MENU_INACTIVE;
    if (opensSubmenu) fi.flags |= FL_SUBMENU;
    s.menuIndex[m.id] = s.menu.size();
    s.menu.push_back(fi);
    const bool lastOfSubmenu = m.level == 1 && (i + 1 == s.table.size() || s.table[i + 1].level == 0);
    if (lastOfSubmenu) s.menu.push_back(Fl_Menu_Item{});
  }
  s.menu.push_back(Fl_Menu_Item{});

  s.window = new GameWindow(*this, ClientWidth, MenuBarHeight);
  s.window->xclass("deskball");
  s.window->callback(closeCallback, this);
  s.bar = new Fl_Menu_Bar(0, 0, ClientWidth, MenuBarHeight);
  s.bar->user_data(this);
  s.bar->menu(s.menu.data());
  s.window->end();
  // Not resizable by FLTK's rules (that would pin the size and forbid
  // maximising); the window manager may make it any size from this up.
  s.window->size_range(ClientWidth, MenuBarHeight, 0, 0);
}

X11Window::~X11Window() {
  if (s_->window) {
    s_->window->hide();
    delete s_->window;  // and the bar with it
  }
}

bool X11Window::shown() const { return s_->window->shown(); }

void X11Window::setCaption(const std::string& text) { s_->window->copy_label(text.c_str()); }

void X11Window::setMenuCaption(int id, const std::string& text) {
  Impl& s = *s_;
  const auto it = s.menuIndex.find(id);
  if (it == s.menuIndex.end()) return;
  std::string& stored = s.menuCaptions[id];
  stored = text;
  s.menu[it->second].text = stored.c_str();
  s.bar->redraw();
}

void X11Window::place(int left, int top, int clientHeight) {
  Impl& s = *s_;
  s.left = left;
  s.top = top;
  s.clientHeight = clientHeight < 0 ? 0 : clientHeight;
  const int h = MenuBarHeight + s.clientHeight;
  s.window->size(ClientWidth, h);
  s.window->size_range(ClientWidth, h, 0, 0);
}

void X11Window::setMonitor(int x, int y, int w, int h) {
  Impl& s = *s_;
  s.monX = x, s.monY = y, s.monW = w, s.monH = h;
}

void X11Window::show() {
  Impl& s = *s_;
  if (s.window->shown()) return;
  Display* dpy = s.dpy;

  // FLTK creates and maps the window in one go. With the server grabbed the
  // window manager cannot act on the map before the hints and the move below
  // are in, so it manages the window knowing where its frame goes.
  XGrabServer(dpy);
  s.window->show();
  const Window xid = fl_xid(s.window);

  const Atom utility = atom(dpy, "_NET_WM_WINDOW_TYPE_UTILITY");
  XChangeProperty(dpy, xid, atom(dpy, "_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&utility), 1);

  // NorthWestGravity: a position is the frame's outer top-left corner.
  XSizeHints* hints = XAllocSizeHints();
  hints->flags = USPosition | PPosition | PMinSize | PWinGravity;
  hints->x = s.left;
  hints->y = s.top;
  hints->min_width = s.window->w();
  hints->min_height = s.window->h();
  hints->win_gravity = NorthWestGravity;
  XSetWMNormalHints(dpy, xid, hints);
  XFree(hints);
  XMoveWindow(dpy, xid, s.left, s.top);
  XUngrabServer(dpy);
  XFlush(dpy);

  // Wait until it is on the screen, then make it the active window.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  for (;;) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(dpy, xid, &a) && a.map_state == IsViewable) break;
    if (std::chrono::steady_clock::now() > deadline) break;
    s.events.pump(0.01);
  }
  const Atom activeWindow = atom(dpy, "_NET_ACTIVE_WINDOW");
  if (wmSupports(dpy, activeWindow)) {
    sendToWm(dpy, xid, activeWindow, 1 /* from an application */, static_cast<long>(fl_event_time), 0);
  } else {
    X11ErrorTrap trap(dpy);  // it may be unmapped again by now
    XSetInputFocus(dpy, xid, RevertToParent, CurrentTime);
  }
  XFlush(dpy);
}

void X11Window::hide() {
  Impl& s = *s_;
  if (!s.window->shown()) return;
  Display* dpy = s.dpy;
  const Window xid = fl_xid(s.window);

  // The window manager's frame is what shows on the screen: the ancestor of
  // our window just below the root (our window itself without a manager).
  Window frame = xid;
  {
    X11ErrorTrap trap(dpy);
    for (;;) {
      Window root = 0, parent = 0, *children = nullptr;
      unsigned count = 0;
      if (!XQueryTree(dpy, frame, &root, &parent, &children, &count)) break;
      if (children) XFree(children);
      if (parent == root || parent == 0) break;
      frame = parent;
    }
  }

  s.window->hide();  // FLTK destroys the X window
  XSync(dpy, False);

  // The manager takes its frame down when it hears of it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (frame != xid && std::chrono::steady_clock::now() < deadline) {
    XWindowAttributes a{};
    Status ok;
    int error;
    {
      X11ErrorTrap trap(dpy);
      ok = XGetWindowAttributes(dpy, frame, &a);
      error = trap.check();
    }
    if (!ok || error != 0 || a.map_state != IsViewable) break;
    s.events.pump(0.01);
  }
  // The windows beneath get their exposures now; give them a moment to
  // paint before anyone reads the screen.
  s.events.pump(0.1);
  XSync(dpy, False);
  s.maximized = false;
  s.maximizedByHand = false;
}

void X11Window::setMaximized(bool on) {
  Impl& s = *s_;
  if (!s.window->shown() || on == s.maximized) return;
  Display* dpy = s.dpy;
  const Window xid = fl_xid(s.window);
  s.maximized = on;

  const Atom state = atom(dpy, "_NET_WM_STATE");
  const Atom vert = atom(dpy, "_NET_WM_STATE_MAXIMIZED_VERT");
  const Atom horz = atom(dpy, "_NET_WM_STATE_MAXIMIZED_HORZ");
  if (wmSupports(dpy, vert) && !s.maximizedByHand) {
    sendToWm(dpy, xid, state, on ? 1 : 0 /* add / remove */, static_cast<long>(vert),
             static_cast<long>(horz), 1);
  } else if (on) {
    // No manager to ask: cover the game's monitor ourselves, and come back
    // after.
    s.maximizedByHand = true;
    const bool whole = s.monW <= 0 || s.monH <= 0;
    XMoveResizeWindow(dpy, xid, whole ? 0 : s.monX, whole ? 0 : s.monY,
                      static_cast<unsigned>(whole ? DisplayWidth(dpy, DefaultScreen(dpy)) : s.monW),
                      static_cast<unsigned>(whole ? DisplayHeight(dpy, DefaultScreen(dpy)) : s.monH));
  } else {
    s.maximizedByHand = false;
    XMoveResizeWindow(dpy, xid, s.left, s.top, static_cast<unsigned>(ClientWidth),
                      static_cast<unsigned>(MenuBarHeight + s.clientHeight));
  }
  XFlush(dpy);
}

bool X11Window::handleKey(bool down) {
  Impl& s = *s_;
  const int code = x11VirtualKey(Fl::event_key());
  if (code == 0) return false;
  const bool gameKey = code == vk::Escape || code == vk::Left || code == vk::Right || code == vk::Up ||
                       code == vk::Down;
  if (!down) {
    s.events.windowKeyUp(code);
    return gameKey;
  }
  const int mods = modifiersNow();
  // A shortcut acts with exactly its modifiers: F5 is a new game, Shift+F5
  // is just a key.
  for (const MenuItem& m : s.table) {
    if (m.command && m.enabled && m.shortcut != 0 && shortcut::key(m.shortcut) == code &&
        (m.shortcut & (shortcut::Shift | shortcut::Ctrl | shortcut::Alt)) == mods) {
      menuPicked(m.id);
      return true;
    }
  }
  // The close key, for when no window manager takes it first.
  if (code == vk::F4 && mods == shortcut::Alt) {
    closeRequest();
    return true;
  }
  s.events.windowKeyDown(code);
  // Keys the game does not take go on to FLTK, so Alt+F still opens the
  // menu; Escape is the game's, never FLTK's "close this window".
  return gameKey;
}

void X11Window::closeRequest() { s_->events.windowCloseRequest(); }
void X11Window::menuPicked(int id) { s_->events.windowMenu(id); }

}  // namespace plat
