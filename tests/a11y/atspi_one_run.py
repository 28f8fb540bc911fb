"""One upload at a time, and the truth about one that never ended, as a
person meets them: the real window driven through AT-SPI beside a scheduled
`uploadtavrel --upload`, against a slow FTP server (pyftpdlib, throttled).

    xvfb-run -a dbus-run-session -- /usr/bin/python3 atspi_one_run.py PROGRAM DATA_DIR FTP_SERVER

With TAVREL_SCREENSHOTS set to a folder, the window is saved there with the
refusal and with the line about an interrupted run.
"""
import os
import subprocess
import sys
import tempfile

from atspi import (FtpSite, Program, check, checked, find, in_clear, press, program_env, screenshot,
                   text_of, toggle, wait_for, write_settings)

BUSY = "Er loopt al een upload, gestart om "
INTERRUPTED = ", begonnen maar niet afgemaakt: het programma is onderbroken tijdens de upload."
SETS = ["--upload", "--zwemmers", "--limieten", "--niveaus"]


class User:
    """One user's settings, data folder and TEMP, for the window and the
    scheduled run alike."""

    def __init__(self, root, data, port):
        home = os.path.join(root, "home")
        self.config = os.path.join(home, ".config")
        os.makedirs(self.config)
        self.temp = os.path.join(root, "tmp")
        os.makedirs(self.temp)
        write_settings(self.config, Database=os.path.join(data, "team2009.db"), Tavrel="2009",
                       **{"Limieten Database": os.path.join(data, "limieten.db"),
                          "Domain": "127.0.0.1 %d" % port, "FTPfolder": "httpdocs",
                          "User": "club", "Password": "geheim"}, **in_clear(port))
        self.env = program_env(self.config, HOME=home, TEMP=self.temp,
                               XDG_DATA_HOME=os.path.join(home, ".local", "share"))

    def window(self, program):
        p = Program(program, self.env, cwd=self.temp)
        return p, p.window("UploadTavrel")

    def scheduled(self, program):
        env = dict(self.env)
        env.pop("DISPLAY", None)
        return subprocess.Popen([program] + SETS, env=env, stderr=subprocess.PIPE, text=True)


def tick_all_sets(main):
    for name in ("limieten", "niveaus"):
        box = find(main, "check box", name)
        if not checked(box):
            toggle(box)
        wait_for(name + " ticked", lambda: checked(box))


def staged(server):
    """Whether the upload has begun: a file on the server under its staged name."""
    return any(f.endswith(".upload") for f in server.files())


def scene(data, server_script, root, name):
    """A slow test server and a user of its own, both named name."""
    server = FtpSite(server_script, os.path.join(root, "site-" + name), "geheim", "slow:16000")
    return server, User(os.path.join(root, "user-" + name), data, server.port)


def uploading(program, user, server):
    """The window, its upload of all four files under way."""
    p, main = user.window(program)
    tick_all_sets(main)
    press(find(main, "push button", "OK"))
    wait_for("the window's upload under way", lambda: staged(server), 30)
    return p, main


def the_window_runs_and_a_scheduled_run_beside_it_is_refused(program, data, server_script, root):
    server, user = scene(data, server_script, root, "1")
    p = None
    try:
        p, main = uploading(program, user, server)
        beside = user.scheduled(program)
        _, said = beside.communicate(timeout=30)
        check(beside.returncode == 3, "the scheduled run is refused with status 3, not %d: %s"
              % (beside.returncode, said))
        check(BUSY in said, "the scheduled run says a run goes on: " + said)
        check(p.ended(60) == 0, "the window's run finishes and ends the program")
    finally:
        if p:
            p.stop()
        server.stop()
    check(server.files() == ["httpdocs/" + f for f in
                             ("limieten.csv", "niveaus.csv", "tijden.csv", "zwemmers.csv")],
          "the website holds the window's four files: %s" % server.files())


def a_window_beside_a_scheduled_run_waits_its_turn(program, data, server_script, root):
    server, user = scene(data, server_script, root, "2")
    p = second = None
    try:
        p, main = user.window(program)
        message = find(main, "text", "Meldingen")
        tick_all_sets(main)
        scheduled = user.scheduled(program)
        wait_for("the scheduled upload under way", lambda: staged(server), 30)
        press(find(main, "push button", "OK"))
        wait_for("OK refused while the other run goes on",
                 lambda: text_of(message).startswith(BUSY))
        screenshot("one-run-at-a-time")
        check(p.alive(), "the window stays open")
        # A window started now says so at once.
        second, other = user.window(program)
        said = text_of(find(other, "text", "Meldingen"))
        check(said.startswith(BUSY), "the second window's start says a run goes on: " + said)
        second.close(other)
        check(scheduled.wait(60) == 0, "the scheduled run finishes")
        press(find(main, "push button", "OK"))
        check(p.ended(60) == 0, "once it has, the window's run goes and ends the program")
    finally:
        for program_ in (p, second):
            if program_:
                program_.stop()
        server.stop()


def the_next_start_tells_of_a_run_that_never_ended(program, data, server_script, root):
    server, user = scene(data, server_script, root, "3")
    p = None
    try:
        p, _ = uploading(program, user, server)
        p.proc.kill()
        p.proc.wait(10)
        wait_for("the runner's staged files removed", lambda: not staged(server), 5)
        p, main = user.window(program)
        message = find(main, "text", "Meldingen")
        check(INTERRUPTED in text_of(message),
              "the next start says the run was interrupted: " + text_of(message))
        screenshot("interrupted-run")
        check(os.listdir(user.temp) == [], "the killed run's private folder is gone: %s"
              % os.listdir(user.temp))
        p.close(main)
    finally:
        if p:
            p.stop()
        server.stop()


def main():
    program, data, server_script = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as root:
        the_window_runs_and_a_scheduled_run_beside_it_is_refused(program, data, server_script,
                                                                 root)
        a_window_beside_a_scheduled_run_waits_its_turn(program, data, server_script, root)
        the_next_start_tells_of_a_run_that_never_ended(program, data, server_script, root)
    print("3 passed, 0 failed")


if __name__ == "__main__":
    main()
