#!/usr/bin/env python3
"""End-to-end tests of deskball on a real X server (Xvfb) with a real window
manager (openbox). Run one case:

    e2e.py --deskball PATH --helper PATH CASE

Every case builds its own desktop from scratch, so cases are independent and
can run in any order. The block counts the game's title is checked against
are computed here, from an xwd image of the screen, with the game's rules
restated from the outside (see desktop.block_cells).
"""

import argparse
import os
import select
import signal
import sys
import time

from desktop import CELL, Desktop, Game, block_cells, cell_is, wait_for

BG = "3A6EA5"

# Blocks kept well above the paddle, so no ball reaches them in the first
# seconds: a count read right after start is still the first game's. The
# green window is off the 16-pixel grid, so its edge cells count by their
# corners alone.
SCENE = [
    (0, 96, 1024, 64, "C00000"),
    (600, 40, 200, 100, "00A000"),
    (160, 320, 96, 48, "FFFF00"),
]
# Everything on the grid: a cell is covered wholly or not at all.
ALIGNED_SCENE = [
    (0, 96, 1024, 64, "C00000"),
    (608, 32, 192, 96, "00A000"),
    (160, 320, 96, 48, "FFFF00"),
]

PADDLE_LIFT = 34  # the paddle's top row is this far above the bottom


def desktop(args, scene=SCENE, **kw):
    d = Desktop(args.helper, **kw)
    d.__enter__()
    try:
        d.root(BG)
        d.windows(scene)
        d.settle()
    except BaseException:
        d.close()
        raise
    return d


def paddle_left(img, before):
    """The left end of the paddle: the longest run of changed pixels on the
    paddle's two rows (white over silver, so over a white client only the
    lower row shows it; a ball or a chip makes a far shorter run)."""
    best, best_len = None, 0
    for y in (img.height - PADDLE_LIFT, img.height - PADDLE_LIFT + 1):
        start = None
        for x in range(img.width + 1):
            changed = x < img.width and img.px(x, y) != before.px(x, y)
            if changed and start is None:
                start = x
            elif not changed and start is not None:
                if x - start > best_len:
                    best, best_len = start, x - start
                start = None
    return best if best_len >= 24 else None


def open_file_menu(d, client):
    """Clicks "file" on the menu bar and returns the drop-down's (x, y, w, h):
    the new override-redirect window below the bar (FLTK also pops one up
    over the bar, for the highlighted title)."""
    old = set(d.toplevels())
    bar_bottom = client["y"] + client["h"]
    d.xdotool("mousemove", client["x"] + 14, client["y"] + client["h"] // 2, "click", 1)
    return wait_for("the file menu", lambda: [t[:4] for w, t in d.toplevels().items()
                                              if t[4] and w not in old and t[1] >= bar_bottom - 2], timeout=10)[0]


def assert_screen_back(d, before, keep_out=(), what="the desktop"):
    """Waits until every pixel outside the keep-out rectangles is as it was
    before the game, and fails with the count of differing pixels if that
    never happens."""

    def outside(x, y):
        return all(not (kx <= x < kx + kw and ky <= y < ky + kh) for kx, ky, kw, kh in keep_out)

    last = [None]

    def back():
        img = d.capture()
        diff = sum(1 for y in range(img.height) for x in range(img.width)
                   if img.rows[y][x] != before.rows[y][x] and outside(x, y))
        last[0] = diff
        return diff == 0

    try:
        wait_for(what + " repainted", back, timeout=10, interval=0.3)
    except AssertionError:
        raise AssertionError("%s: %s pixels still differ from before the game" % (what, last[0]))


def wait_played(d, g, before, start_count):
    """Lets the game run until it has broken blocks and drawn its paddle."""
    wait_for("blocks broken", lambda: g.count() < start_count, timeout=40, interval=0.3)
    wait_for("the paddle drawn", lambda: paddle_left(d.capture(), before) is not None, timeout=10)


# --- cases ------------------------------------------------------------------

def case_start(args, screen="1024x768x24", xvfb_args=()):
    """The first title is the block count of the screen as it was."""
    d = desktop(args, screen=screen, xvfb_args=xvfb_args)
    with d:
        before = d.capture()
        expected = len(block_cells(before))
        assert expected > 0
        g = Game(d, args.deskball)
        title = g.count()
        assert title == expected, "title %d, the screen has %d blocks" % (title, expected)


def case_window(args):
    """The tool window: frame at (0, 8), utility type, class, active, and a
    menu bar with a working drop-down."""
    with desktop(args) as d:
        g = Game(d, args.deskball)
        wait_for("the frame at (0, 8)", lambda: d.frame(g.wid)[:2] == (0, 8), timeout=10)
        assert "_NET_FRAME_EXTENTS" in d.prop(g.wid, "_NET_FRAME_EXTENTS"), "not framed by the window manager"
        assert "_NET_WM_WINDOW_TYPE_UTILITY" in d.prop(g.wid, "_NET_WM_WINDOW_TYPE")
        assert d.prop(g.wid, "WM_CLASS").endswith('"deskball", "Deskball"'), d.prop(g.wid, "WM_CLASS")
        wait_for("the game's window active",
                 lambda: d.run(["xdotool", "getactivewindow"]).strip() == str(g.wid), timeout=10)

        client = d.geometry(g.wid)
        assert client["w"] == 101, client
        assert 15 <= client["h"] <= 40, "client area beyond the menu bar: %s" % client

        # A click on "file" drops its menu down below the bar; Escape closes
        # the menu, not the game.
        menus_before = {w for w, t in d.toplevels().items() if t[4]}
        popup = open_file_menu(d, client)
        assert popup[3] >= 4 * 15, "a menu of four entries and a divider, %d pixels high" % popup[3]
        d.xdotool("key", "Escape")
        wait_for("the menu closed", lambda: not [w for w, t in d.toplevels().items()
                                                 if t[4] and w not in menus_before], timeout=10)
        d.settle()
        assert g.proc.poll() is None, "Escape in the menu ended the game"


def case_play(args, screen="1024x768x24"):
    """Balls break blocks: the count goes down and broken cells show the
    background colour (on a 16-bit screen: drawn in its 5-6-5 pixels)."""
    with desktop(args, screen=screen) as d:
        before = d.capture()
        bg = before.px(0, before.height // 2)
        blocks = block_cells(before)
        g = Game(d, args.deskball)
        start = g.count()
        d.xdotool("mousemove", 512, 600)
        wait_for("blocks broken", lambda: g.count() <= start - 3, timeout=40, interval=0.3)
        now_count = g.count()
        img = d.capture()
        cleared = [c for c in blocks if cell_is(img, c[0], c[1], bg)]
        assert cleared, "the count fell to %d but no block cell shows the background" % now_count
        # A cleared cell can only be a broken one (one with a chip or a ball
        # over it shows neither).
        assert len(cleared) <= start - now_count + 2, (len(cleared), start, now_count)


def close_by(how):
    def case(args):
        """Closing ends with exit code 0 and the desktop repaints all that
        the game drew."""
        with desktop(args) as d:
            logo, logo_wid = d.xlogo("300x100+300+650")
            d.settle()
            before = d.capture()
            logo_frame, logo_client = d.frame(logo_wid), d.geometry(logo_wid)
            g = Game(d, args.deskball)
            start = g.count()
            d.xdotool("mousemove", 400, 600)  # the paddle runs over the logo
            wait_played(d, g, before, start)

            if how == "escape":
                g.key("Escape")
            elif how == "wm_close":
                g.key("alt+F4")  # openbox's close binding: WM_DELETE_WINDOW
            else:
                c = d.geometry(g.wid)
                menu = open_file_menu(d, c)
                # Down the menu as a hand would (FLTK's menu ignores a first
                # jump of the pointer), then a click on the last entry: quit.
                for y in range(menu[1] + 5, menu[1] + menu[3] - 9, 8):
                    d.xdotool("mousemove", menu[0] + 20, y)
                d.xdotool("mousemove", menu[0] + 20, menu[1] + menu[3] - 10, "click", 1)

            rc = g.wait_exit()
            assert rc == 0, "exit code %s, stderr: %s" % (rc, g.stderr())
            assert d.find_window("deskball") is None
            # The logo's frame is the window manager's and may change with
            # the focus; its client area and everything else must be back.
            fx, fy, fw, fh = logo_frame
            cx, cy, cw, ch = logo_client["x"], logo_client["y"], logo_client["w"], logo_client["h"]
            decorations = [(fx, fy, fw, cy - fy), (fx, cy + ch, fw, fy + fh - cy - ch),
                           (fx, fy, cx - fx, fh), (cx + cw, fy, fx + fw - cx - cw, fh)]
            assert_screen_back(d, before, decorations)

    return case


def case_refresh(args):
    """F8 stops the game, F4 brings back what the clients show, and nothing
    of the game stays on the screen but its window."""
    with desktop(args) as d:
        before = d.capture()
        g = Game(d, args.deskball)
        home = d.frame(g.wid)
        d.xdotool("mousemove", 512, 600)
        wait_played(d, g, before, g.count())
        g.key("F8")
        d.settle()
        img = d.capture()
        assert img.region_differs(before, 0, home[1] + home[3], img.width, img.height) > 0
        g.key("F4")
        wait_for("the window back in place", lambda: d.frame(g.wid) == home, timeout=10)
        assert_screen_back(d, before, [home], "after F4, the desktop")
        assert g.proc.poll() is None


def case_new_game(args):
    """F5 counts the blocks of the screen as it is at that moment, without
    the game's own window."""
    with desktop(args, scene=ALIGNED_SCENE) as d:
        before = d.capture()
        bg = before.px(0, before.height // 2)
        g = Game(d, args.deskball)
        home = d.frame(g.wid)
        d.xdotool("mousemove", 512, 700)  # F8 takes the colour here: the root's
        wait_played(d, g, before, g.count())
        g.key("F8")
        d.windows([(704, 288, 128, 64, "FF00FF")])  # a new window since the game began
        g.key("F4")  # the sprites go; the broken cells show their clients again
        wait_for("the window back in place", lambda: d.frame(g.wid) == home, timeout=10)
        d.settle()
        now = d.capture()
        expected = len(block_cells(now, bg=bg, blank=[home]))
        old_title, old_wid = g.title(), g.wid
        assert int(old_title) != expected, "the test needs a count that changes"

        g.key("F5")
        g.wid = wait_for("the window shown again", lambda: (w := d.find_window("deskball")) != old_wid and w)
        title = wait_for("the new game's count", lambda: (t := g.title()) != old_title and t.isdigit() and t)
        assert int(title) == expected, "title %s, the screen had %d blocks" % (title, expected)
        wait_for("the frame back at (0, 8)", lambda: d.frame(g.wid)[:2] == (0, 8), timeout=10)
        wait_for("the window active again",
                 lambda: d.run(["xdotool", "getactivewindow"]).strip() == str(g.wid), timeout=10)


def case_arrows(args):
    """With the pointer still, the held Right and Left arrows move the
    paddle."""
    with desktop(args) as d:
        before = d.capture()
        d.xdotool("mousemove", 300, 600)
        g = Game(d, args.deskball)
        wait_for("the paddle under the pointer", lambda: paddle_left(d.capture(), before) == 300, timeout=10)
        g.activate()
        for key, moved in (("Right", lambda x: x >= 450), ("Left", lambda x: x <= 150)):
            d.xdotool("keydown", key)
            try:
                wait_for("the paddle moved by " + key,
                         lambda: (x := paddle_left(d.capture(), before)) is not None and moved(x), timeout=15)
            finally:
                d.xdotool("keyup", key)


def case_shortcut_modifiers(args):
    """F8 acts only without modifiers: after Shift+F8 or Ctrl+F8 the game
    still runs (the paddle follows the pointer), after F8 it stops."""
    with desktop(args) as d:
        before = d.capture()
        g = Game(d, args.deskball)
        g.count()
        for keys, x in (("shift+F8", 200), ("ctrl+F8", 600)):
            g.key(keys)
            d.xdotool("mousemove", x, 600)
            wait_for("the paddle at %d after %s" % (x, keys), lambda: paddle_left(d.capture(), before) == x,
                     timeout=10)
        g.key("F8")
        d.settle()
        stopped_at = paddle_left(d.capture(), before)
        d.xdotool("mousemove", 400, 600)
        d.settle(1.0)
        assert paddle_left(d.capture(), before) == stopped_at, "the game went on after F8"
        assert g.proc.poll() is None


def case_server_killed(args):
    """A lost X server ends the game with exit code 1 and a message."""
    with desktop(args) as d:
        g = Game(d, args.deskball)
        g.count()
        d.xvfb.send_signal(signal.SIGTERM)
        rc = g.wait_exit()
        assert rc == 1, "exit code %s (a negative one is a signal)" % rc
        assert "lost the connection to the X server" in g.stderr(), g.stderr()


def read_line(proc, timeout=10):
    """The next line a helper prints, or None after the timeout."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        ready, _, _ = select.select([proc.stdout], [], [], max(deadline - time.monotonic(), 0))
        if ready:
            return proc.stdout.readline().decode().strip()
    return None


def case_composited(args, compositor):
    """Under a compositing manager the game is seen: the first count is the
    composited screen's, the paddle stays in sight over a window that keeps
    repainting (drawn on the root, the compositor would paint over it at
    once), broken cells show the background, a click goes through to the
    window beneath, and refresh and the close leave the desktop as it was."""
    busy = (256, 704, 512, 64, "00C0C0,busy")  # under the paddle; no blocks there
    with desktop(args, scene=SCENE + [busy], compositor=compositor) as d:
        helper = [p for p in d.procs if p.log_name == "helper"][-1]
        before = d.capture()
        bg = before.px(0, before.height // 2)
        blocks = block_cells(before)
        d.xdotool("mousemove", 400, 600)
        g = Game(d, args.deskball)
        start = g.count()
        assert start == len(blocks), "title %d, the screen has %d blocks" % (start, len(blocks))

        wait_for("the paddle over the busy window", lambda: paddle_left(d.capture(), before) == 400, timeout=10)
        seen = [paddle_left(d.capture(), before) for _ in range(5)]
        assert seen == [400] * 5, "the paddle came and went: %s" % seen

        wait_for("blocks broken", lambda: g.count() <= start - 2, timeout=40, interval=0.3)
        wait_for("a broken cell showing the background",
                 lambda: any(cell_is(d.capture(), c[0], c[1], bg) for c in blocks), timeout=10)

        # The green window (index 1) lies under the overlay; the press is its.
        d.xdotool("mousemove", 700, 120, "click", 1)
        line = read_line(helper)
        assert line == "press 1 100 80", "the window beneath got %r" % line

        g.key("F8")
        home = d.frame(g.wid)
        g.key("F4")
        wait_for("the window back in place", lambda: d.frame(g.wid) == home, timeout=10)
        assert_screen_back(d, before, [home], "after F4, the desktop")

        g.key("Escape")
        rc = g.wait_exit()
        assert rc == 0, "exit code %s, stderr: %s" % (rc, g.stderr())
        assert_screen_back(d, before)
        assert "X error" not in g.stderr(), g.stderr()


# Two monitors side by side on one 1600 x 600 screen, the right one primary.
# Blocks on both, more on the left, so a count of the whole screen or of the
# left half is told apart from the right one's.
MONITORS = [(0, 0, 800, 600, False), (800, 0, 800, 600, True)]
MONITOR_SCENE = [
    (0, 64, 1600, 32, "C00000"),
    (96, 160, 320, 128, "00A000"),
    (1000, 200, 96, 48, "FFFF00"),
]


def case_monitors(args):
    """With a primary monitor right of another, the game is the primary's:
    its blocks only, its window at (0, 8) of it, the paddle in it, following
    the pointer there and held at its left edge while the pointer is on the
    other monitor, which the game never draws on."""
    with desktop(args, scene=MONITOR_SCENE, screen="1600x600x24", monitors=MONITORS) as d:
        before = d.capture()
        right = before.crop(800, 0, 800, 600)
        expected = len(block_cells(right))
        assert expected not in (len(block_cells(before)), len(block_cells(before.crop(0, 0, 800, 600))))
        d.xdotool("mousemove", 1200, 450)
        g = Game(d, args.deskball)
        assert g.count() == expected, "title %s, the right monitor has %d blocks" % (g.title(), expected)
        wait_for("the frame at (0, 8) of the primary", lambda: d.frame(g.wid)[:2] == (800, 8), timeout=10)

        wait_for("the paddle under the pointer", lambda: paddle_left(d.capture(), before) == 1200, timeout=10)
        d.xdotool("mousemove", 200, 450)
        wait_for("the paddle at the primary's left edge", lambda: paddle_left(d.capture(), before) == 800,
                 timeout=10)
        wait_for("blocks broken", lambda: g.count() < expected, timeout=40, interval=0.3)
        img = d.capture()
        assert img.region_differs(before, 0, 0, 800, 600) == 0, "the game drew on the other monitor"
        g.key("Escape")
        assert g.wait_exit() == 0


def refused(env, message):
    def case(args):
        """Without a usable X display the game says why and exits with 1."""
        import subprocess
        clean = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        clean.update(env)
        r = subprocess.run([args.deskball], env=clean, capture_output=True, timeout=30)
        err = r.stderr.decode(errors="replace")
        assert r.returncode == 1, "exit code %s, stderr: %s" % (r.returncode, err)
        assert message in err, err
        assert len(err.strip().splitlines()) == 1, "want one line: " + err

    return case


def free_display():
    n = 990
    while os.path.exists("/tmp/.X11-unix/X%d" % n) or os.path.exists("/tmp/.X%d-lock" % n):
        n += 1
    return ":%d" % n


def case_unreachable(args):
    display = free_display()
    refused({"DISPLAY": display}, "cannot open X display '%s'" % display)(args)


def case_pseudocolor(args):
    """An 8-bit colormapped screen is refused with a reason."""
    import subprocess
    with Desktop(args.helper, screen="1024x768x8", wm=False) as d:
        r = subprocess.run([args.deskball], env=d.env(), capture_output=True, timeout=30)
        err = r.stderr.decode(errors="replace")
        assert r.returncode == 1, "exit code %s, stderr: %s" % (r.returncode, err)
        assert "PseudoColor" in err and "TrueColor" in err, err


CASES = {
    "start.depth24": case_start,
    "start.depth16": lambda a: case_start(a, screen="1024x768x16"),
    "start.no_shm": lambda a: case_start(a, xvfb_args=["-extension", "MIT-SHM"]),
    "window": case_window,
    "play.depth24": case_play,
    "play.depth16": lambda a: case_play(a, screen="1024x768x16"),
    "close.escape": close_by("escape"),
    "close.wm_close": close_by("wm_close"),
    "close.menu_quit": close_by("menu_quit"),
    "keys.refresh": case_refresh,
    "keys.new_game": case_new_game,
    "keys.arrows": case_arrows,
    "keys.shortcut_modifiers": case_shortcut_modifiers,
    "server_killed": case_server_killed,
    "composited.xcompmgr": lambda a: case_composited(a, "xcompmgr"),
    "composited.picom": lambda a: case_composited(a, "picom"),
    "monitors.right_primary": case_monitors,
    "refused.no_display": refused({}, "DISPLAY is not set"),
    "refused.wayland_only": refused({"WAYLAND_DISPLAY": "wayland-0"}, "only a Wayland display is set"),
    "refused.unreachable": case_unreachable,
    "refused.pseudocolor": case_pseudocolor,
}


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--deskball", required=True)
    p.add_argument("--helper", required=True)
    p.add_argument("--list", action="store_true")
    p.add_argument("case", nargs="?")
    args = p.parse_args()
    if args.list:
        print("\n".join(CASES))
        return 0

    # Ends the case (and, through the with blocks, its desktop) before CTest's
    # own timeout would kill this process and nothing else.
    def overtime(*_):
        raise AssertionError("the case ran too long")

    signal.signal(signal.SIGALRM, overtime)
    signal.alarm(int(os.environ.get("DESKBALL_E2E_LIMIT", "150")))
    CASES[args.case](args)
    print("ok:", args.case)
    return 0


if __name__ == "__main__":
    sys.exit(main())
