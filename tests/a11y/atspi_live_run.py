"""A long upload as a person sees it: the real program, a club big enough
that its upload to a slow FTP server (pyftpdlib, throttled) takes many
seconds, driven only through AT-SPI. The window must answer throughout,
show its progress, refuse every click but "Stoppen" and "Sluiten", stop
when asked, and tell at the next start how the last run ended.

    xvfb-run -a dbus-run-session -- /usr/bin/python3 atspi_live_run.py PROGRAM DATA_DIR FTP_SERVER MAKE_DEMO

With TAVREL_SCREENSHOTS set to a folder, the screen is saved there during the
run, after the stop and after the restart.
"""
import os
import subprocess
import sys
import tempfile
import time

from atspi import (FtpSite, Program, answer, box_saying, check, enabled, find, in_clear, press,
                   program_env, screenshot, text_of, wait_for, write_settings)

PASSWORD = "geheim"
BYTES_PER_SECOND = 1500000


def start(program, root, club, limits, port):
    home = os.path.join(root, "home")
    config = os.path.join(home, ".config")
    os.makedirs(config, exist_ok=True)
    temp = os.path.join(root, "tmp")
    os.makedirs(temp, exist_ok=True)
    write_settings(config, Database=club, Tavrel="2009", **{
        "Limieten Database": limits, "Domain": "127.0.0.1 %d" % port, "FTPfolder": "httpdocs",
        "User": "club", "Password": PASSWORD}, **in_clear(port))
    env = program_env(config, HOME=home, XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                      TEMP=temp)
    p = Program(program, env, cwd=root)
    return p, p.window("UploadTavrel"), temp


def timed(read):
    """What read() answers and how long the program took to answer."""
    t0 = time.monotonic()
    value = read()
    return value, time.monotonic() - t0


def the_window_answers_shows_progress_and_stops(program, data, server_script, make_demo, root):
    big = os.path.join(root, "big")
    subprocess.run([make_demo, "--out", big, "--members", "3000", "--results", "150000"],
                   check=True, stdout=subprocess.DEVNULL)
    server = FtpSite(server_script, os.path.join(root, "site"), PASSWORD, "slow:%d" % BYTES_PER_SECOND)
    p, main, temp = start(program, os.path.join(root, "run"), os.path.join(big, "team2009.db"),
                          os.path.join(big, "limieten.db"), server.port)
    try:
        bar = find(main, "progress bar", "Voortgang")
        press(find(main, "push button", "OK"))
        stop_button = wait_for("OK become Stoppen",
                               lambda: find(main, "push button", "Stoppen"), 30)
        # Everything but Stoppen and Sluiten is out of use during the run.
        edit = find(main, "push button", "Bewerk limieten")
        check(not enabled(edit), "Bewerk limieten is disabled during a run")
        check(not enabled(find(main, "check box", "Upload naar webdomein")),
              "the boxes are disabled during a run")
        check(enabled(find(main, "push button", "Sluiten")), "Sluiten stays usable")

        # The window answers every 50 ms while the exports and the upload work.
        values, slowest, sending = [], 0.0, None
        end = time.monotonic() + 60
        while time.monotonic() < end:
            value, took = timed(lambda: bar.queryValue().currentValue)
            slowest = max(slowest, took)
            values.append(value)
            label, took = timed(lambda: find(main, "label", "tijden.csv: ", start=True))
            slowest = max(slowest, took)
            if label is not None and "B/s" in label.name:  # bytes went, at a known speed
                sending = label.name
                break
            time.sleep(0.05)
        check(sending is not None, "the upload's progress names the file that goes")
        print("upload progress: %s; slowest answer %.0f ms" % (sending, slowest * 1000))
        check(" MB" in sending, "the upload's progress counts megabytes: " + sending)
        check(slowest < 0.5, "the window answered within half a second (slowest %.0f ms)"
              % (slowest * 1000))
        check(max(values) > min(values), "the progress bar's value rose: %s" % values[-5:])
        screenshot("run-during-upload")

        # A click on Bewerk limieten does nothing; Sluiten asks, and No goes on.
        try:
            press(edit)
        except SystemExit:
            pass
        time.sleep(0.5)
        check(p.alive() and all(w.name != "Limieten" for w in p.app if w is not None),
              "no editor opens during a run")
        press(find(main, "push button", "Sluiten"))
        answer(box_saying(p, "De upload stoppen?"), "Nee")
        check(find(main, "push button", "Stoppen") is not None, "No lets the run go on")

        press(stop_button)
        message = find(main, "text", "Meldingen")
        said = wait_for("the stop said", lambda: "Gestopt:" in text_of(message) and text_of(
            message), 30)
        check(find(main, "push button", "OK") is not None, "OK is back after the stop")
        check(enabled(find(main, "push button", "Bewerk limieten")), "the editors are back")
        check("de upload is afgebroken en de website is niet veranderd" in said,
              "the stop says the upload was cut off and the website kept its files: " + said)
        site = os.path.join(server.home, "httpdocs")
        check(os.listdir(site) == [], "nothing, not even a staged file, is left on the website: %s"
              % os.listdir(site))
        check(os.listdir(temp) == [], "nothing of the run is left in TEMP: %s" % os.listdir(temp))
        screenshot("run-after-stop")

        p.close(main, "Sluiten ends the program after a stopped run")
    finally:
        p.stop()
        server.stop()

    # The next start says how the last run ended.
    p, main, _ = start(program, os.path.join(root, "run"), os.path.join(big, "team2009.db"),
                       os.path.join(big, "limieten.db"), 1)
    try:
        shown = text_of(find(main, "text", "Meldingen"))
        check(shown.startswith("Laatste upload: ") and shown.endswith(", gestopt."),
              "the next start shows the stopped run: " + shown)
        screenshot("run-after-restart")
        p.close(main)
    finally:
        p.stop()


def a_finished_run_is_shown_at_the_next_start(program, data, server_script, root):
    server = FtpSite(server_script, os.path.join(root, "site"), PASSWORD)
    where = os.path.join(root, "run")
    club, limits = os.path.join(data, "team2009.db"), os.path.join(data, "limieten.db")
    p, main, _ = start(program, where, club, limits, server.port)
    try:
        press(find(main, "push button", "OK"))
        check(p.ended(60) == 0, "a finished run ends the program")
    finally:
        p.stop()
        server.stop()
    check(os.path.exists(os.path.join(root, "site", "httpdocs", "tijden.csv")),
          "the times reached the website")
    p, main, _ = start(program, where, club, limits, 1)
    try:
        shown = text_of(find(main, "text", "Meldingen"))
        check(shown.startswith("Laatste upload: ") and shown.endswith(
            ", twee bestanden naar 127.0.0.1 %d/httpdocs, geslaagd, onversleuteld." % server.port),
            "the next start shows the finished run: " + shown)
        press(find(main, "push button", "Sluiten"))
        p.ended()
    finally:
        p.stop()


def main():
    program, data, server_script, make_demo = sys.argv[1:5]
    with tempfile.TemporaryDirectory() as root:
        the_window_answers_shows_progress_and_stops(program, data, server_script, make_demo,
                                                    os.path.join(root, "long"))
        a_finished_run_is_shown_at_the_next_start(program, data, server_script,
                                                  os.path.join(root, "done"))
    print("ok")


if __name__ == "__main__":
    main()
