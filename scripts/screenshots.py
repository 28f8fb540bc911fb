"""Makes the pictures of the user guide (docs/handleiding/) from the real
program on the demo data, driven through AT-SPI as a person uses it, and
records which window code they show (schermafdrukken.txt), so the test suite
can tell when a picture is older than its window.

    xvfb-run -a -s "-screen 0 1280x900x24" dbus-run-session -- \\
        /usr/bin/python3 scripts/screenshots.py PROGRAM DEMO_DATA SOURCE_DIR
"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

import pyatspi

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "a11y"))

from atspi import (Program, box_saying, click, closed, find, pick_filter,  # noqa: E402
                   press, program_env, text_of, toggle, type_into, type_keys, wait_for)

# The code of the windows the pictures show: a change there means new pictures.
WINDOW_CODE = [
    "src/app/Main.cpp", "src/app/Main.h", "src/app/FolderDialog.cpp", "src/app/QtUi.cpp",
    "src/editors/frmLimieten.cpp", "src/editors/frmNiveaus.cpp",
    "src/editors/EditorControls.cpp", "src/editors/EditorWindow.cpp",
]


def extents(*windows):
    boxes = [w.queryComponent().getExtents(pyatspi.DESKTOP_COORDS) for w in windows]
    left, top = min(b.x for b in boxes), min(b.y for b in boxes)
    right = max(b.x + b.width for b in boxes)
    bottom = max(b.y + b.height for b in boxes)
    return left, top, right - left, bottom - top


def picture(folder, name, *windows):
    """The screen where the windows lie, as a PNG."""
    x, y, w, h = extents(*windows)
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y),
                    "+repage", "-strip", os.path.join(folder, name)], check=True)
    print("screenshots: " + name)


def open_file(p, main, button, title, typed):
    press(find(main, "push button", button))
    dialog = p.window(title)
    pick_filter(dialog, "SQLite-database (*.sqlite *.db)")
    type_into(find(dialog, "text", "Bestandsnaam:"), typed)
    press(find(dialog, "push button", "Openen"))
    closed(p, title)


def shots(program, data, out, root):
    home = os.path.join(root, "vrijwilliger")
    club_folder = os.path.join(home, "Documents", "zwemclub")
    os.makedirs(club_folder)
    shutil.copy(os.path.join(data, "team2006.db"), os.path.join(club_folder, "team.db"))
    shutil.copy(os.path.join(data, "limieten.db"), os.path.join(club_folder, "limieten.db"))
    config = os.path.join(root, "config")
    os.makedirs(config)
    env = program_env(config, HOME=home, XDG_DATA_HOME=os.path.join(root, "data"))
    p = Program(program, env)
    try:
        main = p.window("UploadTavrel")
        message = find(main, "text", "Meldingen")
        wait_for("the first start's hint", lambda: text_of(message).startswith("Kies met Zoek"))
        picture(out, "eerste-start.png", main)

        open_file(p, main, "Zoek Tavrel datafile", "Zoek Tavrel database", "zwemclub/team.db")
        open_file(p, main, "Zoek limieten en niveaus datafile",
                  "Zoek limieten en niveaus database", "limieten.db")
        press(find(main, "push button", "Zoek Tavrel datafile"))
        dialog = p.window("Zoek Tavrel database")
        wait_for("the club files listed", lambda: find(dialog, "table cell", "limieten.db"))
        picture(out, "zoek-database.png", main, dialog)
        press(find(dialog, "push button", "Annuleren"))
        closed(p, "Zoek Tavrel database")

        domain = find(main, "text", "Domein", start=True)
        user = find(main, "text", "Gebruikersnaam:")
        type_into(domain, "ftp.zwemclub.example")
        type_into(user, "zwemclub")
        type_keys(find(main, "password text", "Wachtwoord:"), "geheim")
        toggle(find(main, "check box", "limieten"))
        toggle(find(main, "check box", "niveaus"))
        toggle(find(main, "check box", "Bewaar CSV bestanden in"))
        type_into(find(main, "text", "CSV-map"), os.path.join(home, "Documents", "csv") + "/")
        wait_for("the account typed", lambda: text_of(user) == "zwemclub")
        picture(out, "hoofdvenster.png", main)

        press(find(main, "push button", "Zoek CSV-map"))
        dialog = p.window("Zoek folder voor opslag csv bestanden")
        type_into(find(dialog, "text", "Map:"), os.path.join(home, "Documents", "csv"))
        press(find(dialog, "push button", "Kiezen"))
        box = box_saying(p, "bestaat niet")
        picture(out, "map-maken.png", main, dialog, box)
        press(find(box, "push button", "Ja"))
        wait_for("the folder made", lambda: os.path.isdir(os.path.join(home, "Documents", "csv")))

        toggle(find(main, "radio button", "Tavrel 2009"))
        click(find(main, "push button", "OK"))
        wait_for("the layout named", lambda: text_of(message).startswith("Dit bestand heeft"))
        picture(out, "verkeerde-indeling.png", main)
        click(find(main, "radio button", "Tavrel 2006"))

        # An upload to a server that is not there: the report, then the log.
        type_into(domain, "127.0.0.1:9")
        click(find(main, "push button", "OK"))
        report = p.window("Foutmelding!", 60)
        picture(out, "upload-mislukt.png", main, report)
        press(find(report, "push button", "OK"))
        wait_for("the run ended", lambda: find(main, "push button", "OK"))

        press(find(main, "push button", "Bewerk limieten"))
        limits = p.window("Bewerk limieten")
        wait_for("a meet listed", lambda: find(limits, "list item") is not None)
        picture(out, "limieten.png", limits)
        press(find(limits, "push button", "Sluiten"))
        p.window("UploadTavrel")
        press(find(main, "push button", "Bewerk niveaus"))
        levels = p.window("Bewerk niveaus")
        picture(out, "niveaus.png", levels)
        press(find(levels, "push button", "Sluiten"))
    finally:
        p.stop()


def stamp(source, out):
    lines = ["# The window code these pictures show (SHA-256); make screenshots renews them."]
    for path in WINDOW_CODE:
        with open(os.path.join(source, path), "rb") as f:
            lines.append("%s  %s" % (hashlib.sha256(f.read()).hexdigest(), path))
    with open(os.path.join(out, "schermafdrukken.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


def main():
    program, data, source = sys.argv[1], sys.argv[2], sys.argv[3]
    out = os.path.join(source, "docs", "handleiding")
    os.makedirs(out, exist_ok=True)
    root = tempfile.mkdtemp(prefix="handleiding-")
    try:
        shots(program, data, out, root)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    stamp(source, out)


if __name__ == "__main__":
    main()
