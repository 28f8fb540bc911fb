"""Files that used to give a short file reported as done, to keep the program
busy for ever, or to hang it, used as a person does: the real program and
its real boxes and file dialog, driven only through AT-SPI.

- A Jet club file whose results pages are gone: the run says the file is
  damaged and writes no file (it used to write an empty tijden.csv and end
  as if all went well).
- A club file in which every meet stands twice: refused at once (it used to
  write gigabytes).
- A FIFO chosen for an import: refused at once (it used to hang).

    xvfb-run -a dbus-run-session -- /usr/bin/python3 atspi_damaged.py PROGRAM DATA_DIR JET_FILE
"""
import os
import shutil
import sqlite3
import sys
import tempfile
import time

from atspi import (KEY_RETURN, Program, answer, box_saying, check, checked, find, key, press,
                   program_env, text_of, toggle, type_into, wait_for, write_settings)

PAGE = 4096


def without_results(jet_file, target):
    """The Jet club file with every data page of RESULTS zeroed, while the
    table's page map still names them. RESULTS is the table whose definition
    page names the column TOTALTIME."""
    with open(jet_file, "rb") as f:
        data = bytearray(f.read())
    at = data.find("TOTALTIME".encode("utf-16-le"))
    results = at // PAGE
    check(at > 0 and data[results * PAGE] == 0x02, "the definition of RESULTS found")
    for n in range(1, len(data) // PAGE):
        page = data[n * PAGE:(n + 1) * PAGE]
        if page[0] == 0x01 and int.from_bytes(page[4:8], "little") == results:
            data[n * PAGE:(n + 1) * PAGE] = bytes(PAGE)
    with open(target, "wb") as f:
        f.write(data)


def every_meet_twice(club, target):
    shutil.copy(club, target)
    with sqlite3.connect(target) as c:
        c.executescript("CREATE TABLE TWICE AS SELECT * FROM MEETS; "
                        "INSERT INTO TWICE SELECT * FROM MEETS; DROP TABLE MEETS; "
                        "ALTER TABLE TWICE RENAME TO MEETS;")


def start(program, root, name, club, limits):
    home = os.path.join(root, name)
    config = os.path.join(home, "config")
    os.makedirs(config)
    write_settings(config, Database=club, Tavrel="2009", **{"Limieten Database": limits})
    return Program(program, program_env(config, HOME=home)), home


def refused_run(program, root, name, club, limits, says, seconds):
    """Runs the club exports into a kept CSV folder: the message says why,
    within seconds, and no file is written."""
    p, home = start(program, root, name, club, limits)
    csv_folder = os.path.join(home, "csv")
    os.makedirs(csv_folder)
    try:
        main = p.window("UploadTavrel")
        upload = find(main, "check box", "Upload naar webdomein")
        if checked(upload):
            toggle(upload)
        keep = find(main, "check box", "Bewaar CSV bestanden in")
        if not checked(keep):
            toggle(keep)
        type_into(find(main, "text", "CSV-map"), csv_folder)
        message = find(main, "text", "Meldingen")
        began = time.time()
        press(find(main, "push button", "OK"))
        said = wait_for("the run refused", lambda: says in text_of(message) and text_of(message),
                        seconds)
        check(time.time() - began < seconds, "answered within %d s" % seconds)
        check("beschadigd" in said, "the message says the file is damaged: " + said)
        check(p.alive(), "the program stays open")
        check(os.listdir(csv_folder) == [], "no file written: %s" % os.listdir(csv_folder))
        p.close(main)
    finally:
        p.stop()


def fifo_import(program, root, limits):
    p, home = start(program, root, "fifo", os.path.join(root, "none.db"), limits)
    fifo = os.path.join(home, "niveaus.csv")
    os.mkfifo(fifo)
    with sqlite3.connect(limits) as c:
        before = c.execute("SELECT * FROM niveaus ORDER BY rowid").fetchall()
    try:
        press(find(p.window("UploadTavrel"), "push button", "Bewerk niveaus"))
        editor = p.window("Bewerk niveaus")
        press(find(editor, "push button", "Importeer"))
        answer(p.window("Importeer niveaus"), "OK")
        dialog = p.window("Zoek import bestand")
        type_into(find(dialog, "text", "Bestandsnaam:"), fifo)
        # Qt's dialog greys "Openen" for what is no file; Enter takes it.
        began = time.time()
        key(KEY_RETURN)
        answer(box_saying(p, "het is geen gewoon bestand", 10))
        check(time.time() - began < 20, "refused at once, not waited on")
        check(p.alive(), "the program still runs")
        press(find(editor, "push button", "Sluiten"))
        p.window("UploadTavrel")
        with sqlite3.connect(limits) as c:
            check(c.execute("SELECT * FROM niveaus ORDER BY rowid").fetchall() == before,
                  "the levels are as they were")
    finally:
        p.stop()


def main():
    program, data, jet_file = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as root:
        limits = os.path.join(root, "limieten.db")
        shutil.copy(os.path.join(data, "limieten.db"), limits)
        damaged = os.path.join(root, "team.mdb")
        without_results(jet_file, damaged)
        refused_run(program, root, "jet", damaged, limits, "tabel RESULTS", 20)
        twice = os.path.join(root, "team2009.db")
        every_meet_twice(os.path.join(data, "team2009.db"), twice)
        refused_run(program, root, "twice", twice, limits,
                    "de sleutel MEETSID komt in MEETS meer dan eens voor", 20)
        fifo_import(program, root, limits)
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
