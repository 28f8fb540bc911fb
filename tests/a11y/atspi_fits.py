"""The main window on a small or scaled screen, seen through AT-SPI: every
control lies inside the screen, below room for a title bar, so nothing is
cut off.

    xvfb-run -a -s "-screen 0 1024x600x24" dbus-run-session -- \\
        /usr/bin/python3 atspi_fits.py PROGRAM DATA_DIR 1024x600 [SCALE]
"""
import os
import sys
import tempfile

import pyatspi

from atspi import Program, check, program_env, screenshot, write_settings

ROLES = ("label", "push button", "text", "password text", "check box", "radio button",
         "progress bar", "panel")
TITLE_BAR = 24  # room a window manager's title bar takes, in the program's own pixels


def outside(node, width, height, found):
    for child in node:
        if child is None or not child.getState().contains(pyatspi.STATE_SHOWING):
            continue
        if child.getRoleName() in ROLES:
            box = child.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            if box.x < 0 or box.y < 0 or box.x + box.width > width or box.y + box.height > height:
                found.append("%s %r at %d,%d %dx%d" % (child.getRoleName(), child.name, box.x,
                                                        box.y, box.width, box.height))
        outside(child, width, height, found)
    return found


def main():
    program, data, screen = sys.argv[1], sys.argv[2], sys.argv[3]
    scale = float(sys.argv[4]) if len(sys.argv) > 4 else 1.0
    # AT-SPI gives places in the program's own (scaled) pixels.
    width, height = (int(int(n) / scale) for n in screen.split("x"))
    with tempfile.TemporaryDirectory() as config:
        write_settings(config, **{"Database": os.path.join(data, "team2009.db"),
                                  "Limieten Database": os.path.join(data, "limieten.db"),
                                  "Tavrel": "2009"})
        extra = {"QT_SCALE_FACTOR": str(scale)} if scale != 1.0 else {}
        p = Program(program, program_env(config, **extra))
        try:
            main_window = p.window("UploadTavrel")
            cut = outside(main_window, width, height - TITLE_BAR, [])
            screenshot("scherm-%s-%s" % (screen, scale))
            check(not cut, "cut off on a %s screen at %d %%: %s" % (screen, scale * 100, cut))
        finally:
            p.stop()
    print("every control inside a %s screen at %d %%" % (screen, scale * 100))


if __name__ == "__main__":
    main()
