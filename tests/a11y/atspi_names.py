"""Inspects the running program through the desktop's accessibility bus
(AT-SPI), as a screen reader does, and checks that every control carries its
name. Run inside its own D-Bus session and X display:

    dbus-run-session -- xvfb-run -a /usr/bin/python3 atspi_names.py PROGRAM DATA_DIR

DATA_DIR holds limieten.db; the program gets a settings store of its own.
The editors are opened by pressing their buttons through AT-SPI.
"""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi

MAIN = {
    "text": ["Tavrel datafile:", "Limieten en niveaus datafile:", "Domein (b.v. www.example.com):",
             "Folder (b.v. httpdocs):", "Gebruikersnaam:", "CSV folder", "Meldingen"],
    "password text": ["Wachtwoord:"],
    "push button": ["Zoek...", "OK", "Sluiten", "Bewerk limieten", "Bewerk niveaus"],
    "check box": ["Upload naar webdomein", "zwemmers en tijden", "limieten", "niveaus",
                  "Bewaar CSV bestanden in"],
    "radio button": ["Tavrel 2006", "Tavrel 2009"],
}
LIMITS = {
    "text": ["Code", "Wedstrijd", "Datum van", "Datum tot", "Opmerking:"],
    "list": ["Kies een wedstrijd:"],
    "push button": ["Nieuw", "Verwijder", "Verhoog met een jaar", "Verlaag met een jaar", "Importeer", "Sluiten"],
    "check box": ["limiet in 25 meter bad is gelijk aan limiet in 50 meter bad"],
    "combo box": ["Afstand", "Slag", "Geslacht", "Badlengte:"],
}
LEVELS = {
    "combo box": ["Afstand", "Slag", "Geslacht", "Badlengte", "Niveau"],
    "push button": ["Importeer", "Sluiten"],
}


def wait_for(what, find, seconds=15):
    end = time.time() + seconds
    while time.time() < end:
        found = find()
        if found is not None:
            return found
        time.sleep(0.2)
    sys.exit("not found through AT-SPI: " + what)


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def frame(app, title):
    for child in app:
        if child is not None and child.name == title:
            return child
    return None


def names_by_role(node, found):
    """Every named control under node. A combo box is named by the label that
    labels it (on Linux its own name is its text)."""
    role = node.getRoleName()
    name = node.name
    if role == "combo box":
        for relation in node.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                name = relation.getTarget(0).name
    found.setdefault(role, []).append(name)
    for child in node:
        if child is not None:
            names_by_role(child, found)
    return found


def check(window, expected):
    found = names_by_role(window, {})
    missing = [(role, name) for role, names in expected.items() for name in names
               if name not in found.get(role, [])]
    if missing:
        sys.exit("%s: missing %s; found %s" % (window.name, missing, found))


def press(window, name):
    def find(node):
        if node.getRoleName() == "push button" and node.name == name:
            return node
        for child in node:
            hit = find(child) if child is not None else None
            if hit is not None:
                return hit
        return None
    button = find(window)
    action = button.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click"):
            action.doAction(i)
            return
    action.doAction(0)


def main():
    program, data = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as config:
        with open(os.path.join(config, "Tavrel.ini"), "w") as ini:
            ini.write("[General]\nLimieten%%20Database=%s\n" % os.path.join(data, "limieten.db"))
        env = dict(os.environ, XDG_CONFIG_HOME=config, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QT_QPA_PLATFORM="xcb")
        env.pop("QT_ACCESSIBILITY", None)
        proc = subprocess.Popen([program], env=env, stderr=subprocess.PIPE, text=True)
        try:
            app = wait_for("the program", lambda: application(proc.pid))
            main_window = wait_for("the main window", lambda: frame(app, "UploadTavrel"))
            check(main_window, MAIN)
            press(main_window, "Bewerk limieten")
            limits = wait_for("Bewerk limieten", lambda: frame(app, "Bewerk limieten"))
            check(limits, LIMITS)
            press(limits, "Sluiten")
            wait_for("the main window again", lambda: frame(app, "UploadTavrel"))
            press(main_window, "Bewerk niveaus")
            levels = wait_for("Bewerk niveaus", lambda: frame(app, "Bewerk niveaus"))
            check(levels, LEVELS)
        finally:
            proc.terminate()
            _, errors = proc.communicate(timeout=10)
        warnings = [line for line in errors.splitlines()
                    if any(word in line.lower() for word in ("accessib", "at-spi", "atspi", "dbus"))]
        if warnings:
            sys.exit("warnings from the accessibility bridge:\n" + "\n".join(warnings))
    print("every control is named through AT-SPI")


if __name__ == "__main__":
    main()
