"""The run behind OK as a person uses it: the real program, its real message
boxes and a real FTP server on 127.0.0.1, driven only through AT-SPI
(typing, toggling, pressing).

    xvfb-run -a dbus-run-session -- /usr/bin/python3 atspi_run.py PROGRAM DATA_DIR FTP_SERVER JET_FILE

DATA_DIR holds the demo databases; FTP_SERVER is the test FTP server script;
JET_FILE a Jet club database, of which a damaged copy is opened.
Each run gets a private HOME of its own and a TEMP that is shared as /tmp
is, with another user's trap in it: the log's name as a link to a file of
the user's.
"""
import os
import sys
import tempfile

import pyatspi

from atspi import (FtpSite, Program, answer, box_saying, check, checked, enabled, find, find_all,
                   in_clear, labels, mode, press, program_env, screenshot, text_of, toggle,
                   type_into, type_keys, wait_for, write_settings)

PASSWORD = "Ge heim$1'\"x"
ODD_FOLDER = 'csv "map" $(echo nee) \u00e9n'
CSV_FILES = ["limieten.csv", "niveaus.csv", "tijden.csv", "zwemmers.csv"]


class Setup:
    """A private home with settings, a shared TEMP with a trap, a folder to
    start in."""

    def __init__(self, root, data, **settings):
        self.home = os.path.join(root, "home")
        self.config = os.path.join(self.home, ".config")
        self.data_home = os.path.join(self.home, ".local", "share")
        os.makedirs(self.config)
        self.temp = os.path.join(root, "shared-tmp")
        os.makedirs(self.temp)
        os.chmod(self.temp, 0o1777)
        self.victim = os.path.join(self.home, "eigen.txt")
        with open(self.victim, "w") as f:
            f.write("van mij")
        os.symlink(self.victim, os.path.join(self.temp, "ftp_send.ftp.log"))
        self.cwd = os.path.join(root, "cwd")
        os.makedirs(self.cwd)
        self.ini = write_settings(self.config, Database=os.path.join(data, "team2009.db"),
                                  Tavrel="2009",
                                  **{"Limieten Database": os.path.join(data, "limieten.db")},
                                  **settings)

    def start(self, program):
        env = program_env(self.config, HOME=self.home, XDG_DATA_HOME=self.data_home,
                          TEMP=self.temp)
        return Program(program, env, cwd=self.cwd)

    def trap_untouched(self):
        check(os.listdir(self.temp) == ["ftp_send.ftp.log"],
              "TEMP holds only the planted link, not %s" % os.listdir(self.temp))
        check(os.readlink(os.path.join(self.temp, "ftp_send.ftp.log")) == self.victim,
              "the planted link is left as it was")
        with open(self.victim) as f:
            check(f.read() == "van mij", "the link's target is unchanged")

    def password_only_in_settings(self, *folders):
        for folder in (self.home, self.temp, self.cwd) + folders:
            for d, _, names in os.walk(folder):
                for name in names:
                    path = os.path.join(d, name)
                    if path == self.ini or os.path.islink(path):
                        continue
                    with open(path, "rb") as f:
                        content = f.read()
                    check(all(PASSWORD.encode(code) not in content for code in ("cp1252", "utf-8")),
                          "the password stands in " + path)


def account_fields(main):
    return [find(main, "text", "Domein", start=True), find(main, "text", "Folder (b.v. httpdocs):"),
            find(main, "text", "Gebruikersnaam:"), find(main, "password text", "Wachtwoord:")]


def fill_account(main, domain, folder):
    domain_box, folder_box, user_box, password_box = account_fields(main)
    type_into(domain_box, domain)
    type_into(folder_box, folder)
    type_into(user_box, "club")
    # A password box does not show what it holds, only how much.
    type_keys(password_box, PASSWORD)
    wait_for("the password typed",
             lambda: password_box.queryText().characterCount == len(PASSWORD))


def tick(main, name, on=True):
    box = find(main, "check box", name)
    if checked(box) != on:
        toggle(box)
    wait_for("%s %s" % (name, "ticked" if on else "clear"), lambda: checked(box) == on)
    return box


def asked(p, title, shot):
    """The question box of that title, pictured, and all it says."""
    question = p.window(title, 30)
    screenshot(shot)
    return question, " ".join(labels(question))


def boxes_enable_their_controls_and_a_kept_folder_receives_the_files(program, data, server_script,
                                                                     root):
    s = Setup(os.path.join(root, "kept"), data)
    server = FtpSite(server_script, os.path.join(root, "kept-site"), PASSWORD, "normal+wire")
    csv_folder = os.path.join(s.home, ODD_FOLDER)
    os.makedirs(csv_folder)
    p = None
    try:
        p = s.start(program)
        main = p.window("UploadTavrel")
        fields = account_fields(main)
        upload = find(main, "check box", "Upload naar webdomein")
        toggle(upload)
        wait_for("the account fields disabled", lambda: not any(enabled(f) for f in fields))
        toggle(upload)
        wait_for("the account fields enabled", lambda: all(enabled(f) for f in fields))
        csv_box = find(main, "text", "CSV-map")
        browse = find_all(main, "push button")
        check(not enabled(csv_box), "the CSV folder starts disabled")
        tick(main, "Bewaar CSV bestanden in")
        wait_for("the CSV folder enabled", lambda: enabled(csv_box))
        check(sum(1 for b in browse if b.name.startswith("Zoek ") and enabled(b)) == 3,
              "all three Zoek buttons enabled")

        # Typed without its final separator, with quotes, $ and an accent.
        type_into(csv_box, csv_folder)
        fill_account(main, "127.0.0.1:%d" % server.port, "httpdocs")
        tick(main, "limieten")
        tick(main, "niveaus")
        # A server without TLS: nothing crosses before the user consents,
        # and Enter means No.
        press(find(main, "push button", "OK"))
        asked = box_saying(p, "biedt geen versleutelde verbinding: uw wachtwoord")
        screenshot("run-in-clear-question")
        check(find(asked, "push button", "Nee").getState().contains(pyatspi.STATE_IS_DEFAULT),
              "Nee is the consent question's default")
        answer(asked, "Nee")
        answer(box_saying(p, "Zonder uw toestemming is de upload geweigerd"))
        with open(os.path.join(server.home, "wire.log"), "rb") as wire:
            check(b"USER" not in wire.read(), "nothing but AUTH crossed before the consent")
        check(p.alive(), "the window stays after Nee")
        press(find(main, "push button", "OK"))
        answer(box_saying(p, "biedt geen versleutelde verbinding: uw wachtwoord"), "Ja")
        check(p.ended() == 0, "a successful run ends the program with status 0")
    finally:
        if p:
            p.stop()
        server.stop()
    check(sorted(os.listdir(csv_folder)) == sorted(CSV_FILES + ["ftp_send.ftp.log"]),
          "the typed folder holds the files: %s" % os.listdir(csv_folder))
    check(server.files() == ["httpdocs/" + f for f in CSV_FILES] + ["wire.log"],
          "the website received the files: %s" % server.files())
    check(mode(s.ini) == 0o600, "Tavrel.ini is narrowed to 0600, not %o" % mode(s.ini))
    s.trap_untouched()
    s.password_only_in_settings(os.path.join(server.home, "httpdocs"))  # not what crossed


def wrong_folders_write_nothing_and_a_failed_upload_keeps_the_window(program, data, server_script,
                                                                     root):
    server = FtpSite(server_script, os.path.join(root, "failed-site"), PASSWORD)
    s = Setup(os.path.join(root, "failed"), data, **in_clear(server.port))
    p = None
    try:
        p = s.start(program)
        main = p.window("UploadTavrel")
        message = find(main, "text", "Meldingen")
        tick(main, "Bewaar CSV bestanden in")
        type_into(find(main, "text", "CSV-map"), "\\\\nas\\club\\csv\\")
        press(find(main, "push button", "OK"))
        wait_for("the missing folder named",
                 lambda: text_of(message) == "De map \\\\nas\\club\\csv\\ bestaat niet")
        check(p.alive(), "the program stays open")
        check(os.listdir(s.cwd) == [], "nothing written in the current folder")

        # Upload only, into a remote folder that is not there.
        tick(main, "Bewaar CSV bestanden in", False)
        fill_account(main, "127.0.0.1 %d" % server.port, "bestaat niet")
        press(find(main, "push button", "OK"))
        report = p.window("Foutmelding!", 30)
        check("FTP upload naar 127.0.0.1 %d mislukt" % server.port in
              " ".join(label.name for label in find_all(report, "label")),
              "the report names the failed upload")
        press(find(report, "push button", "OK"))
        shown = wait_for("the transcript in the message area",
                         lambda: "550 " in text_of(message) and text_of(message))
        check("Niet verzonden: zwemmers.csv" in shown, "the transcript says nothing was sent")
        check(PASSWORD not in shown, "the password is not shown")
        check(p.alive(), "the program stays open after the report")
        check(server.files() == [], "no file uploaded anywhere: %s" % server.files())
        kept = os.path.join(s.data_home, "UploadTavrel", "ftp_send.ftp.log")
        wait_for("the log kept once the run has cleaned up", lambda: os.path.isfile(kept))
        check(mode(kept) == 0o600, "the log is kept for its user only")
        s.trap_untouched()
        s.password_only_in_settings(server.home)
        p.close(main)
    finally:
        if p:
            p.stop()
        server.stop()


def a_damaged_club_file_is_reported_and_the_window_stays(program, data, server_script, root,
                                                        jet_file):
    """A club file that was copied only in part, as from a USB stick."""
    s = Setup(os.path.join(root, "damaged"), data)
    with open(jet_file, "rb") as f:
        whole = f.read()
    cut = os.path.join(s.home, "team.mdb")
    with open(cut, "wb") as f:
        f.write(whole[:len(whole) * 8 // 10])
    csv_folder = os.path.join(s.home, "csv")
    os.makedirs(csv_folder)
    p = None
    try:
        p = s.start(program)
        main = p.window("UploadTavrel")
        type_into(find(main, "text", "Tavrel datafile:"), cut)
        tick(main, "Upload naar webdomein", False)
        tick(main, "Bewaar CSV bestanden in")
        type_into(find(main, "text", "CSV-map"), csv_folder)
        press(find(main, "push button", "OK"))
        report = p.window("Foutmelding!", 20)
        text = " ".join(label.name for label in find_all(report, "label"))
        check("beschadigd of onvolledig" in text, "the report says the file is damaged: " + text)
        check("ConnectJetDB" in text or "OpenRecordSet" in text, "the report names its place")
        press(find(report, "push button", "OK"))
        message = find(main, "text", "Meldingen")
        wait_for("the run's own message", lambda: text_of(message) != "")
        check(p.alive(), "the program stays open")
        check(os.listdir(csv_folder) == [], "no file written: %s" % os.listdir(csv_folder))
        p.close(main)
    finally:
        if p:
            p.stop()


def an_unknown_certificate_is_asked_about_once(program, data, server_script, root):
    """A host that requires TLS with a certificate of its own making."""
    s = Setup(os.path.join(root, "tls"), data)
    server = FtpSite(server_script, os.path.join(root, "tls-site"), PASSWORD, "tls-required")
    p = None
    try:
        p = s.start(program)
        main = p.window("UploadTavrel")
        fill_account(main, "127.0.0.1:%d" % server.port, "httpdocs")
        press(find(main, "push button", "OK"))
        question, text = asked(p, "Onbekend certificaat", "certificate-question")
        check("Uitgegeven voor: hosting.example" in text and "SHA-256-vingerafdruk:" in text
              and "Waarom niet: de server heeft het zelf ondertekend" in text
              and "Geldig van " in text,
              "the question shows the name, why not, the dates and the fingerprint: " + text)
        press(find(question, "push button", "Nee"))
        report = p.window("Foutmelding!", 30)
        screenshot("certificate-refused")
        text = " ".join(labels(report))
        check("is niet te controleren (uitgegeven voor hosting.example, SHA-256 " in text,
              "the report says why: " + text)
        press(find(report, "push button", "OK"))
        check(server.files() == [], "nothing sent before the certificate is trusted")
        check(p.alive(), "the program stays open")

        press(wait_for("OK again once the run ended", lambda: find(main, "push button", "OK")))
        question = p.window("Onbekend certificaat", 30)
        press(find(question, "push button", "Ja"))
        check(p.ended() == 0, "trusted, the upload goes and the program ends")
        check(server.files() == ["httpdocs/tijden.csv", "httpdocs/zwemmers.csv"],
              "the website received the files: %s" % server.files())
        with open(os.path.join(s.data_home, "UploadTavrel", "ftp_send.ftp.log"), "rb") as f:
            check(b"De verbinding is versleuteld (TLS)." in f.read(), "the log says TLS was used")

        # Trusted once: the next run asks nothing.
        p = s.start(program)
        p.window("UploadTavrel")
        press(find(p.window("UploadTavrel"), "push button", "OK"))
        check(p.ended() == 0, "the next upload asks nothing and ends the program")
        s.password_only_in_settings(server.home)

        # Another certificate on the same host: a warning, "Nee" by default.
        port = server.port
        server.stop()
        server = FtpSite(server_script, os.path.join(root, "tls-site-2"), PASSWORD, "tls-required",
                         port)
        p = s.start(program)
        main = p.window("UploadTavrel")
        press(find(main, "push button", "OK"))
        question, text = asked(p, "Certificaat veranderd", "certificate-changed")
        check("Vingerafdruk die u vertrouwde:" in text and "Vingerafdruk nu:" in text,
              "the warning shows the old and the new fingerprint: " + text)
        check(find(question, "push button", "Nee").getState().contains(pyatspi.STATE_IS_DEFAULT),
              "Nee is the default")
        press(find(question, "push button", "Nee"))
        report = p.window("Foutmelding!", 30)
        check("is veranderd sinds u het vertrouwde" in " ".join(labels(report)),
              "the report says the certificate changed")
        press(find(report, "push button", "OK"))
        check(server.files() == [], "nothing sent to a changed certificate")
        press(wait_for("OK again once the run ended", lambda: find(main, "push button", "OK")))
        press(find(p.window("Certificaat veranderd", 30), "push button", "Ja"))
        check(p.ended() == 0, "trusted knowingly, the upload goes and the program ends")
        check(server.files() == ["httpdocs/tijden.csv", "httpdocs/zwemmers.csv"],
              "the website received the files: %s" % server.files())
    finally:
        if p:
            p.stop()
        server.stop()


def an_sftp_host_key_is_asked_about_and_trusted(program, data, server_script, root):
    s = Setup(os.path.join(root, "sftp"), data)
    server = FtpSite(server_script, os.path.join(root, "sftp-site"), PASSWORD, "sftp")
    p = None
    try:
        p = s.start(program)
        main = p.window("UploadTavrel")
        fill_account(main, "sftp://127.0.0.1:%d" % server.port, "httpdocs")
        press(find(main, "push button", "OK"))
        question, text = asked(p, "Onbekende sleutel", "host-key-question")
        check("Soort: ssh-ed25519" in text and "SHA256:" in text,
              "the question shows the key's kind and fingerprint: " + text)
        press(find(question, "push button", "Ja"))
        check(p.ended() == 0, "trusted, the upload goes and the program ends")
        check(server.files() == ["httpdocs/tijden.csv", "httpdocs/zwemmers.csv"],
              "the website received the files: %s" % server.files())
    finally:
        if p:
            p.stop()
        server.stop()


def main():
    program, data, server_script, jet_file = sys.argv[1:5]
    with tempfile.TemporaryDirectory() as root:
        boxes_enable_their_controls_and_a_kept_folder_receives_the_files(program, data,
                                                                        server_script, root)
        wrong_folders_write_nothing_and_a_failed_upload_keeps_the_window(program, data,
                                                                        server_script, root)
        a_damaged_club_file_is_reported_and_the_window_stays(program, data, server_script, root,
                                                             jet_file)
        an_unknown_certificate_is_asked_about_once(program, data, server_script, root)
        an_sftp_host_key_is_asked_about_and_trusted(program, data, server_script, root)
    print("5 passed, 0 failed")


if __name__ == "__main__":
    main()
