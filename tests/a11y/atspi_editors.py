"""The editors' imports as a person uses them: the real program, its real
(Dutch) message boxes and Qt's own file dialog, driven only through AT-SPI.
After every dialog the program must still run and the editor still work.

    xvfb-run -a dbus-run-session -- /usr/bin/python3 atspi_editors.py PROGRAM DATA_DIR

DATA_DIR holds limieten.db, which each run copies before changing it.
"""
import os
import sqlite3
import sys
import tempfile


from atspi import (check, find, labels, on_limits_copy, press, screenshot, type_into,
                   wait_for)

LEVELS = ("50;vr;j;25;A;9;11;00.32.94\r\n"
          "100;vl;m;50;B;12;14;01.20.00\r\n")
LIMITS = ("NIEUW1;50;ru;j;1996;1997;00.40.57;00.41.77;2011-03-05;2011-03-07\r\n"
          "NIEUW1;100;vr;m;1998;1999;01.10.00;01.11.00;2011-03-05;2011-03-07\r\n")
# A federation's whole file: 650 000 lines (50 MB) of ten meets, the last one
# ended as an old Mac ends it, with a CR alone.
BIG_LINES = 650000


def rows(db, sql):
    with sqlite3.connect(db) as c:
        return c.execute(sql).fetchall()


def import_through_the_dialog(p, editor, title, path):
    """Importeer, OK on the question, the file typed into the file dialog."""
    press(find(editor, "push button", "Importeer"))
    question = p.window(title)
    names = sorted(b.name for b in [find(question, "push button", "OK"),
                                    find(question, "push button", "Annuleren")] if b)
    check(names == ["Annuleren", "OK"], "the question has Dutch buttons: %s" % names)
    press(find(question, "push button", "OK"))
    dialog = p.window("Zoek import bestand")
    if path is None:
        press(find(dialog, "push button", "Annuleren"))
    else:
        type_into(find(dialog, "text", "Bestandsnaam:"), path)
        press(find(dialog, "push button", "Openen"))
    wait_for("the file dialog closed", lambda: all(w.name != "Zoek import bestand" for w in p.app))
    check(p.alive(), "the program still runs after the file dialog")


def main():
    program, data = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as root:
        levels = os.path.join(root, "niveaus.csv")
        with open(levels, "w", newline="") as f:
            f.write(LEVELS)
        limits = os.path.join(root, "limieten.csv")
        with open(limits, "w", newline="") as f:
            f.write(LIMITS)
        os.makedirs(os.path.join(root, "bond"))
        big = os.path.join(root, "bond", "limieten.csv")
        with open(big, "w", newline="") as f:
            for i in range(BIG_LINES):
                f.write("B%04d;%d;vr;m;1998;1999;01.10.00;01.11.00;2011-03-05;2011-03-07%s"
                        % (i // 65000, 50 + i % 100, "\r" if i == BIG_LINES - 1 else "\r\n"))

        p, db = on_limits_copy(program, data, root)
        try:
            main_window = p.window("UploadTavrel")
            press(find(main_window, "push button", "Bewerk niveaus"))
            editor = p.window("Bewerk niveaus")
            import_through_the_dialog(p, editor, "Importeer niveaus", levels)
            got = rows(db, "SELECT afstand, slag, geslacht, badlengte, niveau, leeftijd1, "
                           "leeftijd2, tijd FROM niveaus ORDER BY afstand")
            check(got == [(50, "vr", "j", 25, "A", 9, 11, "00.32.94"),
                          (100, "vl", "m", 50, "B", 12, 14, "01.20.00")],
                  "the levels are the file's: %s" % got)
            import_through_the_dialog(p, editor, "Importeer niveaus", None)  # cancelled
            check(len(rows(db, "SELECT * FROM niveaus")) == 2, "a cancelled import changes nothing")
            press(find(editor, "push button", "Sluiten"))
            p.window("UploadTavrel")

            press(find(main_window, "push button", "Bewerk limieten"))
            editor = p.window("Bewerk limieten")
            import_through_the_dialog(p, editor, "Importeer limieten", limits)
            got = rows(db, "SELECT wcode, afstand, slag FROM limieten WHERE wcode = 'NIEUW1' "
                           "ORDER BY afstand")
            check(got == [("NIEUW1", 50, "ru"), ("NIEUW1", 100, "vr")],
                  "the limits are the file's: %s" % got)
            check(rows(db, "SELECT datum1, datum2 FROM wedstrijden WHERE code = 'NIEUW1'")
                  == [("2011-03-05", "2011-03-07")], "the meet is made with the file's dates")
            # A large file: the program answers while it imports, and says
            # how far it is; the windows take no input meanwhile.
            import_through_the_dialog(p, editor, "Importeer limieten", big)
            busy = p.window("Even geduld", 10)
            check(any(("Importeren uit " + big) in t for t in labels(busy)),
                  "the box says what is imported")
            screenshot("import-busy")
            def imported():
                try:
                    return rows(db, "SELECT count(*) FROM limieten WHERE wcode LIKE 'B%'")
                except sqlite3.OperationalError:  # the import holds the file
                    return None
            wait_for("every line of the large file, the last one too",
                     lambda: imported() == [(BIG_LINES,)], 120)

            def closing():
                try:
                    return find(editor, "push button", "Sluiten")
                except Exception:  # the bus is still catching up with the box's last events
                    return None
            # The editor still works: it closes and the main window returns.
            press(wait_for("the editor answering again", closing, 60))
            p.window("UploadTavrel")
            p.close(main_window)
        finally:
            p.stop()
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
