"""A Jet limits database made editable, as a person does it: the real
program offers a copy in a real Dutch box, the copy is named in Qt's own
save dialog, and the copy is then edited and imported into, all through
AT-SPI. Like many a club's own file, this one holds limits of a meet that
no longer exists: they stay behind, and the box says so.

    xvfb-run -a dbus-run-session -- /usr/bin/python3 atspi_convert.py PROGRAM DATA_DIR JET_LIMITS

DATA_DIR holds limieten.db, the SQLite database JET_LIMITS was made from.
"""
import hashlib
import os
import sys
import tempfile

from atspi import (Program, answer, box_saying, check, find, find_all, press, program_env,
                   text_of, type_into, wait_for, write_settings)
from atspi_editors import import_through_the_dialog, rows

TABLES = ["wedstrijden", "limieten", "niveaus"]


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def with_orphans(source, target):
    """The Jet file with three limits of MASTERS09 moved to a meet that does
    not exist (the meet's own row is the first occurrence of its code)."""
    with open(source, "rb") as f:
        data = bytearray(f.read())
    code = b"\xff\xfeMASTERS09"
    at = [i for i in range(len(data)) if data.startswith(code, i)]
    check(len(at) > 4, "the Jet file holds MASTERS09's limits")
    for i in at[1:4]:
        data[i + 2:i + 11] = b"GHOST2009"
    with open(target, "wb") as f:
        f.write(data)


def main():
    program, data, jet_source = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as root:
        club = os.path.join(root, "club")
        os.makedirs(club)
        jet = os.path.join(club, "limieten.mdb")
        with_orphans(jet_source, jet)
        before = digest(jet)
        config = os.path.join(root, "config")
        os.makedirs(config)
        write_settings(config, **{"Limieten Database": jet})
        copy = os.path.join(club, "limieten.sqlite")
        levels = os.path.join(root, "niveaus.csv")
        with open(levels, "w", newline="") as f:
            f.write("50;vr;j;25;A;9;11;00.32.94\r\n")

        p = Program(program, program_env(config, HOME=root))
        try:
            main_window = p.window("UploadTavrel")
            press(find(main_window, "push button", "Bewerk limieten"))
            offer = box_saying(p, "is een Access-database")
            names = sorted(b.name for b in find_all(offer, "push button"))
            check(names == ["Ja", "Nee"], "the offer has Dutch buttons: %s" % names)
            answer(offer, "Ja")

            dialog = p.window("Bewerkbare kopie opslaan als")
            field = find(dialog, "text", "Bestandsnaam:")
            check(text_of(field) == "limieten.sqlite", "proposed: %r" % text_of(field))
            type_into(field, copy)
            buttons = [b.name for b in find_all(dialog, "push button")]
            check("Opslaan" in buttons, "the save dialog is Dutch: %s" % buttons)
            press(find(dialog, "push button", "Opslaan"))

            done = box_saying(p, "is gemaakt en gecontroleerd")
            said = " ".join(n.name for n in find_all(done, "label"))
            check("4 wedstrijden, 477 limieten en 720 niveaus" in said
                  and "3 limieten horen bij geen wedstrijd en zijn niet overgenomen: GHOST2009."
                  in said, "the box counts what was copied and what was not: %s" % said)
            answer(done)
            for table in TABLES:
                mine = rows(copy, "SELECT * FROM %s ORDER BY rowid" % table)
                theirs = rows(os.path.join(data, "limieten.db"),
                              "SELECT * FROM %s ORDER BY rowid" % table)
                if table == "limieten":
                    left = list(theirs)
                    for r in mine:
                        left.remove(r)
                    check(len(left) == 3 and all(r[0] == "MASTERS09" for r in left),
                          "the copy holds every limit but the three of no meet: %s" % left)
                else:
                    check(mine == theirs, "the copy's %s hold every row of the Jet file" % table)
            check(digest(jet) == before, "the Jet file is as it was")
            check(os.stat(copy).st_mode & 0o077 == 0, "the copy is readable by its user only")

            # The copy can be edited: a meet's name, stored when the editor closes.
            editor = p.window("Bewerk limieten")
            type_into(find(editor, "text", "Wedstrijd"), "Kring 2009 's avonds")
            press(find(editor, "push button", "Sluiten"))
            p.window("UploadTavrel")
            wait_for("the edit stored in the copy", lambda: rows(
                copy, "SELECT wedstrijd FROM wedstrijden WHERE code = 'DKJ2010'")
                == [("Kring 2009 's avonds",)], 10)
            field = find(main_window, "text", "Limieten en niveaus datafile:")
            check(text_of(field) == copy, "the limits field names the copy: %r" % text_of(field))

            # And imported into: no question about Access any more.
            press(find(main_window, "push button", "Bewerk niveaus"))
            editor = p.window("Bewerk niveaus")
            import_through_the_dialog(p, editor, "Importeer niveaus", levels)
            check(rows(copy, "SELECT afstand, slag, niveau, tijd FROM niveaus")
                  == [(50, "vr", "A", "00.32.94")], "the import went into the copy")
            press(find(editor, "push button", "Sluiten"))
            p.window("UploadTavrel")
            p.close(main_window)
            with open(os.path.join(config, "Tavrel.ini")) as ini:
                check(copy in ini.read(), "the setting names the copy")
        finally:
            p.stop()
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
