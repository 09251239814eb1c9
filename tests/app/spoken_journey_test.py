#!/usr/bin/env python3
"""Plenko as a blind user hears it: the real screen reader (Orca) on a virtual display with a window
manager and the accessibility bus, speaking through speech-dispatcher into a file instead of a sound
card, while the keyboard alone drives the application: Tab through the window, add an item, open its
menu, move it, switch boards. Every stop must say something a listener can act on: a stop that says
nothing, only a role, or only symbols fails the test, as does a shortcut spelled inside a name, or a
menu that opens without saying that it is a menu and which.

Usage: spoken_journey_test.py PATH_TO_PLENKO
Exit status 0 passed, 1 failed, 77 skipped (the accessibility bus could not be started here).
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

from screen_reader_test import SKIP, Session, Skip, fail

SETTLE = 1.5  # seconds without new speech after which a stop has said all it says (slow builds too)
STOP_TIMEOUT = 30.0  # seconds a key may take to make Orca say anything (loaded machines are slow)
START_TIMEOUT = 90.0

# What Orca says of a control's kind; a stop that says nothing else says nothing useful.
ROLE_WORDS = {
    "push", "button", "toggle", "check", "box", "checked", "not", "radio", "menu", "item", "bar", "list",
    "page", "tab", "text", "frame", "panel", "layered", "pane", "scroll", "filler", "label", "table",
    "cell", "tree", "entry", "combo", "selected", "unselected", "focused", "dialog", "window", "of",
    "notification", "alert", "editable", "read", "only", "multi", "line", "section", "heading", "level",
    "link", "separator", "tool", "popup", "submenu", "collapsed", "expanded", "has", "with", "items",
    "slider", "spin", "blank", "empty",
}
# Shortcuts belong in the accelerator Orca reads after the role, never inside a name.
SPELLED_SHORTCUT = re.compile(r"\((?:Ctrl|Alt|Shift|Super)\+[^)]*\)")
DRAWN_SYMBOLS = ("›", "‹", "▸", "▾", "»", "→")


def write_speech_config(folder, speech_file):
    """speech-dispatcher with one output module, a generic one whose "synthesis" appends the text
    to `speech_file`, and a null sound device (the server insists on opening one)."""
    config = os.path.join(folder, "speechd")
    os.makedirs(os.path.join(config, "modules"), exist_ok=True)
    with open(os.path.join(config, "speechd.conf"), "w") as out:
        out.write('AddModule "capture" "sd_generic" "capture.conf"\n'
                  'DefaultModule capture\n'
                  'LanguageDefaultModule "en" "capture"\n'
                  'DefaultLanguage "en"\n'
                  'AudioOutputMethod "alsa"\n'
                  'AudioALSADevice "null"\n'
                  'LogLevel 3\n'
                  f'LogDir "{folder}"\n')
    # $DATA arrives shell-quoted by the module; one line per utterance.
    with open(os.path.join(config, "modules", "capture.conf"), "w") as out:
        out.write(f'GenericExecuteSynth "printf \'%s\\\\n\' \\\'$DATA\\\' >> {speech_file}"\n'
                  'AddVoice "en" "MALE1" "capture"\n'
                  'GenericLanguage "en" "en" "utf-8"\n')
    return config


def write_orca_settings(folder):
    """Orca's own preferences: speech on, keys not echoed (the test hears what the application
    says, not the names of the keys it presses)."""
    prefs = os.path.join(folder, "orca")
    os.makedirs(prefs, exist_ok=True)
    quiet = {"enableKeyEcho": False, "enableEchoByCharacter": False, "enableEchoByWord": False,
             "enableSpeech": True, "enableBraille": False, "firstStart": False,
             # "1 of 6": where a menu entry, a tab or a row is among its siblings.
             "enablePositionSpeaking": True}
    with open(os.path.join(prefs, "user-settings.conf"), "w") as out:
        json.dump({"general": quiet, "pronunciations": {}, "keybindings": {},
                   "profiles": {"default": dict(quiet, profile=["Default", "default"])}}, out)
    return prefs


class Listener:
    """The speech file, read as it grows."""

    def __init__(self, path, processes):
        self.path = path
        self.offset = 0
        self.processes = processes  # name -> Popen, checked while waiting
        self.transcript = []

    def _read_new(self):
        if not os.path.exists(self.path):
            return []
        with open(self.path, "rb") as speech:
            speech.seek(self.offset)
            data = speech.read()
        # Only whole lines: the module may be writing the next one.
        end = data.rfind(b"\n") + 1
        self.offset += end
        return [line.strip() for line in data[:end].decode(errors="replace").splitlines() if line.strip()]

    def _check_alive(self, what):
        for name, process in self.processes.items():
            if process.poll() is not None:
                fail(f"{name} exited with status {process.returncode} while waiting for {what}")

    def drain(self):
        self.transcript += self._read_new()

    def settle(self, what):
        """Waits until Orca has been quiet for SETTLE seconds (at most STOP_TIMEOUT)."""
        self.after(what, lambda: None)

    def until(self, what, predicate, timeout=START_TIMEOUT):
        """Reads speech until `predicate(lines)` holds for what was said since the call."""
        lines = []
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            lines += self._read_new()
            if predicate(lines):
                self.transcript += lines
                return lines
            self._check_alive(what)
            time.sleep(0.1)
        self.transcript += lines
        fail(f"timed out after {timeout:.0f} s waiting for {what}; heard: {lines}")

    def after(self, what, action):
        """Runs `action` and returns what Orca said about it: everything until speech has been
        quiet for SETTLE seconds, waiting at most STOP_TIMEOUT for the first word."""
        self.drain()
        action()
        lines = []
        deadline = time.monotonic() + STOP_TIMEOUT
        last_heard = None
        while True:
            new = self._read_new()
            now = time.monotonic()
            if new:
                lines += new
                last_heard = now
            elif last_heard is not None and now - last_heard >= SETTLE:
                break
            elif last_heard is None and now > deadline:
                break
            self._check_alive(what)
            time.sleep(0.05)
        self.transcript += [f"[{what}]"] + lines
        return " ".join(lines)


def what_is_wrong(utterance):
    """Why this utterance gives a listener nothing to act on, or None when it is fine."""
    if not utterance.strip():
        return "it says nothing"
    for symbol in DRAWN_SYMBOLS:
        if symbol in utterance:
            return f"it reads the drawn symbol {symbol!r}"
    if SPELLED_SHORTCUT.search(utterance):
        return "it spells a shortcut inside a name"
    words = re.findall(r"[^\W\d_]+", utterance.lower())
    if not words:
        return "it says only symbols"
    if all(word in ROLE_WORDS for word in words):
        return "it says only a role"
    return None


class Journey:
    def __init__(self, session, listener):
        self.env = session.env
        self.listener = listener
        self.problems = []

    def key(self, *keys):
        subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], env=self.env, check=True, timeout=30)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "20", text], env=self.env, check=True, timeout=60)

    def tab_to(self, pattern, limit=60):
        """Tabs on until a stop says `pattern`; every stop on the way is checked like any other."""
        for index in range(limit):
            if re.search(pattern, self.stop(f"Tab towards /{pattern}/ ({index + 1})", "Tab")):
                return
        fail(f"Tab never reached a stop that says /{pattern}/")

    def stop(self, what, *keys, expect=None):
        """Presses `keys`, hears the stop, records what is wrong with it; returns what was said."""
        said = self.listener.after(what, lambda: self.key(*keys))
        problem = what_is_wrong(said)
        if problem:
            self.problems.append(f"{what}: {problem} (heard {said!r})")
        elif expect is not None and not re.search(expect, said, re.IGNORECASE):
            self.problems.append(f"{what}: expected to hear /{expect}/, heard {said!r}")
        return said


def journey(session, listener):
    trip = Journey(session, listener)
    listener.until("Orca to speak Plenko's window", lambda lines: any("Plenko" in line for line in lines))
    listener.settle("the window's first focus")

    # Tab through the whole window: every stop on the way says something, and the way comes back.
    first = trip.stop("Tab 1", "Tab")
    seen = [first]
    for index in range(2, 60):
        said = trip.stop(f"Tab {index}", "Tab")
        if said == first and index > 2:
            break
        seen.append(said)
    else:
        trip.problems.append(f"Tab never came back to the first stop ({first!r}) in 60 presses")
    if not any(re.search(r"Add new item", said) for said in seen):
        trip.problems.append(f"Tab never reached the Add new item button: {seen}")

    # Add an item: the editor is named, saving lands on the new card and says the item was added.
    trip.stop("Ctrl+N", "ctrl+n", expect=r"Write a new item")
    listener.after("typing", lambda: trip.type("Ship the docs"))
    trip.stop("Ctrl+Return", "ctrl+Return", expect=r"Ship the docs(.|\n)*Item added|Item added(.|\n)*Ship the docs")

    # The card's menu says that it opened and which it is, then takes the keyboard and says where it
    # is; its first entry moves the item.
    trip.stop("Shift+F10 on the card", "shift+F10", expect=r"^Item actions \w*\s*menu\W+In Progress\W+1 of \d+\W*$")
    trip.stop("Down in the card's menu", "Down", expect=r"Done")
    trip.stop("Up in the card's menu", "Up", expect=r"In Progress")
    trip.stop("Return on In Progress", "Return")

    # Ctrl+2 shows In Progress and says so through its tab, which counts the moved item; the card
    # comes next.
    trip.stop("Ctrl+2", "ctrl+2", expect=r"In Progress, 1 item page tab\W+2 of 3")
    trip.tab_to(r"Ship the docs")
    trip.stop("Tab to the card's Assign button", "Tab", expect=r"Assign Ship the docs to a board member")
    trip.stop("Tab to the Add button after the cards", "Tab", expect=r"Add new item push button Ctrl\+N")

    # The menu bar opens with F10, says which menu opened, and its entries say where they are.
    trip.stop("F10", "F10", expect=r"File \w*\s*menu\W+New Item\W+1 of \d+")
    # Left and Right go from menu to menu, and Alt with a menu's letter opens it: each says which.
    trip.stop("Right in the menu bar", "Right", expect=r"^Edit \w*\s*menu\W+Undo")
    trip.stop("Right again", "Right", expect=r"^View \w*\s*menu\W+Toggle Sidebar\W+1 of 1")
    trip.stop("Left back", "Left", expect=r"^Edit \w*\s*menu\W+Undo")
    trip.stop("Escape from the menu", "Escape")
    trip.stop("Escape from the menu bar", "Escape")
    trip.stop("Alt+H", "alt+h", expect=r"^Help \w*\s*menu\W+Keyboard Shortcuts\W+1 of \d+")
    trip.stop("Escape from the Help menu", "Escape")
    trip.stop("Escape from the menu bar", "Escape")

    # A second board, made from the sidebar's menu with the keyboard alone.
    trip.tab_to(r"New or join a board")
    trip.stop("Return on New or join a board", "Return", expect=r"New or join a board \w*\s*menu\W+New Board.*1 of")
    trip.stop("Return on New Board", "Return", expect=r"New Board dialog.*Board name text")
    listener.after("typing the board's name", lambda: trip.type("Second board"))
    trip.stop("Return in the new board's dialog", "Return", expect=r"Created board")

    # Switch boards from the sidebar: the list says which board has the keyboard and which is open.
    trip.tab_to(r"Local Boards")
    trip.stop("Up in the boards list", "Up", expect=r"^On This Computer\W+1 of 2")
    trip.stop("Down in the boards list", "Down", expect=r"Second board, open\W+2 of 2")
    trip.stop("Up in the boards list", "Up", expect=r"^On This Computer\W+1 of 2")
    trip.stop("Return on the board", "Return", expect=r"On This Computer, open")
    return trip


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    plenko = sys.argv[1]
    for tool in ("orca", "speech-dispatcher", "xdotool", "openbox"):
        if not shutil.which(tool):
            print(f"FAIL: {tool} is missing: run scripts/install-deps.sh")
            return 1
    folder = tempfile.mkdtemp(prefix="plenko-orca-")
    session = Session(folder)
    listener = None
    try:
        session.start_display()
        session.start_buses()
        env = session.env
        logs = {}

        def log(name):
            logs[name] = open(os.path.join(folder, name + ".log"), "wb")
            return logs[name]

        # A window manager: without one no window is ever active, and Orca follows the active one.
        session.start(["openbox"], stdout=log("openbox"), stderr=subprocess.STDOUT)
        speech_file = os.path.join(folder, "speech.txt")
        socket_path = os.path.join(folder, "speechd.sock")
        speech = session.start(["speech-dispatcher", "--run-single", "--timeout", "0",
                                "--config-dir", write_speech_config(folder, speech_file),
                                "--socket-path", socket_path], stdout=log("speechd"), stderr=subprocess.STDOUT)
        env["SPEECHD_ADDRESS"] = "unix_socket:" + socket_path
        deadline = time.monotonic() + START_TIMEOUT
        while not os.path.exists(socket_path):
            if speech.poll() is not None or time.monotonic() > deadline:
                fail("speech-dispatcher did not start: see speechd.log")
            time.sleep(0.1)
        # PLENKO_ORCA_DEBUG=FILE keeps Orca's own account of every event it heard, to see why a stop
        # said what it said.
        debug = ["--debug-file", os.environ["PLENKO_ORCA_DEBUG"]] if os.environ.get("PLENKO_ORCA_DEBUG") else []
        orca = session.start(["orca", "--user-prefs", write_orca_settings(folder), "--replace", *debug],
                             stdout=log("orca"), stderr=subprocess.STDOUT)
        listener = Listener(speech_file, {"Orca": orca, "speech-dispatcher": speech})
        listener.until("Orca to start speaking", lambda lines: bool(lines))

        env.update({
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            # Local boards only: nothing may reach a network service.
            "PLENKO_API_URL": "http://127.0.0.1:9",
            "PLENKO_CHANGELOG_URL": "http://127.0.0.1:9/changelog.json",
            "PLENKO_APPCAST_URL": "http://127.0.0.1:9/appcast.json",
            "PLENKO_ANALYTICS_URL": "http://127.0.0.1:9/track",
        })
        application = session.start([plenko], stdout=log("plenko"), stderr=subprocess.STDOUT)
        listener.processes["Plenko"] = application
        trip = journey(session, listener)
        if trip.problems:
            fail("stops a listener cannot act on:\n  " + "\n  ".join(trip.problems))
        print("PASS: every stop of the journey says what it is and what it holds")
        return 0
    except Skip as reason:
        print(f"SKIP: {reason}")
        return SKIP
    except AssertionError as error:
        print(f"FAIL: {error}")
        for name in ("plenko", "orca", "speechd"):
            path = os.path.join(folder, name + ".log")
            if os.path.exists(path):
                with open(path, "rb") as output:
                    print(f"--- {name}'s output (end) ---\n" + output.read().decode(errors="replace")[-3000:])
        return 1
    except Exception:
        traceback.print_exc()
        return 1
    finally:
        if listener is not None:
            listener.drain()
            print("--- what Orca said ---\n" + "\n".join(listener.transcript))
        session.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
