"""The editors' grids and meet fields as a person uses them: the real program
and its real message boxes, driven only through AT-SPI. Two warnings in a
row, a code that exists, and an edit after an import; after each the program
still runs, the editor still works and the database holds what it should.

    xvfb-run -a dbus-run-session -- /usr/bin/python3 atspi_grids.py PROGRAM DATA_DIR

DATA_DIR holds limieten.db, which each run copies before changing it.
"""
import os
import sqlite3
import sys
import tempfile

import pyatspi

from atspi import (answer, box_saying, cell, check, choose, click, find, on_limits_copy, press,
                   text_of, type_cells, type_into, wait_for)

LEVEL_FILTER = [("Afstand", "100"), ("Slag", "vrij"), ("Geslacht", "jongens/heren"),
                ("Badlengte", "25"), ("Niveau", "A ")]
LIMIT_FILTER = LEVEL_FILTER[:3]


def rows(db, sql, *values):
    with sqlite3.connect(db) as c:
        return c.execute(sql, values).fetchall()


def open_editor(p, main_window, title):
    press(find(main_window, "push button", title))
    return p.window(title)


def close_editor(p, editor):
    press(find(editor, "push button", "Sluiten"))
    main_window = p.window("UploadTavrel")
    check(p.alive(), "the program still runs after the editor closed")
    return main_window


def showing(p):
    return [w.name for w in p.app
            if w is not None and w.getState().contains(pyatspi.STATE_SHOWING)]


def grid(editor, name, filters):
    for caption, item in filters:
        choose(editor, caption, item)
    return wait_for("the grid " + name, lambda: find(editor, "table", name))


def two_warnings(p, table, first_cell, typed, warnings):
    """Types a new row that is wrong twice, leaves it, and answers both boxes."""
    new_line = table.queryTable().nRows - 1
    type_cells(table, new_line, first_cell, typed)
    click(cell(table, 0, first_cell))  # leaving the row stores it
    for warning in warnings:
        answer(box_saying(p, warning))
    check(p.alive(), "the program still runs after two warnings")


def main():
    program, data = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as root:
        p, db = on_limits_copy(program, data, root)
        try:
            main_window = p.window("UploadTavrel")

            # A levels row with ages the wrong way round and a short time.
            editor = open_editor(p, main_window, "Bewerk niveaus")
            table = grid(editor, "Niveaus", LEVEL_FILTER)
            two_warnings(p, table, 5, ["13", "10", "1.2"],
                         ["Leeftijden zijn incorrect", "Tijd heeft niet formaat 00.00.00"])
            got = rows(db, "SELECT * FROM niveaus WHERE leeftijd1 = 13")
            check(got == [(100, "vr", "j", 25, "A", 13, 10, "1.2")],
                  "the warned levels row is stored as typed: %s" % got)
            main_window = close_editor(p, editor)

            # A limits row with birth years the wrong way round and a short time.
            editor = open_editor(p, main_window, "Bewerk limieten")
            table = grid(editor, "Limieten", LIMIT_FILTER)
            two_warnings(p, table, 4, ["2005", "2003", "1.2"],
                         ["Geboortejaren zijn incorrect", "Limieten hebben niet formaat 00.00.00"])
            got = rows(db, "SELECT * FROM limieten WHERE gebjaar1 = 2005")
            check(got == [("DKJ2010", 100, "vr", "j", 2005, 2003, "1.2", "1.2")],
                  "the warned limits row is stored as typed: %s" % got)

            # Renaming a meet to a code that exists: one box, nothing changed.
            meets = rows(db, "SELECT * FROM wedstrijden ORDER BY code")
            meet_list = find(editor, "list", "Kies een wedstrijd:")
            click(find(meet_list, "list item", "KRING2009"))
            code = find(editor, "text", "Code")
            wait_for("KRING2009 shown", lambda: text_of(code) == "KRING2009")
            type_into(code, "DKJ2010")
            click(find(editor, "text", "Wedstrijd"))  # leaving the code field
            box = box_saying(p, "De wedstrijd KRING2009 is niet opgeslagen.")
            answer(box)
            check(p.alive(), "the program still runs after the refusal")
            wait_for("the stored code shown again", lambda: text_of(code) == "KRING2009")
            check(rows(db, "SELECT * FROM wedstrijden ORDER BY code") == meets,
                  "the meets are unchanged")
            click(find(meet_list, "list item", "NJJK2010"))
            wait_for("another meet chosen", lambda: text_of(code) == "NJJK2010")
            check(showing(p) == ["Bewerk limieten"], "no second box: %s" % showing(p))
            main_window = close_editor(p, editor)

            # An edit after an import changes the edited row and no other.
            levels = rows(db, "SELECT * FROM niveaus")
            csv = os.path.join(root, "niveaus.csv")
            with open(csv, "w", newline="") as f:
                for r in reversed(levels):
                    f.write(";".join("" if v is None else str(v) for v in r) + "\r\n")
            editor = open_editor(p, main_window, "Bewerk niveaus")
            table = grid(editor, "Niveaus", LEVEL_FILTER)
            press(find(editor, "push button", "Importeer"))
            answer(p.window("Importeer niveaus"), "OK")
            dialog = p.window("Zoek import bestand")
            type_into(find(dialog, "text", "Bestandsnaam:"), csv)
            press(find(dialog, "push button", "Openen"))
            wait_for("the file dialog closed",
                     lambda: all(w.name != "Zoek import bestand" for w in p.app))
            after_import = sorted(rows(db, "SELECT * FROM niveaus"), key=repr)
            check(after_import == sorted(levels, key=repr), "the import gave back every row")
            table = wait_for("the grid again", lambda: find(editor, "table", "Niveaus"))
            edited = cell(table, 0, 7).name
            type_cells(table, 0, 7, ["01.11.11"])
            click(cell(table, 1, 5))
            wait_for("the edit stored",
                     lambda: len(rows(db, "SELECT * FROM niveaus WHERE tijd = '01.11.11'")) == 1)
            now = sorted(rows(db, "SELECT * FROM niveaus"), key=repr)
            changed = [r for r in after_import if r not in now]
            check(len(now) == len(after_import) and len(changed) == 1
                  and changed[0][7] == edited,
                  "only the edited row changed (it was %s): %s" % (edited, changed))
            main_window = close_editor(p, editor)
            p.close(main_window)
        finally:
            p.stop()
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
