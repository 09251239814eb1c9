#!/usr/bin/env python3
"""Plenko as a screen reader meets it: the real application on a virtual X display, registered on a
real accessibility bus (at-spi-bus-launcher in a private D-Bus session), read and driven through
pyatspi the way a screen reader does: find controls by role and name, press them through their
actions, type through the text interface, and listen for what is announced.

Usage: screen_reader_test.py PATH_TO_PLENKO
Exit status 0 passed, 1 failed, 77 skipped (the accessibility bus could not be started here).
"""

import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import traceback

SKIP = 77
TIMEOUT = 90.0  # seconds any one expected state may take to appear (generous: shared, loaded machines)


class Skip(Exception):
    pass


def fail(message):
    raise AssertionError(message)


def read_line(process, what):
    line = process.stdout.readline().decode().strip()
    if not line:
        raise Skip(f"{what} printed no address (exit status {process.poll()})")
    return line


def display_answers(number):
    """Whether the X server of display `number` accepts a connection on its local socket."""
    for address in ("\0/tmp/.X11-unix/X" + number, "/tmp/.X11-unix/X" + number):
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as probe:
            try:
                probe.connect(address)
                return True
            except OSError:
                continue
    return False


class Session:
    """A virtual display, a private session bus and the accessibility bus, torn down in reverse."""

    def __init__(self, folder):
        self.folder = folder
        self.processes = []
        self.env = dict(os.environ)
        for name in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"):
            path = os.path.join(folder, name.lower())
            os.makedirs(path, mode=0o700, exist_ok=True)
            self.env[name] = path
        for name in ("WAYLAND_DISPLAY", "SESSION_MANAGER", "AT_SPI_BUS_ADDRESS"):
            self.env.pop(name, None)

    def start(self, arguments, **options):
        process = subprocess.Popen(arguments, env=self.env, start_new_session=True, **options)
        self.processes.append(process)
        return process

    def start_display(self):
        if not shutil.which("Xvfb"):
            fail("Xvfb is missing: run scripts/install-deps.sh")
        read_end, write_end = os.pipe()
        log_path = os.path.join(self.folder, "xvfb.log")
        with open(log_path, "wb") as log:
            # -noreset: by default the server resets when its last client leaves, and a client that
            # connects during the reset is refused; the accessibility bus launcher and the probe
            # below connect and leave just before the application connects.
            server = self.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x900x24",
                                 "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,), stdout=log, stderr=log)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()

        def server_log():
            with open(log_path, "rb") as log:
                return log.read().decode(errors="replace")[-2000:]

        if not number:
            fail("Xvfb did not start:\n" + server_log())
        # The display must take connections before the application starts: on a loaded machine a
        # display that went away shows up here with its own words, not as Qt's "could not connect".
        deadline = time.monotonic() + TIMEOUT
        while not display_answers(number):
            if server.poll() is not None:
                fail(f"Xvfb exited with status {server.returncode}:\n" + server_log())
            if time.monotonic() > deadline:
                fail(f"display :{number} took no connection for {TIMEOUT:.0f} s:\n" + server_log())
            time.sleep(0.05)
        self.env["DISPLAY"] = f":{number}"

    def start_buses(self):
        launcher = "/usr/libexec/at-spi-bus-launcher"
        if not shutil.which("dbus-daemon") or not os.access(launcher, os.X_OK):
            fail("dbus-daemon or at-spi-bus-launcher is missing: run scripts/install-deps.sh")
        daemon = self.start(["dbus-daemon", "--session", "--nofork", "--print-address"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = read_line(daemon, "dbus-daemon")
        self.start([launcher, "--launch-immediately"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Only this process is told the address directly. Qt finds the bus through the session bus:
        # given AT_SPI_BUS_ADDRESS, Qt 6.4 connects but never switches its bridge on.
        return self.accessibility_bus_address()

    def accessibility_bus_address(self):
        from gi.repository import Gio, GLib

        bus = Gio.DBusConnection.new_for_address_sync(
            self.env["DBUS_SESSION_BUS_ADDRESS"],
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
            None, None)
        deadline = time.monotonic() + TIMEOUT
        last_error = None
        while time.monotonic() < deadline:
            try:
                reply = bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                                      GLib.VariantType.new("(s)"), Gio.DBusCallFlags.NONE, 2000, None)
                address = reply.unpack()[0]
                if address:
                    return address
            except GLib.Error as error:
                last_error = error.message
            time.sleep(0.1)
        raise Skip(f"the accessibility bus did not start: {last_error}")

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for process in reversed(self.processes):
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()


class Reader:
    """What a screen reader does with the tree: walk it, find by role and name, listen for events."""

    def __init__(self, process):
        import pyatspi
        from gi.repository import GLib

        self.pyatspi = pyatspi
        self.context = GLib.MainContext.default()
        self.process = process
        self.pid = process.pid
        self.events = []
        self.listener = lambda event: self.events.append((event.type, event.detail1,
                                                          self.safe(lambda: event.source.getRole()),
                                                          self.safe(lambda: event.source.name)))
        pyatspi.Registry.registerEventListener(
            self.listener, "object:state-changed:showing", "object:property-change:accessible-name",
            "object:announcement", "window:create")

    @staticmethod
    def safe(read):
        try:
            return read()
        except Exception:  # an object that went away while it was read
            return None

    def pump(self):
        while self.context.iteration(False):
            pass

    def wait_for(self, what, find):
        """Polls `find` (with events delivered in between) until it returns something, for at most TIMEOUT."""
        deadline = time.monotonic() + TIMEOUT
        while True:
            self.pump()
            found = self.safe(find)
            if found:
                return found
            if self.process is not None and self.process.poll() is not None:
                fail(f"Plenko exited with status {self.process.returncode} while waiting for {what}")
            if time.monotonic() > deadline:
                fail(f"timed out after {TIMEOUT:.0f} s waiting for {what}")
            time.sleep(0.05)

    def application(self):
        desktop = self.pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and self.safe(lambda: app.get_process_id()) == self.pid:
                return app
        return None

    def walk(self, root, depth=0):
        if root is None or depth > 40:
            return
        yield root
        for index in range(self.safe(lambda: root.childCount) or 0):
            yield from self.walk(self.safe(lambda: root.getChildAtIndex(index)), depth + 1)

    def find_all(self, root, role, name=None, showing=False):
        result = []
        for node in self.walk(root):
            if self.safe(lambda: node.getRole()) != role:
                continue
            if name is not None and self.safe(lambda: node.name) != name:
                continue
            if showing and not self.safe(lambda: node.getState().contains(self.pyatspi.STATE_SHOWING)):
                continue
            result.append(node)
        return result

    def find(self, root, role, name=None, showing=False):
        found = self.find_all(root, role, name, showing)
        return found[0] if found else None

    def press(self, node):
        actions = node.queryAction()
        for index in range(actions.nActions):
            if actions.getName(index) in ("Press", "press", "click", "Toggle", "toggle"):
                if not actions.doAction(index):
                    fail(f"the action {actions.getName(index)} of {node.name!r} was refused")
                return
        fail(f"{node.name!r} has no press action")

    def windows(self):
        app = self.application()
        return [app.getChildAtIndex(i) for i in range(app.childCount)] if app else []


def toast_announced(pyatspi, kind, detail, role, name):
    """Whether an event tells a screen reader that the alert "Item added" is there to be read."""
    if role not in (pyatspi.ROLE_ALERT, pyatspi.ROLE_NOTIFICATION) or name != "Item added":
        return False
    if kind == "object:state-changed:showing":
        return detail == 1
    return kind in ("object:property-change:accessible-name", "object:announcement")


def check(reader, plenko):
    pyatspi = reader.pyatspi
    app = reader.wait_for("Plenko on the accessibility bus", reader.application)

    # The main window, titled, with the menus a desktop application has.
    window = reader.wait_for("the main window", lambda: reader.find(app, pyatspi.ROLE_FRAME, "Plenko", showing=True))
    menu_bar = reader.wait_for("the menu bar", lambda: reader.find(window, pyatspi.ROLE_MENU_BAR))
    menus = [menu_bar.getChildAtIndex(i).name for i in range(menu_bar.childCount)]
    for title in ("File", "Edit", "View", "Boards", "Help"):
        if title not in menus:
            fail(f"the menu bar has no {title} menu: {menus}")
    help_menu = reader.find(menu_bar, pyatspi.ROLE_MENU_ITEM, "Help")
    for entry in ("About Plenko", "Keyboard Shortcuts"):
        if not reader.find(help_menu, pyatspi.ROLE_MENU_ITEM, entry):
            fail(f"the Help menu has no {entry!r}")
    if not reader.find(reader.find(menu_bar, pyatspi.ROLE_MENU_ITEM, "File"), pyatspi.ROLE_MENU_ITEM, "Quit"):
        fail("the File menu has no Quit")

    # The sidebar names the board a first start creates, and says it is the open one.
    board = reader.wait_for("the board 'On This Computer' in the sidebar, read as open",
                            lambda: reader.find(window, pyatspi.ROLE_LIST_ITEM, "On This Computer, open"))
    if reader.find(board.parent, pyatspi.ROLE_LIST_ITEM, "") is not None:
        fail("a sidebar row has no name")

    # Icon-only controls are named by their purpose; a new item is typed and saved through the tree.
    rail_names = [node.name for node in reader.find_all(window, pyatspi.ROLE_PUSH_BUTTON, showing=True)]
    for name in ("Boards", "Archived", "Reports", "Notifications", "Add new item"):
        if name not in rail_names:
            fail(f"no button named {name!r} is shown: {rail_names}")
    unnamed = [node for node in reader.find_all(window, pyatspi.ROLE_PUSH_BUTTON, showing=True)
               if not (node.name or "").strip()]
    if unnamed:
        fail(f"{len(unnamed)} shown buttons have no name")

    for text in ("**Ship** the [docs](https://example.com)", "Plan the _review_"):
        reader.press(reader.find(window, pyatspi.ROLE_PUSH_BUTTON, "Add new item", showing=True))
        editor = reader.wait_for("the new item's editor", lambda: next(
            (node for node in reader.find_all(window, pyatspi.ROLE_TEXT, showing=True)
             if node.getState().contains(pyatspi.STATE_EDITABLE)), None))
        if not editor.queryEditableText().setTextContents(text):
            fail("the editor refused the text")
        save = reader.wait_for("an enabled Save button", lambda: next(
            (node for node in reader.find_all(window, pyatspi.ROLE_PUSH_BUTTON, "Save", showing=True)
             if node.getState().contains(pyatspi.STATE_ENABLED)), None))
        reader.press(save)

        # The toast is an alert that carries its text, and its appearance is signalled on the bus.
        toast = reader.wait_for("the toast 'Item added' as an alert", lambda: next(
            (node for role in (pyatspi.ROLE_ALERT, pyatspi.ROLE_NOTIFICATION)
             for node in reader.find_all(window, role, "Item added", showing=True)), None))
        reader.wait_for("an event announcing the toast", lambda: any(
            toast_announced(pyatspi, *event) for event in reader.events))
        reader.events.clear()
        del toast

    # Each card reads as its plain text, with its status and assignee.
    for name in ("Ship the docs", "Plan the review"):
        card = reader.wait_for(f"the card {name!r}", lambda: reader.find(window, pyatspi.ROLE_LIST_ITEM, name))
        if card.description != "Todo, Not assigned":
            fail(f"the card {name!r} is described as {card.description!r}")
    cards = [node for node in reader.find_all(window, pyatspi.ROLE_LIST_ITEM, showing=True)
             if node.description.startswith("Todo")]
    if len(cards) != 2:
        fail(f"expected 2 cards, found {[node.name for node in cards]}")

    # A menu command reached through the tree opens its window.
    reader.press(reader.find(help_menu, pyatspi.ROLE_MENU_ITEM, "Keyboard Shortcuts"))
    reader.wait_for("the Keyboard Shortcuts window", lambda: next(
        (node for node in reader.windows() if node.name == "Keyboard Shortcuts"), None))


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    plenko = sys.argv[1]
    folder = tempfile.mkdtemp(prefix="plenko-a11y-")
    session = Session(folder)
    application = None
    try:
        try:
            import pyatspi  # noqa: F401  (checked before anything starts)
        except ImportError:
            fail("python3-pyatspi is missing: run scripts/install-deps.sh")
        session.start_display()
        address = session.start_buses()
        # pyatspi in this process joins the same private buses.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = session.env["DBUS_SESSION_BUS_ADDRESS"]
        os.environ["AT_SPI_BUS_ADDRESS"] = address
        os.environ["DISPLAY"] = session.env["DISPLAY"]
        env = session.env
        env.update({
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            # Local boards only: nothing may reach a network service.
            "PLENKO_API_URL": "http://127.0.0.1:9",
            "PLENKO_CHANGELOG_URL": "http://127.0.0.1:9/changelog.json",
            "PLENKO_APPCAST_URL": "http://127.0.0.1:9/appcast.json",
            "PLENKO_ANALYTICS_URL": "http://127.0.0.1:9/track",
        })
        log = open(os.path.join(folder, "plenko.log"), "wb")
        application = session.start([plenko], stdout=log, stderr=subprocess.STDOUT)
        reader = Reader(application)
        check(reader, plenko)
        if application.poll() is not None:
            fail(f"Plenko exited with status {application.returncode}")
        print("PASS: the window, its menus, the sidebar's board, the cards and the toasts read as expected")
        return 0
    except Skip as reason:
        print(f"SKIP: {reason}")
        return SKIP
    except AssertionError as error:
        print(f"FAIL: {error}")
        if application is not None:
            with open(os.path.join(folder, "plenko.log"), "rb") as log:
                print("--- Plenko's output ---\n" + log.read().decode(errors="replace")[-4000:])
        return 1
    except Exception:
        traceback.print_exc()
        return 1
    finally:
        session.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
