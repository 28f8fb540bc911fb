"""Driving the real program as a person does, through the desktop's
accessibility bus (AT-SPI): finding controls by role and name, pressing and
toggling them, typing into fields key by key, and reading what they show.

Run the tests inside an X display that the D-Bus session can see, so the
accessibility registry can send key presses:

    xvfb-run -a dbus-run-session -- /usr/bin/python3 TEST.py ...
"""
import os
import shutil
import stat
import subprocess
import sys
import time

import pyatspi

# The test FTP server's wrapper, shared with the Windows checks.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import ftp_site  # noqa: E402

FtpSite = ftp_site.FtpSite

KEY_END = 0xFF57
KEY_BACKSPACE = 0xFF08
KEY_RETURN = 0xFF0D
KEY_TAB = 0xFF09


def wait_for(what, find, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        found = find()
        if found is not None and found is not False:
            return found
        time.sleep(0.2)
    sys.exit("not found through AT-SPI: " + what)


def screenshot(name):
    """With TAVREL_SCREENSHOTS set to a folder, saves the screen there."""
    folder = os.environ.get("TAVREL_SCREENSHOTS")
    if folder:
        subprocess.run(["import", "-window", "root", os.path.join(folder, name + ".png")],
                       check=False)


def program_env(config, **extra):
    """The program's environment: its own settings folder and the
    accessibility bridge switched on."""
    env = dict(os.environ, XDG_CONFIG_HOME=config, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               QT_QPA_PLATFORM="xcb")
    env.pop("QT_ACCESSIBILITY", None)
    env.update(extra)
    return env


def write_settings(config, **values):
    """Tavrel.ini as the program's settings store keeps it (readable by all,
    as an older version left it)."""
    lines = ["[General]"] + ["%s=%s" % (k.replace(" ", "%20").replace(":", "%3A"), v)
                             for k, v in values.items()]
    path = os.path.join(config, "Tavrel.ini")
    with open(path, "w") as ini:
        ini.write("\n".join(lines) + "\n")
    os.chmod(path, 0o644)
    return path


def in_clear(port):
    """The settings of a user who consented to plain FTP to 127.0.0.1:port
    (answered "Ja" once)."""
    return {"Onversleuteld 127.0.0.1:%d" % port: "ja"}


def on_limits_copy(program, data, root):
    """The program with its own settings in root, on a copy of
    DATA/limieten.db there; the running program and the copy's path."""
    config = os.path.join(root, "config")
    os.makedirs(config)
    db = os.path.join(root, "limieten.db")
    shutil.copy(os.path.join(data, "limieten.db"), db)
    write_settings(config, **{"Limieten Database": db})
    return Program(program, program_env(config, HOME=root)), db


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    # Without a main loop the list of applications is refreshed only on
    # demand: ask afresh each time.
    desktop.clear_cache()
    for app in desktop:
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def window(app, title):
    for child in app:
        if child is not None and child.name == title:
            return child
    return None


def find(node, role, name=None, start=False):
    """The first control under node with this role and name (or a name that
    starts with it)."""
    if node.getRoleName() == role and (
            name is None or node.name == name or (start and node.name.startswith(name))):
        return node
    for child in node:
        hit = find(child, role, name, start) if child is not None else None
        if hit is not None:
            return hit
    return None


def find_all(node, role, found=None):
    found = [] if found is None else found
    if node.getRoleName() == role:
        found.append(node)
    for child in node:
        if child is not None:
            find_all(child, role, found)
    return found


def do_action(node, *names):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in names:
            action.doAction(i)
            return
    sys.exit("%s has none of the actions %s" % (node.name, names))


def press(node):
    do_action(node, "Press", "press", "click")


def toggle(node):
    do_action(node, "Toggle")


def enabled(node):
    states = node.getState()
    return states.contains(pyatspi.STATE_ENABLED) and states.contains(pyatspi.STATE_SENSITIVE)


def checked(node):
    return node.getState().contains(pyatspi.STATE_CHECKED)


def text_of(node):
    return node.queryText().getText(0, -1)


def keysym(ch):
    code = ord(ch)
    return code if code < 0x100 else 0x1000000 + code


def click(node):
    """A click with the mouse near the left end of the control, where a
    person clicks into a field."""
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(box.x + min(8, box.width // 2), box.y + box.height // 2,
                                        "b1c")


def type_keys(field, text):
    """Clicks into the field, erases what it holds and types text key by key.
    (Without a window manager no window is active, so focusing through
    AT-SPI alone would not route the keys there.)"""
    click(field)
    wait_for("focus on " + field.name, lambda: field.getState().contains(pyatspi.STATE_FOCUSED))
    pyatspi.Registry.generateKeyboardEvent(KEY_END, None, pyatspi.KEY_SYM)
    for _ in range(len(text_of(field))):
        pyatspi.Registry.generateKeyboardEvent(KEY_BACKSPACE, None, pyatspi.KEY_SYM)
    for ch in text:
        pyatspi.Registry.generateKeyboardEvent(keysym(ch), None, pyatspi.KEY_SYM)


def to_front(program, title):
    """Raises the program's window of this title above the others (without a
    window manager, two programs' windows lie on top of each other, and a
    click goes to the upper one)."""
    found = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid",
                            str(program.proc.pid), "--name", "^%s$" % title],
                           capture_output=True, text=True).stdout.split()
    for window_id in found:
        subprocess.run(["xdotool", "windowraise", window_id], check=True)


def key(sym):
    pyatspi.Registry.generateKeyboardEvent(sym, None, pyatspi.KEY_SYM)


def choose(window, caption, item):
    """Types an item into the editable combo box with this caption and
    presses Enter, as a person picks a filter by keyboard."""
    box = find(window, "combo box", caption)
    type_into(find(box, "text"), item)
    key(KEY_RETURN)


def cell(table, row, column):
    return table.queryTable().getAccessibleAt(row, column)


def type_cells(table, row, column, texts):
    """Clicks into a grid cell and types texts into it and the cells after
    it, Tab between them."""
    target = cell(table, row, column)
    click(target)
    wait_for("the cell selected", lambda: target.getState().contains(pyatspi.STATE_FOCUSED)
             or target.getState().contains(pyatspi.STATE_SELECTED))
    for i, text in enumerate(texts):
        if i:
            key(KEY_TAB)
        for ch in text:
            key(keysym(ch))


def labels(node):
    return [n.name for n in find_all(node, "label")] + [text_of(n) for n in find_all(node, "text")
                                                        if n.queryText().characterCount < 2000]


def pick_filter(dialog, wanted):
    """Opens a file dialog's type list with a click and picks a type by its
    first letter, as a person does with the keyboard."""
    click(find(dialog, "combo box", "(Microsoft Access Database) *.mdb"))
    key(keysym(wanted[0]))
    key(KEY_RETURN)
    wait_for("the type " + wanted, lambda: find(dialog, "combo box", wanted))


def closed(p, title):
    """Waits until the program's window of this title is gone, and checks
    the program still runs."""
    wait_for("%s closed" % title, lambda: all(
        w is None or w.name != title or not w.getState().contains(pyatspi.STATE_SHOWING)
        for w in p.app))
    check(p.alive(), "the program still runs after %s closed" % title)


def box_saying(program, text, seconds=30):
    """The shown message box (or any window) whose labels hold text."""
    def shown():
        try:
            for w in program.app:
                if (w is not None and w.getState().contains(pyatspi.STATE_SHOWING)
                        and any(text in t for t in labels(w))):
                    return w
        except Exception:  # a window went away while it was read: look again
            pass
        return None
    return wait_for("a box saying %r" % text, shown, seconds)


def answer(box, button="OK"):
    """Presses a button of a box and waits until the box is gone."""
    press(find(box, "push button", button))

    def gone():
        try:
            return not box.getState().contains(pyatspi.STATE_SHOWING)
        except Exception:  # the box is destroyed already
            return True
    wait_for("the box closed", gone)


def type_into(field, text):
    """type_keys, then waits until the field shows the text."""
    type_keys(field, text)
    wait_for("%r typed into %s" % (text, field.name), lambda: text_of(field) == text)


def wait_for_display(seconds=15):
    """Until the X server of DISPLAY takes a client (connection and
    authorisation, as the program needs them): xvfb-run may go on before its
    server does, and a program started then finds no display."""
    end = time.time() + seconds
    while time.time() < end:
        probe = subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True, text=True)
        if probe.returncode == 0:
            return
        time.sleep(0.2)
    print("the X server of DISPLAY=%s takes no client: %s"
          % (os.environ.get("DISPLAY"), probe.stderr.strip()), file=sys.stderr)


class Program:
    """The program running in its own process, seen through AT-SPI."""

    def __init__(self, path, env, cwd=None):
        wait_for_display()
        # Now and then, right after the previous test's display went, a
        # program finds no display although the server takes other clients
        # (seen in ctest runs only): such a start is no test of the program,
        # and it is started again, at most twice.
        for attempt in range(3):
            self.proc = subprocess.Popen([path], env=env, cwd=cwd, stderr=subprocess.PIPE,
                                         text=True)
            self.errors = ""

            def shown():
                if self.proc.poll() is not None:
                    sys.exit("ended")  # no use waiting for a program that ended
                return application(self.proc.pid)
            try:
                self.app = wait_for("the program", shown, 30)
                return
            except SystemExit:
                self.stop()
                if "geen beeldscherm" in self.errors and attempt < 2:
                    print("the program found no display; starting it again", file=sys.stderr)
                    time.sleep(1)
                    continue
                sys.exit("the program did not show up through AT-SPI (status %s):\n%s"
                         % (self.proc.returncode, self.errors[-3000:]))

    def window(self, title, seconds=30):
        return wait_for(title, lambda: window(self.app, title), seconds)

    def ended(self, seconds=30):
        """The exit status once the program has ended by itself."""
        try:
            _, self.errors = self.proc.communicate(timeout=seconds)
        except subprocess.TimeoutExpired:
            self.stop()
            sys.exit("the program did not end within %d s" % seconds)
        return self.proc.returncode

    def alive(self):
        return self.proc.poll() is None

    def close(self, main=None, what="Sluiten ends the program"):
        """Presses Sluiten in the main window and checks the program ended well."""
        press(find(main or self.window("UploadTavrel"), "push button", "Sluiten"))
        check(self.ended() == 0, what)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
        if self.proc.stderr and not self.proc.stderr.closed:
            # What the program said, also when it ended by itself.
            _, self.errors = self.proc.communicate(timeout=10)


def mode(path):
    return stat.S_IMODE(os.lstat(path).st_mode)


def check(condition, message):
    if not condition:
        sys.exit("FAILED: " + message)
