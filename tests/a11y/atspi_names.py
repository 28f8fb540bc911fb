"""Inspects the running program through the desktop's accessibility bus
(AT-SPI), as a screen reader does, and checks that every control carries its
name. Run inside its own D-Bus session and X display:

    xvfb-run -a dbus-run-session -- /usr/bin/python3 atspi_names.py PROGRAM DATA_DIR

DATA_DIR holds limieten.db; the program gets a settings store of its own.
The editors are opened by pressing their buttons through AT-SPI.
"""
import os
import sys
import tempfile

import pyatspi

from atspi import Program, find, press, program_env, write_settings

MAIN = {
    "text": ["Tavrel datafile:", "Limieten en niveaus datafile:", "Domein (b.v. www.example.com):",
             "Folder (b.v. httpdocs):", "Gebruikersnaam:", "CSV-map", "Meldingen"],
    "password text": ["Wachtwoord:"],
    "push button": ["Zoek Tavrel datafile", "Zoek limieten en niveaus datafile", "Zoek CSV-map",
                    "OK", "Sluiten", "Bewerk limieten", "Bewerk niveaus"],
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


def main():
    program, data = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as config:
        write_settings(config, **{"Limieten Database": os.path.join(data, "limieten.db")})
        program = Program(program, program_env(config))
        try:
            main_window = program.window("UploadTavrel")
            check(main_window, MAIN)
            # A screen reader tells each control of the main window by its name.
            found = names_by_role(main_window, {})
            controls = [name for role in MAIN for name in found.get(role, [])]
            twice = sorted({name for name in controls if controls.count(name) > 1})
            if twice:
                sys.exit("main window: names used twice: %s" % twice)
            press(find(main_window, "push button", "Bewerk limieten"))
            limits = program.window("Bewerk limieten")
            check(limits, LIMITS)
            press(find(limits, "push button", "Sluiten"))
            program.window("UploadTavrel")
            press(find(main_window, "push button", "Bewerk niveaus"))
            levels = program.window("Bewerk niveaus")
            check(levels, LEVELS)
        finally:
            program.stop()
        # (Qt's plugin search, which QT_DEBUG_PLUGINS shows, is no warning.)
        warnings = [line for line in program.errors.splitlines()
                    if any(word in line.lower() for word in ("accessib", "at-spi", "atspi", "dbus"))
                    and not line.startswith("qt.core.plugin")]
        if warnings:
            sys.exit("warnings from the accessibility bridge:\n" + "\n".join(warnings))
    print("every control is named through AT-SPI")


if __name__ == "__main__":
    main()
