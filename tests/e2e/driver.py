"""Drives a running program the way a user and a screen reader do: X input through xdotool,
state read back over the accessibility bus (AT-SPI, pyatspi).

Every wait polls with a deadline; a wait that runs out raises Failure with what it was waiting
for, and the session prints what the screen held at that moment."""

import re
import subprocess
import time

# Set by Session.start_accessibility_bus before pyatspi is loaded.
pyatspi = None


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=10.0, interval=0.05):
    """Polls probe() until it returns something true and returns that; Failure after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"waited {timeout:g} s for {what}")
        time.sleep(interval)


def wait_equal(what, read, wanted, timeout=10.0):
    """Polls read() until it returns wanted; Failure with the last value seen after timeout."""
    seen = [None]

    def probe():
        seen[0] = _guarded(read)
        return seen[0] == wanted

    try:
        wait_for(what, probe, timeout)
    except Failure:
        raise Failure(f"{what}: saw {seen[0]!r}, expected {wanted!r}") from None


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], check=False, capture_output=True,
                          text=True, timeout=10).stdout


def _guarded(read, default=None):
    """An object can vanish between two calls on the bus; that reads as not there (yet)."""
    try:
        return read()
    except Exception:  # GLib.Error, RuntimeError: the object or the program went away
        return default


def bus_call(name, path, interface, method, reply_type):
    """The first value of a method's reply on the session bus; None when it fails."""
    from gi.repository import Gio, GLib

    try:
        bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        reply = bus.call_sync(name, path, interface, method, None, GLib.VariantType(reply_type),
                              Gio.DBusCallFlags.NO_AUTO_START, 1000, None)
        return reply.unpack()[0]
    except GLib.Error:
        return None


def children(node):
    count = _guarded(lambda: node.childCount, 0)
    found = []
    for i in range(count):
        child = _guarded(lambda: node.getChildAtIndex(i))
        if child is not None:
            found.append(child)
    return found


def descendants(node):
    """Depth first, node itself excluded."""
    for child in children(node):
        yield child
        yield from descendants(child)


def name_of(node):
    return _guarded(lambda: node.name, "")


# AT-SPI 2.56 (Debian 13) names a push button "button", 2.46 (Debian 12) "push button".
_SAME_ROLE = {"button": "push button"}


def role_of(node):
    role = _guarded(lambda: node.getRoleName(), "")
    return _SAME_ROLE.get(role, role)


def is_showing(node):
    return _guarded(lambda: node.getState().contains(pyatspi.STATE_SHOWING), False)


def has_focus(node):
    return _guarded(lambda: node.getState().contains(pyatspi.STATE_FOCUSED), False)


def wait_focused(node, timeout=10):
    wait_for(f"the focus on {name_of(node)!r}", lambda: has_focus(node), timeout)


def extents(node):
    """(x, y, width, height) on the screen."""
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def text_of(node):
    """The whole text of a node with a text interface (fields, result boxes)."""
    text = node.queryText()
    return text.getText(0, text.characterCount)


def column(node, index=0):
    """The texts of one column of a table, list or tree (visible rows, top to bottom)."""
    table = node.queryTable()
    return [name_of(table.getAccessibleAt(row, index)) for row in range(table.nRows)]


def cell(node, row, index):
    return node.queryTable().getAccessibleAt(row, index)


class Session:
    """One run of the program inside the current session bus and X display."""

    def __init__(self, command, environment, log_path, close_helper):
        self.command = command
        self.environment = environment
        self.log_path = log_path
        self.close_helper = close_helper
        self.program = None
        self.application = None

    # --- set-up ----------------------------------------------------------------------------

    def start_accessibility_bus(self):
        """Starts the accessibility bus of this session, as a desktop does, and loads pyatspi.
        Both sides find the bus through the session bus. (Qt 6.4 stays off the bus when
        AT_SPI_BUS_ADDRESS is set.)"""
        global pyatspi
        subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                         stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        wait_for("the accessibility bus", lambda: bus_call(
            "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", "(s)") is not None)
        import pyatspi as loaded

        pyatspi = loaded

    def start_program(self, name):
        """Starts the program and waits until it shows up on the accessibility bus as name."""
        log = open(self.log_path, "wb")
        self.program = subprocess.Popen(self.command, env=self.environment,
                                        stdin=subprocess.DEVNULL, stdout=log,
                                        stderr=subprocess.STDOUT)
        log.close()

        def find():
            if self.program.poll() is not None:
                raise Failure(f"the program ended at start with status {self.program.returncode}")
            desktop = pyatspi.Registry.getDesktop(0)
            for application in children(desktop):
                if _guarded(lambda: application.get_process_id()) == self.program.pid:
                    return application
            return None

        self.application = wait_for(f"{name} on the accessibility bus", find, timeout=20)
        # Nothing here runs an event loop, so cached states and children would go stale.
        self.application.set_cache_mask(pyatspi.Atspi.Cache.NONE)

    def end_program(self, timeout=15):
        """Waits for the program to end by itself; Failure unless it does with status 0."""
        try:
            status = self.program.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program did not end within {timeout} s")
        if status != 0:
            raise Failure(f"the program ended with status {status}")

    # --- windows ---------------------------------------------------------------------------

    def windows(self):
        return [w for w in children(self.application) if is_showing(w)]

    def window(self, caption, timeout=10):
        """The showing top-level window with this caption."""
        return wait_for(f'window "{caption}"', lambda: next(
            (w for w in self.windows() if name_of(w) == caption), None), timeout)

    def wait_gone(self, caption, timeout=10):
        wait_for(f'window "{caption}" to go away',
                 lambda: all(name_of(w) != caption for w in self.windows()), timeout)

    def x_window(self, caption, timeout=10):
        """The X window id of the visible window with this caption."""
        pattern = "^" + re.sub(r"([][(){}.*+?^$|\\])", r"\\\1", caption) + "$"
        ids = wait_for(f'X window "{caption}"',
                       lambda: xdotool("search", "--onlyvisible", "--name", pattern).split(),
                       timeout)
        return ids[0]

    def close(self, caption):
        """Asks the window to close as a window manager's close button does."""
        subprocess.run([self.close_helper, self.x_window(caption)], check=True, timeout=10)

    # --- controls --------------------------------------------------------------------------

    def find(self, root, name=None, role=None, timeout=10):
        """The first descendant of root with this accessible name and/or role name."""
        def match(node):
            return ((name is None or name_of(node) == name) and
                    (role is None or role_of(node) == role))

        what = " ".join(p for p in (role, f'"{name}"' if name is not None else None) if p)
        return wait_for(f"{what} in {name_of(root)!r}",
                        lambda: next((n for n in descendants(root) if match(n)), None), timeout)

    # --- input -----------------------------------------------------------------------------

    @staticmethod
    def press_at(x, y, clicks=1):
        # --sync waits for the pointer to move, which it never does when it is there already.
        if xdotool("getmouselocation", "--shell").split()[:2] != [f"X={x}", f"Y={y}"]:
            xdotool("mousemove", "--sync", x, y)
        xdotool("click", "--repeat", clicks, "--delay", 80, 1)

    def press(self, node, clicks=1):
        """Left-button press (clicks times) at the middle of node's box on the screen."""
        x, y, width, height = extents(node)
        self.press_at(x + width // 2, y + height // 2, clicks)

    @staticmethod
    def press_in_window(x_window, x, y):
        """Left-button press at (x, y) of the window's client area."""
        xdotool("mousemove", "--sync", "--window", x_window, x, y)
        xdotool("click", 1)

    @staticmethod
    def type(text):
        xdotool("type", "--delay", 20, "--", text)

    @staticmethod
    def key(*keys):
        xdotool("key", "--delay", 20, "--", *keys)

    # --- reporting -------------------------------------------------------------------------

    def describe(self):
        """What the screen and the program held, for a failure message."""
        lines = []
        if self.application is not None:
            for w in children(self.application):
                state = "showing" if is_showing(w) else "hidden"
                lines.append(f"  {role_of(w)} {name_of(w)!r} ({state})")
                if is_showing(w):
                    named = [n for n in descendants(w) if name_of(n)][:40]
                    lines += [f"    {role_of(n)} {name_of(n)!r}" for n in named]
        visible = xdotool("search", "--onlyvisible", "--name", ".").split()
        names = [xdotool("getwindowname", w).strip() for w in visible]
        lines.append(f"  visible X windows: {names}")
        if self.program is not None:
            lines.append(f"  program status: {self.program.poll()}")
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as log:
                tail = log.read().splitlines()[-30:]
            lines += ["  program output:"] + ["    " + line for line in tail]
        except OSError:
            pass
        return "\n".join(lines)
