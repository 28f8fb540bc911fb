"""Two copies of the program on one limits database, and a third program
that holds it locked, used as people do: real windows, real keys, real
boxes, driven only through AT-SPI.

- A meet that copy A changed (a remark, a limit) is not deleted by copy B,
  which loaded it before; B says why and shows what is stored.
- A meet that B deleted: A's new row for it is refused with "bestaat niet
  meer" and A's list drops the meet; a half row for it drops quietly.
- While another program holds the file: a filter change keeps the rows and
  the filter on screen, "Sluiten" keeps the editor open with the typed row,
  and the row is stored once the file is free.

    xvfb-run -a dbus-run-session -- /usr/bin/python3 atspi_two_copies.py PROGRAM DATA_DIR

DATA_DIR holds limieten.db, which each run copies before changing it.
"""
import os
import shutil
import sqlite3
import sys
import tempfile

from atspi import (KEY_RETURN, Program, answer, box_saying, cell, check, choose, click, find,
                   find_all, key, press, program_env, text_of, to_front, type_cells, type_into,
                   wait_for, write_settings)
from atspi_crashes import choose_again, closed

EMPTY = [("Afstand", "1500"), ("Slag", "vrij"), ("Geslacht", "meisjes/dames")]


def rows(db, sql, *values):
    with sqlite3.connect(db) as c:
        return c.execute(sql, values).fetchall()


def start(program, root, name, db):
    config = os.path.join(root, "config-" + name)
    os.makedirs(config)
    write_settings(config, **{"Limieten Database": db})
    p = Program(program, program_env(config, HOME=root))
    press(find(p.window("UploadTavrel"), "push button", "Bewerk limieten"))
    return p, p.window("Bewerk limieten")


def pick(editor, code):
    click(find(find(editor, "list", "Kies een wedstrijd:"), "list item", code))
    wait_for(code + " shown", lambda: text_of(find(editor, "text", "Code")) == code)


def listed(editor):
    return [i.name for i in find_all(find(editor, "list", "Kies een wedstrijd:"), "list item")]


def delete_meet(p, editor, code, refusal=None):
    pick(editor, code)
    press(find(editor, "push button", "Verwijder"))
    answer(box_saying(p, "Weet je het zeker?"), "Ja")
    if refusal:
        answer(box_saying(p, refusal))
    check(p.alive(), "the program still runs after deleting " + code)


def stale_deletes(a, b, editor_a, editor_b, db):
    # A adds a limit to NJJK2010, which B loaded before: B does not delete it.
    to_front(a, "Bewerk limieten")
    pick(editor_a, "NJJK2010")
    for caption, item in EMPTY:
        choose(editor_a, caption, item)
    table = wait_for("A's grid", lambda: find(editor_a, "table", "Limieten"))
    type_cells(table, 0, 4, ["2001", "2002", "01.00.00"])
    key(KEY_RETURN)
    pick(editor_a, "DKJ2010")
    wait_for("A's limit stored", lambda: rows(
        db, "SELECT count(*) FROM limieten WHERE wcode = 'NJJK2010' AND afstand = 1500") == [(1,)])
    to_front(b, "Bewerk limieten")
    delete_meet(b, editor_b, "NJJK2010", "is niet verwijderd")
    check(rows(db, "SELECT count(*) FROM limieten WHERE wcode = 'NJJK2010' AND afstand = 1500")
          == [(1,)], "A's limit is kept")

    # A adds a remark to KRING2009 after B read the meets again: the same.
    to_front(a, "Bewerk limieten")
    pick(editor_a, "KRING2009")
    type_into(find(editor_a, "text", "Opmerking:"), "van A")
    pick(editor_a, "DKJ2010")
    wait_for("A's remark stored", lambda: rows(
        db, "SELECT opmerking FROM wedstrijden WHERE code = 'KRING2009'") == [("van A",)])
    to_front(b, "Bewerk limieten")
    delete_meet(b, editor_b, "KRING2009", "is niet verwijderd")
    check(rows(db, "SELECT opmerking FROM wedstrijden WHERE code = 'KRING2009'") == [("van A",)],
          "A's remark is kept")


def meet_gone(a, b, editor_a, editor_b, db):
    # B deletes MASTERS09, which nobody changed; A still lists it.
    delete_meet(b, editor_b, "MASTERS09")
    check(rows(db, "SELECT count(*) FROM wedstrijden WHERE code = 'MASTERS09'") == [(0,)],
          "B deleted MASTERS09")
    to_front(a, "Bewerk limieten")
    pick(editor_a, "MASTERS09")
    table = wait_for("A's grid", lambda: find(editor_a, "table", "Limieten"))
    type_cells(table, 0, 6, ["01.00.00"])  # a half row: dropped quietly
    key(KEY_RETURN)
    choose_again(editor_a, "1500", "800")
    check(a.alive(), "a half row for a deleted meet ends nothing")
    table = wait_for("A's grid", lambda: find(editor_a, "table", "Limieten"))
    type_cells(table, 0, 4, ["2001", "2002", "01.00.00"])
    key(KEY_RETURN)
    click(find(find(editor_a, "list", "Kies een wedstrijd:"), "list item", "DKJ2010"))
    answer(box_saying(a, "bestaat niet meer"))
    wait_for("MASTERS09 gone from A's list", lambda: "MASTERS09" not in listed(editor_a))
    check(a.alive(), "the program still runs after the refusal")
    check(rows(db, "SELECT count(*) FROM limieten WHERE wcode = 'MASTERS09'") == [(0,)],
          "no limit of a meet that is gone")


def locked(a, editor_a, db):
    holder = sqlite3.connect(db, isolation_level=None, timeout=0)
    holder.execute("BEGIN EXCLUSIVE")
    table = wait_for("A's grid", lambda: find(editor_a, "table", "Limieten"))
    lines = table.queryTable().nRows
    # A filter change: the rows and the filter on screen stay.
    choose_again(editor_a, "800", "50")
    answer(box_saying(a, "konden niet opnieuw worden gelezen"))
    wait_for("the filter as it was", lambda: find(editor_a, "combo box", "800") is not None)
    check(table.queryTable().nRows == lines, "the rows on screen stay")
    # A typed row and "Sluiten": the editor stays open with the row.
    type_cells(table, 0, 4, ["2011", "2012", "01.11.11"])
    key(KEY_RETURN)
    press(find(editor_a, "push button", "Sluiten"))
    answer(box_saying(a, "door een ander programma gebruikt"))
    editor_a = a.window("Bewerk limieten", 5)
    check(cell(table, 0, 4).name == "2011", "the typed row is still on screen")
    check(holder.execute("SELECT count(*) FROM limieten WHERE gebjaar1 = 2011").fetchall()
          == [(0,)], "nothing stored while the file is held")
    holder.execute("COMMIT")
    holder.close()
    press(find(editor_a, "push button", "Sluiten"))
    closed(a, "Bewerk limieten")
    check(rows(db, "SELECT wcode, afstand, slag, geslacht, gebjaar1, gebjaar2, limiet25 "
                   "FROM limieten WHERE gebjaar1 = 2011")
          == [("DKJ2010", 800, "vr", "m", 2011, 2012, "01.11.11")],
          "the row is stored once the file is free")


def main():
    program, data = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as root:
        db = os.path.join(root, "limieten.db")
        shutil.copy(os.path.join(data, "limieten.db"), db)
        a, editor_a = start(program, root, "a", db)
        b = None
        try:
            b, editor_b = start(program, root, "b", db)
            stale_deletes(a, b, editor_a, editor_b, db)
            meet_gone(a, b, editor_a, editor_b, db)
            press(find(editor_b, "push button", "Sluiten"))
            b.close(what="B ends")
            to_front(a, "Bewerk limieten")
            locked(a, editor_a, db)
            a.close(what="A ends")
        finally:
            a.stop()
            if b:
                b.stop()
        for p in [a, b]:
            check("Invalid index" not in p.errors, "no model error: %s" % p.errors[-2000:])
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
