#!/usr/bin/python3
"""Quillet and quillet-host as a screen reader reads them, driven by the keyboard alone.

Installs the build into a temporary folder, starts the accessibility bus on the private
session bus, quillet-host with its sample feed and then Quillet, and reads both programs
through AT-SPI: every control of every window has a name, the bulletin rows read as
sentences, the Tab order visits the main window's controls in reading order, and a bulletin
is sent with keys only, its "Sent:" read back from the status bar.

Usage: accessibility_test.py BUILD_DIR CMAKE
Runs under an X display with a window manager and inside dbus-run-session.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# What a screen reader must be able to name; items and cells are named by what they hold.
CONTROL_ROLES = {
    "push button", "toggle button", "check box", "radio button", "combo box", "text",
    "password text", "list", "tree", "table", "tree table", "spin button", "slider",
    "page tab", "status bar", "menu item",
}
MAIN_TAB_CYCLE = ["Add Single", "Add Multiple", "Group filter", "Setup", "Exit",
                  "Received bulletins"]


class Failed(Exception):
    pass


def wait_for(what, probe, seconds=15):
    """Polls probe until it gives something true; fails saying what was waited for. An object
    that vanished while it was read (a list refilled meanwhile) counts as not yet."""
    deadline = time.monotonic() + seconds
    while True:
        try:
            value = probe()
        except GLib.GError:
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failed(f"waited {seconds} s for {what}")
        time.sleep(0.1)


def bus_name_owned(name):
    reply = subprocess.run(
        ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/",
         "org.freedesktop.DBus.NameHasOwner", f"string:{name}"],
        capture_output=True, text=True, timeout=5)
    return "boolean true" in reply.stdout


def keys(*names):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *names], check=True, timeout=10)


def type_text(text):
    subprocess.run(["xdotool", "type", "--clearmodifiers", "--delay", "20", text], check=True,
                   timeout=30)


class Reader:
    """The AT-SPI side: what Orca would see of the running programs."""

    def __init__(self):
        self.atspi = Atspi

    def children(self, acc):
        try:
            count = acc.get_child_count()
        except GLib.GError:
            return  # gone: a refresh refilled the list it was in
        for i in range(count):
            try:
                child = acc.get_child_at_index(i)
            except GLib.GError:
                return
            if child is not None:
                yield child

    def walk(self, acc, parent_role=""):
        """(object, role, name, parent's role) of root and everything below it; what vanishes
        while it is read, as rows do when a refresh refills a list, is left out."""
        try:
            role, name = acc.get_role_name(), acc.get_name()
        except GLib.GError:
            return
        yield acc, role, name, parent_role
        for child in self.children(acc):
            yield from self.walk(child, role)

    def has(self, acc, state):
        return acc.get_state_set().contains(getattr(self.atspi.StateType, state))

    def app(self, name):
        desktop = self.atspi.get_desktop(0)
        return next((a for a in self.children(desktop) if a.get_name() == name), None)

    def window(self, app_name, title_pattern):
        app = self.app(app_name)
        if app is None:
            return None
        return next((w for w in self.children(app)
                     if re.fullmatch(title_pattern, w.get_name() or "")
                     and self.has(w, "SHOWING")), None)

    def find(self, root, role, name=None):
        for acc, acc_role, acc_name, _ in self.walk(root):
            if acc_role == role and (name is None or acc_name == name):
                return acc
        return None

    def status_bar(self, window):
        status = self.find(window, "status bar")
        if status is None:
            raise Failed(f"\"{window.get_name()}\" has no status bar")
        return status

    def focused(self, root):
        for acc, role, _, _ in self.walk(root):
            if role not in ("list item", "table cell") and self.has(acc, "FOCUSED"):
                return acc
        return None

    def focused_name(self, root):
        acc = self.focused(root)
        return acc.get_name() if acc is not None else None

    def unnamed(self, root):
        """Every control without a name, as "role in window"."""
        missing = [] if (root.get_name() or "").strip() else ["the window's own title"]
        for acc, role, name, parent_role in self.walk(root):
            if role not in CONTROL_ROLES or parent_role == "combo box":
                continue  # a combo box's own popup list is read as part of the box
            if not (name or "").strip():
                missing.append(f"{role} in \"{root.get_name()}\"")
            elif role == "combo box" and not self.label_of(acc):
                # its name is its current item: the label says what it is for
                missing.append(f"the label of combo box {acc.get_name()!r} in "
                               f"\"{root.get_name()}\"")
        return missing

    def label_of(self, acc):
        for relation in acc.get_relation_set():
            if relation.get_relation_type() == self.atspi.RelationType.LABELLED_BY:
                return relation.get_target(0).get_name()
        return None

    def text_of(self, acc):
        return self.atspi.Text.get_text(acc, 0, self.atspi.Text.get_character_count(acc))


def start(command, env, log):
    return subprocess.Popen(command, env=env, stdout=log, stderr=subprocess.STDOUT)


def check_main_window(reader, main, problems):
    bulletins = reader.find(main, "list", "Received bulletins")
    rows = wait_for("the bulletin rows read whole",
                    lambda: [item.get_name() for item in reader.children(bulletins)])
    sentence = re.compile(r"\S+ to BLN.* at .+: .* \(unread\)")
    if not rows[1:] or not all(sentence.fullmatch(r) for r in rows[1:]):
        problems.append(f"bulletin rows do not read as sentences: {rows[:3]}")
    if any("\t" in r for r in rows):
        problems.append("a bulletin row reads with tabs")
    groups = reader.find(main, "list", "Group filter")
    if "ALL" not in (groups.get_description() or ""):
        problems.append(f"the group list does not say which group is chosen: "
                        f"{groups.get_description()!r}")

    # Tab visits every enabled control in reading order, round and round.
    seen = []
    for _ in range(2 * len(MAIN_TAB_CYCLE)):
        before = reader.focused(main)
        keys("Tab")
        wait_for("the focus to move on Tab",
                 lambda: reader.focused(main) not in (None, before))
        seen.append(reader.focused_name(main))
    start_at = seen.index(MAIN_TAB_CYCLE[0]) if MAIN_TAB_CYCLE[0] in seen else 0
    cycle = seen[start_at:start_at + len(MAIN_TAB_CYCLE)]
    if cycle != MAIN_TAB_CYCLE:
        problems.append(f"Tab order is {seen}, not {MAIN_TAB_CYCLE} round and round")

    # The arrow keys move through the bulletins; the row then reads as read, and the status
    # bar shows its text.
    while reader.focused_name(main) != "Received bulletins":
        keys("Tab")
        time.sleep(0.2)
    first = rows[1]
    keys("Down", "space")
    status = reader.status_bar(main)
    text = first.split(": ", 1)[1].removesuffix(" (unread)")
    wait_for("the status bar to show the chosen bulletin's text",
             lambda: status.get_name() == text)
    wait_for("the chosen row to read without \"unread\"",
             lambda: first.removesuffix(" (unread)") in
             [i.get_name() for i in reader.children(bulletins)])


def send_by_keys(reader, main, problems):
    keys("alt+a")
    message = wait_for("the Add Message window",
                       lambda: reader.window("Quillet", "Quillet Add Message"))
    problems += reader.unnamed(message)
    if reader.focused_name(message) != "Bulletin code":
        problems.append(f"Add Message opens with the focus on "
                        f"{reader.focused_name(message)!r}, not on the bulletin code")
    keys("7")
    to = reader.find(message, "text", "To")
    wait_for("the code to go into the To field", lambda: reader.text_of(to) == "BLN7")
    keys("Tab")
    wait_for("Tab to lead from the code to the text",
             lambda: reader.focused_name(message) == "Text")
    type_text("Sent with keys only")
    keys("Tab")
    wait_for("Tab to lead from the text to Send",
             lambda: reader.focused_name(message) == "Send")
    keys("shift+Tab")
    wait_for("the focus back in the text", lambda: reader.focused_name(message) == "Text")
    keys("Return")
    status = reader.status_bar(main)
    wait_for("\"Sent:\" in the status bar",
             lambda: (status.get_name() or "").startswith("Sent:"), seconds=30)
    if "Sent with keys only" not in status.get_name():
        problems.append(f"the status bar says {status.get_name()!r}")
    wait_for("Add Message to close after the send",
             lambda: reader.window("Quillet", "Quillet Add Message") is None)


def check_window_and_escape(reader, key, title, problems, named=()):
    keys(key)
    window = wait_for(f"the window \"{title}\"", lambda: reader.window("Quillet", title))
    problems += reader.unnamed(window)
    for role, name in named:
        if reader.find(window, role, name) is None:
            problems.append(f"\"{title}\" has no {role} named {name!r}")
    keys("Escape")
    wait_for(f"Escape to close \"{title}\"", lambda: reader.window("Quillet", title) is None)


def open_board_row_by_keys(reader, problems):
    """On the Add Multiple board, Enter on a row opens it in Add Message."""
    keys("alt+m")
    board = wait_for("the Add Multiple board",
                     lambda: reader.window("Quillet", "Quillet Add Multiple Messages"))
    rows = reader.find(board, "list", "Own bulletins")
    while reader.focused(board) != rows:
        before = reader.focused(board)
        keys("Tab")
        wait_for("the focus to move on Tab on the board",
                 lambda: reader.focused(board) not in (None, before))
    keys("Down")
    chosen = wait_for("a row chosen on the board", lambda: next(
        (row.get_name() for row in reader.children(rows) if reader.has(row, "SELECTED")), None))
    if "\t" in chosen:
        problems.append(f"a board row reads with a tab: {chosen!r}")
    keys("Return")
    message = wait_for("Add Message opened from the board",
                       lambda: reader.window("Quillet", "Quillet Add Message"))
    to = reader.find(message, "text", "To")
    code = chosen.split(">")[0].strip()
    wait_for(f"the board's row {code} in Add Message", lambda: reader.text_of(to) == code)
    if reader.focused_name(message) != "Text":
        problems.append(f"Add Message opened with a bulletin focuses "
                        f"{reader.focused_name(message)!r}, not its text")
    keys("Escape")
    wait_for("Escape to close Add Message",
             lambda: reader.window("Quillet", "Quillet Add Message") is None)
    subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                    "^Quillet Add Multiple Messages$", "windowactivate", "--sync"],
                   check=True, timeout=10)
    keys("Escape")
    wait_for("Escape to close the board",
             lambda: reader.window("Quillet", "Quillet Add Multiple Messages") is None)


def check_host(reader, problems):
    host = wait_for("the host's window",
                    lambda: reader.window("quillet-host", r"UI-View32 V2\.03 \[.*\]"))
    problems += reader.unnamed(host)
    subprocess.run(["xdotool", "search", "--onlyvisible", "--name", r"^UI-View32 V2\.03",
                    "windowactivate", "--sync"], check=True, timeout=10)
    keys("alt+m")
    time.sleep(0.3)
    keys("alt+t")
    form = wait_for("the host's message form",
                    lambda: reader.window("quillet-host", "Messages - .*"))
    problems += reader.unnamed(form)
    for name in ("To", "Port", "Digi path", "Text"):
        if reader.find(form, "text", name) is None:
            problems.append(f"the host's message form has no field named {name!r}")
    keys("Escape")
    wait_for("Escape to hide the message form",
             lambda: reader.window("quillet-host", "Messages - .*") is None)


def add_bulletin(callsign, addressee, text):
    """The host logs a bulletin as if heard, through its controls for tests."""
    subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=com.peaksystems.UIView32",
                    "/UIView32", "org.quillet.HostControl1.AddBulletin", f"string:{callsign}",
                    f"string:{addressee}", f"string:{text}"],
                   check=True, stdout=subprocess.DEVNULL, timeout=10)


def run(build, cmake, work):
    program = os.path.join(work, "quillet")
    subprocess.run([cmake, "--install", build, "--prefix", program], check=True,
                   stdout=subprocess.DEVNULL, timeout=120)
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"),
               QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    log = open(os.path.join(work, "programs.log"), "w")
    processes = []
    try:
        processes.append(start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                               env, log))
        wait_for("the accessibility bus (org.a11y.Bus)", lambda: bus_name_owned("org.a11y.Bus"))
        reader = Reader()
        processes.append(start([os.path.join(program, "host", "quillet-host"), "--feed",
                                os.path.join(program, "host", "sample_feed.txt")], env, log))
        wait_for("quillet-host on the bus", lambda: bus_name_owned("com.peaksystems.UIView32"))
        processes.append(start([os.path.join(program, "quillet")], env, log))
        main = wait_for("Quillet's main window with the station in its caption",
                        lambda: reader.window("Quillet", r"Quillet \[G4SIM\]"))
        wait_for("the first refresh to fill the bulletin list", lambda: reader.find(
            main, "list", "Received bulletins").get_child_count() > 1)
        wait_for("Quillet's main window to have the focus", lambda: reader.has(main, "ACTIVE"))

        problems = reader.unnamed(main)
        # A bulletin heard now is news the status bar tells.
        add_bulletin("G0NEW", "BLN5", "Heard while the board was open")
        status = reader.status_bar(main)
        wait_for("\"1 new bulletin\" in the status bar",
                 lambda: status.get_name() == "1 new bulletin")
        check_main_window(reader, main, problems)
        send_by_keys(reader, main, problems)
        check_window_and_escape(reader, "alt+m", "Quillet Add Multiple Messages", problems)
        open_board_row_by_keys(reader, problems)
        check_window_and_escape(reader, "alt+s", "Setup", problems,
                                [("check box", "Use the desktop's colours"),
                                 ("check box", "Publish when the board changes")])
        check_host(reader, problems)
        return problems
    finally:
        for process in reversed(processes):
            process.terminate()
        for process in processes:
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
        log.close()


def main():
    build, cmake = sys.argv[1:3]
    work = tempfile.mkdtemp(prefix="quillet-a11y-")
    try:
        try:
            problems = run(build, cmake, work)
        except Failed as failure:
            problems = [str(failure)]
        if problems:
            print("FAIL:\n  " + "\n  ".join(problems), file=sys.stderr)
            with open(os.path.join(work, "programs.log")) as log:
                sys.stderr.write(log.read()[-3000:])
            return 1
        print("Every control named; the Tab order, the rows and a send by keys read as meant")
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
