"""The Windows zip as a club uses it: unpacked into a folder of its own,
started under Wine from another folder, its real window shown (a picture in
the test output), and one run each on the demo databases and on Jet club and
limits files, typed into the real window with the keyboard: the four files
are the Linux build's, and they arrive on an FTP server on 127.0.0.1; and
one over SFTP, the server's new key trusted in the program's question;
and --help and --version shown in a console (cmd in a terminal).

    check_zip.py ZIP DEMO_DATA TEST_DATA FTP_SERVER

Runs in an X display (xvfb-run), with a Wine prefix of its own beside the
zip (wine-zip/), since the program there keeps its settings in the real
HKCU\\Software\\Tavrel.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

from checks import WINE, FtpSite, check, failures, wait_for_window, wine

PASSWORD = "Ge heim$1'\"x"
NAMES = ["limieten.csv", "niveaus.csv", "tijden.csv", "zwemmers.csv"]


def windows(path):
    return "Z:" + path.replace("/", "\\")


def console_text(program, option, cwd):
    """What a console shows when cmd starts the program in a terminal, with
    the terminal's cursor codes (Wine's console draws a space as a cursor
    move) and so the spaces taken out."""
    command = " ".join(shlex.quote(a) for a in (WINE, "cmd", "/c", windows(program), option))
    out = subprocess.run(["script", "-qec", command, "/dev/null"], cwd=cwd, capture_output=True,
                         timeout=120).stdout.decode("utf-8", "replace")
    return re.sub(r"\x1b\[[0-9;?]*[A-Za-z]|\s", "", out)


def write_settings(root, values):
    """The settings as the program finds them in the registry: a .reg file,
    the key removed first so nothing of the last run remains."""
    def quoted(text):
        return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'
    lines = ["REGEDIT4", "", r"[-HKEY_CURRENT_USER\Software\Tavrel]", "",
             r"[HKEY_CURRENT_USER\Software\Tavrel]"]
    lines += ["%s=%s" % (quoted(k), quoted(v)) for k, v in values.items()]
    reg = os.path.join(root, "settings.reg")
    with open(reg, "w", encoding="utf-8") as f:
        f.write("\r\n".join(lines) + "\r\n")
    wine("regedit", "/S", windows(reg))


def stored_settings():
    out = wine("reg", "query", r"HKCU\Software\Tavrel").stdout.decode("utf-8", "replace")
    return dict((m.group(1), (m.group(2), m.group(3)))
                for m in re.finditer(r"^\s+(.+?)\s{4}(REG_\w+)\s{4}(.*?)\r?$", out, re.M))


def keys(*names):
    for name in names:
        subprocess.run(["xdotool", "key", "--delay", "120", name], check=True)
        time.sleep(0.25)


def picture(path):
    subprocess.run(["import", "-window", "root", path], check=True)
    spread = subprocess.run(["convert", path, "-format", "%[fx:standard_deviation]", "info:"],
                            capture_output=True, text=True).stdout
    return float(spread or 0)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def lines(data):
    return sorted(data.split(b"\r\n"))


def run_once(program, root, case, club, version, limits, expected, same_order, server_script,
             shot, mode="normal"):
    print("-- " + case, flush=True)
    work = os.path.join(root, case)
    csv = os.path.join(work, "csv")
    os.makedirs(csv)
    server = FtpSite(server_script, os.path.join(work, "ftp"), PASSWORD, mode)
    domain = ("sftp://127.0.0.1:%d" if mode == "sftp" else "127.0.0.1 %d") % server.port
    try:
        write_settings(root, {
            "Database": windows(club), "Tavrel": version, "Limieten Database": windows(limits),
            "Domain": domain, "FTPfolder": "httpdocs", "User": "club",
            "Password": PASSWORD, "CSVdir": windows(csv) + "\\",
            # The user consented to plain FTP to this test server once.
            "Onversleuteld 127.0.0.1:%d" % server.port: "ja"})
        elsewhere = os.path.join(work, "elders")
        os.makedirs(elsewhere)
        proc = subprocess.Popen([WINE, program], cwd=elsewhere, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT)
        if not check(wait_for_window(seconds=90, alive=lambda: proc.poll() is None) is not None,
                     "the main window shows"):
            proc.kill()
            return
        time.sleep(2)
        if shot:
            check(picture(shot) > 0.05, "the main window is drawn (%s)" % shot)
        # The focus starts in the club database's field. Tab through the
        # database fields, the upload account and the first data set, then
        # tick limits, levels and "keep the CSV files", and press OK.
        keys(*["Tab"] * 11, "space", "Tab", "space", "Tab", "space", "Tab", "Tab", "Tab")
        before = os.path.join(os.environ["ZIP_PICTURES"], "zip-before-ok-%s.png" % case)
        picture(before)
        keys("space")
        if mode in ("sftp", "tls-required"):
            # The server's key or certificate is new: the program asks, and
            # "Ja" trusts it (Windows' own root store does not know it).
            title = "Onbekende sleutel" if mode == "sftp" else "Onbekend certificaat"
            if check(wait_for_window("^%s$" % title) is not None,
                     "the question about the server's %s shows" % title.split()[1]):
                time.sleep(1)
                picture(os.path.join(os.environ["ZIP_PICTURES"], "zip-%s.png" % mode))
                keys("Return")
        try:
            out = proc.communicate(timeout=120)[0].decode("utf-8", "replace")
        except subprocess.TimeoutExpired:
            picture(before.replace("before-ok", "stuck"))
            proc.kill()
            out = proc.communicate()[0].decode("utf-8", "replace")
            check(False, "the run ends the program (pictures: %s)" % before)
            return
        check(proc.returncode == 0, "the program ends with status 0 (%d) %s"
              % (proc.returncode, out.strip()))
        for name in NAMES:
            path = os.path.join(csv, name)
            if not check(os.path.exists(path), "%s kept in the CSV folder" % name):
                continue
            got, want = read(path), read(expected[name])
            check(got == want if same_order(name) else lines(got) == lines(want),
                  "%s as the Linux build writes it%s" % (
                      name, "" if same_order(name) else " (the same lines)"))
            try:
                sent = server.read(name)
            except OSError:
                sent = None
            # ASCII mode: the server stores its own line ends.
            check(sent is not None and sent.replace(b"\r\n", b"\n") == got.replace(b"\r\n", b"\n"),
                  "%s arrived on the FTP server" % name)
        stored = stored_settings()
        check(stored.get("Domain") == ("REG_SZ", domain)
              and all(kind == "REG_SZ" for kind, _ in stored.values()),
              "the settings are REG_SZ values in HKCU\\Software\\Tavrel: %s"
              % sorted(stored))
    finally:
        server.stop()


def main():
    zip_path, demo, data, server_script = map(os.path.abspath, sys.argv[1:5])
    build = os.path.dirname(os.path.abspath(zip_path))
    os.environ["WINEPREFIX"] = os.path.join(build, "wine-zip")
    os.environ["WINEDEBUG"] = "-all"
    if not os.path.exists(os.path.join(os.environ["WINEPREFIX"], "system.reg")):
        wine("wineboot", "--init", timeout=300, settle=True)
    pictures = os.path.join(build, "Testing")
    os.makedirs(pictures, exist_ok=True)
    os.environ["ZIP_PICTURES"] = pictures

    root = tempfile.mkdtemp(prefix="zip-")
    try:
        folder = os.path.join(root, "Club programma's \u00e9n meer")
        with zipfile.ZipFile(zip_path) as z:
            names = z.namelist()
            z.extractall(folder)
        top = {n.split("/")[0] for n in names}
        check(len(top) == 1, "one folder in the zip: %s" % sorted(top))
        base = os.path.join(folder, top.pop())
        for need in ["uploadtavrel.exe", "tavrel-ftp.exe", "Qt6Core.dll", "Qt6Gui.dll",
                     "Qt6Widgets.dll", "Qt6Sql.dll", "sqlite3.dll", "libcurl.dll", "libssh2.dll",
                     "libssl-3-x64.dll", "libcrypto-3-x64.dll",
                     "libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll",
                     "platforms/qwindows.dll", "sqldrivers/qsqlite.dll",
                     "styles/qwindowsvistastyle.dll", "translations/qtbase_nl.qm"]:
            check(os.path.exists(os.path.join(base, need)), "the zip holds " + need)
        check(not [n for n in names if "_tests" in n or "make-demo" in n],
              "the zip holds no test programs or tools")
        program = os.path.join(base, "uploadtavrel.exe")

        version = wine(program, "--version", cwd=root)
        check(version.returncode == 0 and b"UploadTavrel 2.1.4" in version.stdout,
              "--version from another folder: %r" % version.stdout)
        # From a console window (cmd in a terminal), the window program
        # writes its help and version there.
        for option, want in (("--help", "Gebruik:uploadtavrel"),
                             ("--version", "UploadTavrel2.1.4")):
            shown = console_text(program, option, root)
            check(want in shown, "%s in a console: %r" % (option, shown[:80]))

        club = os.path.join(data, "jet-club")
        expected = os.path.join(data, "expected")
        demo_files = {"zwemmers.csv": os.path.join(expected, "demo-2009", "zwemmers.csv"),
                      "tijden.csv": os.path.join(expected, "demo-2009", "tijden.csv"),
                      "limieten.csv": os.path.join(expected, "demo-limits", "limieten.csv"),
                      "niveaus.csv": os.path.join(expected, "demo-limits", "niveaus.csv")}
        run_once(program, root, "demo", os.path.join(demo, "team2009.db"), "2009",
                 os.path.join(demo, "limieten.db"), demo_files, lambda n: True, server_script,
                 os.path.join(pictures, "zip-main-window.png"))
        # The Jet twins of the demo databases, copied: the program only reads them.
        jet = os.path.join(root, "jet")
        os.makedirs(jet)
        for name in ["team2009.mdb", "limieten.mdb"]:
            shutil.copy(os.path.join(club, name), jet)
        run_once(program, root, "jet", os.path.join(jet, "team2009.mdb"), "2009",
                 os.path.join(jet, "limieten.mdb"), demo_files,
                 lambda n: n in ("zwemmers.csv", "niveaus.csv"), server_script, None)
        for mode in ("sftp", "tls-required"):
            run_once(program, root, mode, os.path.join(demo, "team2009.db"), "2009",
                     os.path.join(demo, "limieten.db"), demo_files, lambda n: True, server_script,
                     None, mode)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    print("pictures: %s" % pictures)
    if failures:
        print("%d check(s) failed" % len(failures))
        sys.exit(1)


if __name__ == "__main__":
    main()
