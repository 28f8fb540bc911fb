"""The editors where they used to end the program or store what the user
cancelled, used as a person does: the real program, real keys and real
boxes, driven only through AT-SPI.

- A new line with a time but no birth year (or age), left by Enter and then
  a filter, another meet, "Sluiten" or Escape: dropped without a word, the
  program runs on, also on a Jet file shown read-only.
- Escape in a cell, on a row and in a meet field undoes, and closes the
  editor only when nothing is pending; the database is never changed.
- Shift+Tab and Ctrl+Tab leave the grid; Enter presses the focused button.

    xvfb-run -a dbus-run-session -- /usr/bin/python3 atspi_crashes.py PROGRAM DATA_DIR JET_LIMITS

DATA_DIR holds limieten.db, which each run copies before changing it.
"""
import os
import shutil
import sqlite3
import sys
import tempfile

import pyatspi

from atspi import (KEY_RETURN, Program, answer, box_saying, cell, check, choose, click, closed, find,
                   key, on_limits_copy, press, program_env, text_of, type_cells, type_into,
                   wait_for, write_settings)

KEY_ESCAPE = 0xFF1B
# Key codes of Xvfb's standard keyboard, for keys pressed with a modifier.
CODE_TAB, CODE_SHIFT, CODE_CONTROL, CODE_RETURN = 23, 50, 37, 36
# Combinations without rows in the demo data: the grid holds only its new line.
EMPTY_LIMITS = [("Afstand", "1500"), ("Slag", "vrij"), ("Geslacht", "meisjes/dames")]
EMPTY_LEVELS = EMPTY_LIMITS + [("Badlengte", "25"), ("Niveau", "A ")]
LEVELS = [("Afstand", "50"), ("Slag", "vrij"), ("Geslacht", "jongens/heren"),
          ("Badlengte", "25"), ("Niveau", "A ")]


def choose_again(window, shown, item):
    """Chooses another item in the filter box that shows shown (a chosen
    box's accessible name is its text)."""
    box = find(window, "combo box", shown)
    type_into(find(box, "text"), item)
    key(KEY_RETURN)


def dump(db):
    with sqlite3.connect(db) as c:
        return "\n".join(c.iterdump())


def open_editor(p, title):
    main_window = p.window("UploadTavrel")
    press(find(main_window, "push button", title))
    return p.window(title)


def grid(editor, name, filters):
    for caption, item in filters:
        choose(editor, caption, item)
    return wait_for("the grid " + name, lambda: find(editor, "table", name))


def still_open(p, title):
    check(p.alive(), "the program still runs")
    return p.window(title, 5)


def half_row_then(p, title, name, filters, column, leave):
    """A new line with only a time, Enter, then leave: nothing stored, no crash."""
    editor = open_editor(p, title)
    table = grid(editor, name, filters)
    type_cells(table, 0, column, ["01.00.00"])
    key(KEY_RETURN)
    wait_for("the half row in the grid", lambda: table.queryTable().nRows == 2)
    check(p.alive(), "the program still runs after Enter on a half row")
    if leave == "filter":
        choose_again(editor, "1500", "800")
    elif leave == "meet":
        click(find(find(editor, "list", "Kies een wedstrijd:"), "list item", "NJJK2010"))
        wait_for("the other meet shown", lambda: text_of(find(editor, "text", "Code")) == "NJJK2010")
    elif leave == "escape":
        key(KEY_ESCAPE)
        wait_for("the half row gone", lambda: table.queryTable().nRows == 1)
        check(p.alive(), "the program still runs after Escape")
        key(KEY_ESCAPE)
        closed(p, title)
        return
    check(p.alive(), "the program still runs after leaving the half row (%s)" % leave)
    press(find(editor, "push button", "Sluiten"))
    closed(p, title)


def half_rows(p, db):
    before = dump(db)
    for leave in ["filter", "meet", "sluiten", "escape"]:
        half_row_then(p, "Bewerk limieten", "Limieten", EMPTY_LIMITS, 6, leave)
    for leave in ["filter", "sluiten", "escape"]:
        half_row_then(p, "Bewerk niveaus", "Niveaus", EMPTY_LEVELS, 7, leave)
    # Below stored rows too.
    editor = open_editor(p, "Bewerk niveaus")
    table = grid(editor, "Niveaus", LEVELS)
    last = table.queryTable().nRows - 1
    type_cells(table, last, 7, ["01.00.00"])
    click(cell(table, 0, 7))
    check(p.alive(), "the program still runs after a half row below stored rows")
    wait_for("the half row gone", lambda: table.queryTable().nRows == last + 1)
    press(find(editor, "push button", "Sluiten"))
    closed(p, "Bewerk niveaus")
    check(dump(db) == before, "no half row was stored")


def escapes(p, db):
    before = dump(db)
    editor = open_editor(p, "Bewerk niveaus")
    table = grid(editor, "Niveaus", LEVELS)
    shown = cell(table, 0, 7).name
    # Typed in a cell and kept by Enter: the first Escape undoes the row.
    type_cells(table, 0, 7, ["08.88.88"])
    key(KEY_RETURN)
    wait_for("the typed time in the cell", lambda: cell(table, 0, 7).name == "08.88.88")
    key(KEY_ESCAPE)
    wait_for("the time undone", lambda: cell(table, 0, 7).name == shown)
    editor = still_open(p, "Bewerk niveaus")
    # Typed in an open cell: Escape drops the text, the next closes.
    type_cells(table, 0, 7, ["07.77.77"])
    key(KEY_ESCAPE)
    wait_for("the cell as it was", lambda: cell(table, 0, 7).name == shown)
    editor = still_open(p, "Bewerk niveaus")
    key(KEY_ESCAPE)
    closed(p, "Bewerk niveaus")
    check(dump(db) == before, "Escape in the grid changed nothing")

    editor = open_editor(p, "Bewerk limieten")
    name = find(editor, "text", "Wedstrijd")
    stored = text_of(name)
    type_into(name, "Per ongeluk")
    key(KEY_ESCAPE)
    wait_for("the meet's name as stored", lambda: text_of(name) == stored)
    editor = still_open(p, "Bewerk limieten")
    key(KEY_ESCAPE)
    closed(p, "Bewerk limieten")
    check(dump(db) == before, "Escape in a meet field changed nothing")


def with_held(modifiers, code):
    for m in modifiers:
        pyatspi.Registry.generateKeyboardEvent(m, None, pyatspi.KEY_PRESS)
    pyatspi.Registry.generateKeyboardEvent(code, None, pyatspi.KEY_PRESSRELEASE)
    for m in reversed(modifiers):
        pyatspi.Registry.generateKeyboardEvent(m, None, pyatspi.KEY_RELEASE)


def focused(node):
    return node.getState().contains(pyatspi.STATE_FOCUSED)


def keyboard(p):
    """Shift+Tab and Ctrl+Tab leave the grid; Enter presses the button that
    has the focus."""
    editor = open_editor(p, "Bewerk niveaus")
    table = grid(editor, "Niveaus", LEVELS)
    level = find(find(editor, "combo box", "A "), "text")
    click(cell(table, 0, 5))
    wait_for("the first cell chosen", lambda: focused(table) or focused(cell(table, 0, 5)))
    with_held([CODE_SHIFT], CODE_TAB)
    wait_for("Shift+Tab out of the grid", lambda: focused(level))
    click(cell(table, 1, 6))
    wait_for("a middle cell chosen", lambda: not focused(level))
    with_held([CODE_CONTROL], CODE_TAB)
    importer = find(editor, "push button", "Importeer")
    wait_for("Ctrl+Tab out of the grid", lambda: focused(importer))
    close = find(editor, "push button", "Sluiten")
    with_held([], CODE_TAB)
    wait_for("Tab to Sluiten", lambda: focused(close))
    with_held([], CODE_RETURN)
    closed(p, "Bewerk niveaus")


def read_only_jet(program, root, jet_source):
    """A Jet file looked at without a copy: a half row drops quietly, a
    whole row is refused once, and the program runs on."""
    jet = os.path.join(root, "limieten.mdb")
    shutil.copy(jet_source, jet)
    config = os.path.join(root, "config-jet")
    os.makedirs(config)
    write_settings(config, **{"Limieten Database": jet})
    p = Program(program, program_env(config, HOME=root))
    try:
        main_window = p.window("UploadTavrel")
        press(find(main_window, "push button", "Bewerk limieten"))
        answer(box_saying(p, "is een Access-database"), "Nee")
        editor = p.window("Bewerk limieten")
        table = grid(editor, "Limieten", EMPTY_LIMITS)
        type_cells(table, 0, 6, ["01.00.00"])
        key(KEY_RETURN)
        choose_again(editor, "1500", "800")
        check(p.alive(), "a half row on a Jet file is dropped")
        table = wait_for("the grid", lambda: find(editor, "table", "Limieten"))
        type_cells(table, 0, 4, ["2001", "2002", "01.00.00"])
        key(KEY_RETURN)
        choose_again(editor, "800", "1500")
        answer(box_saying(p, "is een Jet-database"))
        check(p.alive(), "a refused row on a Jet file ends nothing")
        press(find(editor, "push button", "Sluiten"))
        closed(p, "Bewerk limieten")
        p.close(main_window)
    finally:
        p.stop()
    check("Invalid index" not in p.errors, "no model error: %s" % p.errors[-2000:])


def main():
    program, data, jet_source = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as root:
        p, db = on_limits_copy(program, data, root)
        try:
            half_rows(p, db)
            escapes(p, db)
            keyboard(p)
            p.close()
        finally:
            p.stop()
        check("Invalid index" not in p.errors, "no model error: %s" % p.errors[-2000:])
        read_only_jet(program, root, jet_source)
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
