"""A volunteer's first day, through the real window and Qt's own dialogs,
driven only through AT-SPI: a fresh home with the club's files in a folder of
their own under Documents, no settings. The first start says what to do; the
file dialogs open where the files are and show a SQLite club file; a typed
CSV folder that does not exist is made after a Dutch question; a club file
of the other layout is refused before anything is written, with the focus on
the option to choose; the right choice clears the message and the run goes.

    xvfb-run -a dbus-run-session -- /usr/bin/python3 atspi_first_day.py PROGRAM DATA_DIR
"""
import os
import shutil
import sys
import tempfile

import pyatspi

from atspi import (KEY_RETURN, Program, answer, box_saying, check, click, closed, find, key,
                   mode, pick_filter, press, program_env, screenshot, text_of, toggle, type_into,
                   wait_for)

CLUB_HINT = "Kies met Zoek... het Tavrel-databasebestand van de club."
LIMITS_HINT = "Kies met Zoek... het databasebestand met limieten en niveaus"
WRONG_LAYOUT = "Dit bestand heeft de indeling van Tavrel 2006; kies Tavrel 2006."


def named(node, name):
    """Any control under node with this name (a file in a dialog's list)."""
    if node.name == name:
        return node
    for child in node:
        hit = named(child, name) if child is not None else None
        if hit is not None:
            return hit
    return None


def file_dialog(p, main, button, title):
    press(find(main, "push button", button))
    return p.window(title)


def choose_in(p, dialog, title, typed, button="Openen"):
    """Types a name into the dialog's name field and presses its button."""
    field = find(dialog, "text", "Bestandsnaam:") or find(dialog, "text", "Map:")
    type_into(field, typed)
    press(find(dialog, "push button", button))


def main():
    program, data = sys.argv[1], sys.argv[2]
    root = tempfile.mkdtemp(prefix="eerste-dag-")
    try:
        home = os.path.join(root, "home")
        club_folder = os.path.join(home, "Documents", "zwemclub")
        os.makedirs(club_folder)
        club = os.path.join(club_folder, "club.db")
        limits = os.path.join(club_folder, "limieten.db")
        shutil.copy(os.path.join(data, "team2006.db"), club)
        shutil.copy(os.path.join(data, "limieten.db"), limits)
        config = os.path.join(root, "config")
        os.makedirs(config)
        p = Program(program, program_env(config, HOME=home,
                                         XDG_DATA_HOME=os.path.join(root, "data")))
        try:
            main_window = p.window("UploadTavrel")
            message = find(main_window, "text", "Meldingen")
            club_box = find(main_window, "text", "Tavrel datafile:")
            limits_box = find(main_window, "text", "Limieten en niveaus datafile:")

            # The first start: the documents folder, and what to do first.
            wait_for("the first start's hint", lambda: text_of(message) == CLUB_HINT)
            check(text_of(club_box) == os.path.join(home, "Documents", "team.mdb"),
                  "the club file's default is in Documents: " + text_of(club_box))
            screenshot("eerste-start")

            # The club dialog opens in Documents with only the name in its field.
            title = "Zoek Tavrel database"
            dialog = file_dialog(p, main_window, "Zoek Tavrel datafile", title)
            wait_for("the club folder listed", lambda: named(dialog, "zwemclub"))
            check(text_of(find(dialog, "text", "Bestandsnaam:")) == "team.mdb",
                  "the name field holds the file name only")
            pick_filter(dialog, "SQLite-database (*.sqlite *.db)")
            choose_in(p, dialog, title, "zwemclub/club.db")
            closed(p, title)
            wait_for("the chosen club file", lambda: text_of(club_box) == club)
            wait_for("the next hint", lambda: text_of(message).startswith(LIMITS_HINT))

            # The limits dialog opens beside the club file: its name alone will do.
            title = "Zoek limieten en niveaus database"
            dialog = file_dialog(p, main_window, "Zoek limieten en niveaus datafile", title)
            pick_filter(dialog, "SQLite-database (*.sqlite *.db)")
            wait_for("club.db beside it", lambda: named(dialog, "club.db"))
            choose_in(p, dialog, title, "limieten.db")
            closed(p, title)
            wait_for("the chosen limits file", lambda: text_of(limits_box) == limits)
            wait_for("no hint left", lambda: text_of(message) == "")

            # Opened again, the club dialog shows the SQLite files it is among.
            title = "Zoek Tavrel database"
            dialog = file_dialog(p, main_window, "Zoek Tavrel datafile", title)
            wait_for("club.db listed", lambda: named(dialog, "club.db"))
            check(named(dialog, "limieten.db") is not None, "limieten.db listed beside it")
            screenshot("zoek-tavrel-database")
            press(find(dialog, "push button", "Annuleren"))
            closed(p, title)
            check(text_of(club_box) == club, "a cancelled dialog changes nothing")

            # A CSV folder typed in the folder picker that is not there yet.
            toggle(find(main_window, "check box", "Upload naar webdomein"))
            toggle(find(main_window, "check box", "Bewaar CSV bestanden in"))
            csv = os.path.join(home, "Documents", "uitvoer")
            title = "Zoek folder voor opslag csv bestanden"
            dialog = file_dialog(p, main_window, "Zoek CSV-map", title)
            choose_in(p, dialog, title, csv, "Kiezen")
            box = box_saying(p, "De map %s bestaat niet." % csv)
            check("Wilt u deze map maken?" in box.name or named(box, "Ja") is not None,
                  "the box offers to make it")
            screenshot("map-maken")
            answer(box, "Ja")
            closed(p, title)
            csv_box = find(main_window, "text", "CSV-map")
            wait_for("the new folder chosen", lambda: text_of(csv_box) == csv + "/")
            check(os.path.isdir(csv) and mode(csv) == 0o700, "made for the user only")

            # The other layout chosen: refused before any file, focus on the option.
            toggle(find(main_window, "radio button", "Tavrel 2009"))
            click(find(main_window, "push button", "OK"))  # with the mouse, as a person does
            wait_for("the layout named", lambda: text_of(message) == WRONG_LAYOUT)
            option = find(main_window, "radio button", "Tavrel 2006")
            wait_for("the focus on the option",
                     lambda: option.getState().contains(pyatspi.STATE_FOCUSED))
            check(os.listdir(csv) == [], "no file written: %s" % os.listdir(csv))
            screenshot("verkeerde-indeling")
            key(KEY_RETURN)  # nothing to start: OK is no default button
            check(p.alive() and os.listdir(csv) == [], "Enter starts nothing")
            click(option)
            wait_for("the message gone with the right choice", lambda: text_of(message) == "")
            press(find(main_window, "push button", "OK"))
            check(p.ended(60) == 0, "a run without upload ends the program")
            check(sorted(os.listdir(csv)) == ["tijden.csv", "zwemmers.csv"],
                  "the club's files: %s" % os.listdir(csv))
        finally:
            p.stop()
    finally:
        shutil.rmtree(root, ignore_errors=True)
    print("a first day: hints, dialogs where the files are, a new folder, the layout named")


if __name__ == "__main__":
    main()
