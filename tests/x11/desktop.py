"""A throw-away X desktop for driving the real deskball binary.

Each Desktop is its own Xvfb (on a display number the server picks itself,
through -displayfd) with its own openbox, a solid root colour and plain
coloured windows put up by desk_helper. Everything it starts dies with it:
on leaving the `with` block, on an exception, and (through the kernel's
parent-death signal) when the test process itself is killed.

What the tests read, they read from outside, as a user would: xwd images of
the screen, xprop and xwininfo for the window, the process's exit code and
stderr.
"""

import ctypes
import os
import re
import signal
import struct
import subprocess
import tempfile
import time

_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def _die_with_parent():
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)


def wait_for(what, check, timeout=20.0, interval=0.1):
    """Polls check() until it returns something true; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(interval)


class Xwd:
    """A screen image in xwd's format: 100-byte big-endian header, the window
    name, the colour table, then the pixels."""

    def __init__(self, data):
        fields = struct.unpack(">25I", data[:100])
        (header_size, _version, _fmt, depth, width, height, _xoff, byte_order, _unit, _bit_order, _pad,
         bpp, bytes_per_line, _vclass, red, green, blue, _bits_rgb, _cmap_entries, ncolors) = fields[:20]
        self.width, self.height, self.depth, self.bpp = width, height, depth, bpp
        self.mask = red | green | blue
        start = header_size + 12 * ncolors
        code = {16: "H", 32: "I"}.get(bpp)
        if code is None:
            raise ValueError("xwd image with %d bits per pixel" % bpp)
        order = "<" if byte_order == 0 else ">"
        per_row = bytes_per_line // (bpp // 8)
        count = per_row * height
        values = struct.unpack_from("%s%d%s" % (order, count, code), data, start)
        m = self.mask
        self.rows = [[v & m for v in values[y * per_row:y * per_row + width]] for y in range(height)]

    def px(self, x, y):
        return self.rows[y][x]

    def crop(self, x, y, w, h):
        """The image of one rectangle of this one (one monitor's part, say)."""
        part = object.__new__(Xwd)
        part.width, part.height, part.depth, part.bpp, part.mask = w, h, self.depth, self.bpp, self.mask
        part.rows = [row[x:x + w] for row in self.rows[y:y + h]]
        return part

    def region_differs(self, other, x0, y0, x1, y1):
        """How many pixels of [x0, x1) x [y0, y1) differ from the other image."""
        n = 0
        for y in range(max(y0, 0), min(y1, self.height)):
            a, b = self.rows[y], other.rows[y]
            n += sum(1 for x in range(max(x0, 0), min(x1, self.width)) if a[x] != b[x])
        return n


# The rules the game scans a screen with, written here from the outside:
# cells of 16 x 16; a cell is a block when one of its four corners is not the
# background colour (the pixel at (0, height / 2)); the bottom four rows of
# the grid never hold one.
CELL = 16
EMPTY_BOTTOM_ROWS = 4


def block_cells(img, bg=None, blank=()):
    """The block cells of an image, as a set of (col, row). `blank` lists
    rectangles (x, y, w, h) to be taken as background (a window the game
    hides before it looks)."""
    if bg is None:
        bg = img.px(0, img.height // 2)

    def colour(x, y):
        for bx, by, bw, bh in blank:
            if bx <= x < bx + bw and by <= y < by + bh:
                return bg
        return img.px(x, y)

    cols, rows = img.width // CELL, img.height // CELL
    cells = set()
    for r in range(max(rows - EMPTY_BOTTOM_ROWS, 0)):
        for c in range(cols):
            x, y, e = CELL * c, CELL * r, CELL - 1
            if any(colour(px, py) != bg for px, py in ((x, y), (x + e, y), (x, y + e), (x + e, y + e))):
                cells.add((c, r))
    return cells


def cell_is(img, col, row, value):
    return all(img.px(CELL * col + i, CELL * row + j) == value for j in range(CELL) for i in range(CELL))


# Compositing managers the tests can run, as argv; each draws the root's
# background itself (grey: no wallpaper is set) and paints every window from
# its own copy.
COMPOSITORS = {
    "xcompmgr": ["xcompmgr"],
    "picom": ["picom", "--backend", "xrender", "--config", "/dev/null", "--no-fading-openclose"],
}


class Desktop:
    def __init__(self, helper, screen="1024x768x24", xvfb_args=(), wm=True, monitors=(), compositor=None):
        """monitors: (x, y, w, h, primary) each, made with xrandr --setmonitor
        before the window manager starts; compositor: a key of COMPOSITORS."""
        self.helper = helper
        self.screen = screen
        self.xvfb_args = list(xvfb_args)
        self.wm = wm
        self.monitors = list(monitors)
        self.compositor = compositor
        self.procs = []
        self.tmp = tempfile.TemporaryDirectory(prefix="deskball-x11-")
        self.display = None
        self.xvfb = None

    # --- lifetime ---
    def __enter__(self):
        if self.display is not None:
            return self
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _start(self):
        read_fd, write_fd = os.pipe()
        self.xvfb = self.spawn(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", self.screen, "-nolisten", "tcp",
                                "-noreset"] + self.xvfb_args, pass_fds=(write_fd,), env_display=False)
        os.close(write_fd)
        number = b""
        with os.fdopen(read_fd, "rb") as pipe:
            number = pipe.readline().strip()
        if not number:
            raise AssertionError("Xvfb did not start: " + self.log("Xvfb"))
        self.display = ":" + number.decode()
        if self.monitors:
            self._set_monitors()
        if self.wm:
            config = os.path.join(self.tmp.name, "config")
            os.makedirs(config, exist_ok=True)
            self.spawn(["openbox", "--sm-disable"], extra_env={"XDG_CONFIG_HOME": config}, name="openbox")
            wait_for("openbox", lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.run(["xprop", "-root"]))
        if self.compositor:
            self.spawn(COMPOSITORS[self.compositor], name=self.compositor)
            wait_for(self.compositor, lambda: self.run([self.helper, "owner", "_NET_WM_CM_S0"]).strip() not in ("", "0x0"))

    def _set_monitors(self):
        """RandR 1.5 monitors splitting the one output of Xvfb. The first
        monitor takes the output, so the server drops the output's own
        monitor; the others have none. "*" marks the primary one."""
        out = self.run(["xrandr", "--query"], check=True)
        output = re.search(r"^(\S+) connected", out, re.M).group(1)
        for n, (x, y, w, h, primary) in enumerate(self.monitors):
            name = ("*" if primary else "") + "mon%d" % n
            # Sizes in millimetres after the slash: any will do.
            self.run(["xrandr", "--setmonitor", name, "%d/%dx%d/%d+%d+%d" % (w, w // 4, h, h // 4, x, y),
                      output if n == 0 else "none"], check=True)
        listed = self.run(["xrandr", "--listmonitors"], check=True)
        if ("Monitors: %d" % len(self.monitors)) not in listed:
            raise AssertionError("the server did not take the monitors: " + listed)

    def close(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                try:
                    os.killpg(p.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        for p in self.procs:
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
            for f in (p.stdin, p.stdout):
                if f:
                    f.close()
        self.procs = []
        self.tmp.cleanup()

    # --- processes ---
    def env(self, extra=None, display=True):
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        if display:
            env["DISPLAY"] = self.display
        env.update(extra or {})
        return env

    def spawn(self, argv, name=None, extra_env=None, env_display=True, stdin=None, stdout=None, pass_fds=()):
        name = name or os.path.basename(argv[0])
        err = open(os.path.join(self.tmp.name, name + ".err"), "wb")
        p = subprocess.Popen(argv, env=self.env(extra_env, env_display), stdin=stdin, stdout=stdout, stderr=err,
                             pass_fds=pass_fds, start_new_session=True, preexec_fn=_die_with_parent)
        err.close()
        p.log_name = name
        self.procs.append(p)
        return p

    def log(self, name):
        try:
            with open(os.path.join(self.tmp.name, name + ".err"), "rb") as f:
                return f.read().decode(errors="replace")
        except OSError:
            return ""

    def run(self, argv, check=False):
        r = subprocess.run(argv, env=self.env(), capture_output=True, timeout=30)
        if check and r.returncode != 0:
            raise AssertionError("%s failed: %s" % (" ".join(argv), r.stderr.decode(errors="replace")))
        return r.stdout.decode(errors="replace")

    # --- the desktop ---
    def root(self, rgb):
        self.run([self.helper, "root", rgb], check=True)

    def windows(self, rects):
        """Puts up plain windows, (x, y, w, h, 'RRGGBB') each; they stay until
        the desktop closes (or the returned process is ended)."""
        p = self.spawn([self.helper, "windows"] + ["%d,%d,%d,%d,%s" % r for r in rects], name="helper",
                       stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        if p.stdout.readline().strip() != b"ready":
            raise AssertionError("desk_helper failed: " + self.log("helper"))
        return p

    def xlogo(self, geometry):
        p = self.spawn(["xlogo", "-geometry", geometry], name="xlogo")
        wid = wait_for("xlogo", lambda: self.find_window("xlogo"))
        wait_for("xlogo mapped", lambda: self.geometry(wid)["map_state"] == "IsViewable")
        return p, wid

    def capture(self):
        r = subprocess.run(["xwd", "-root", "-silent"], env=self.env(), capture_output=True, timeout=30)
        if r.returncode != 0:
            raise AssertionError("xwd failed: " + r.stderr.decode(errors="replace"))
        return Xwd(r.stdout)

    def settle(self, seconds=0.5):
        """Lets the clients finish painting (nothing is asserted on time)."""
        self.run(["xprop", "-root", "_NET_SUPPORTED"])
        time.sleep(seconds)

    # --- windows, as xprop and xwininfo see them ---
    def find_window(self, instance):
        out = self.run(["xdotool", "search", "--classname", "^%s$" % instance])
        ids = [int(w) for w in out.split()]
        for wid in ids:
            if "IsViewable" in self.run(["xwininfo", "-id", str(wid)]):
                return wid
        return None

    def geometry(self, wid):
        out = self.run(["xwininfo", "-id", str(wid)])
        g = {}
        for key, name in (("x", "Absolute upper-left X"), ("y", "Absolute upper-left Y"), ("w", "Width"),
                          ("h", "Height")):
            m = re.search(name + r":\s+(-?\d+)", out)
            g[key] = int(m.group(1)) if m else None
        m = re.search(r"Map State:\s+(\w+)", out)
        g["map_state"] = m.group(1) if m else None
        return g

    def prop(self, wid, name):
        return self.run(["xprop", "-id", str(wid), name]).strip()

    def frame(self, wid):
        """The outer frame (x, y, w, h): the client's place grown by the
        frame extents the window manager publishes."""
        g = self.geometry(wid)
        m = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", self.prop(wid, "_NET_FRAME_EXTENTS"))
        left, right, top, bottom = (int(v) for v in m.groups()) if m else (0, 0, 0, 0)
        return (g["x"] - left, g["y"] - top, g["w"] + left + right, g["h"] + top + bottom)

    def title(self, wid):
        return self.run(["xdotool", "getwindowname", str(wid)]).strip()

    def toplevels(self):
        """The root's mapped children: {id: (x, y, w, h, override_redirect)}."""
        out = self.run([self.helper, "toplevels"], check=True)
        result = {}
        for line in out.splitlines():
            wid, x, y, w, h, override = line.split()
            result[int(wid, 16)] = (int(x), int(y), int(w), int(h), override == "1")
        return result

    def xdotool(self, *args):
        return self.run(["xdotool"] + [str(a) for a in args], check=True)


class Game:
    """The deskball process on a desktop."""

    def __init__(self, desk, binary, extra_env=None):
        self.desk = desk
        self.proc = desk.spawn([binary], name="deskball", extra_env=extra_env)
        self.wid = wait_for("the game's window", lambda: self._window())
        wait_for("the game's window on the screen", lambda: desk.geometry(self.wid)["map_state"] == "IsViewable")

    def _window(self):
        if self.proc.poll() is not None:
            raise AssertionError("deskball exited with %s: %s" % (self.proc.returncode, self.stderr()))
        return self.desk.find_window("deskball")

    def title(self):
        return self.desk.title(self.wid)

    def count(self):
        return int(wait_for("a number in the title", lambda: re.fullmatch(r"\d+", self.title()))[0])

    def stderr(self):
        return self.desk.log("deskball")

    def activate(self):
        self.desk.xdotool("windowactivate", "--sync", self.wid)
        wait_for("the game's window active",
                 lambda: self.desk.run(["xdotool", "getactivewindow"]).strip() == str(self.wid))

    def key(self, *keys):
        self.activate()
        self.desk.xdotool("key", "--clearmodifiers", *keys)

    def wait_exit(self, timeout=20):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("deskball did not exit")
