"""The Debian package as a user gets it: built with CPack, unpacked into a
temporary root (dpkg -x), its desktop entry and AppStream file validated,
and the installed program started: --version, offscreen to its main window,
and a whole run with an upload through the real window (atspi_run.py),
which only works when the program finds its installed tavrel-ftp.

    /usr/bin/python3 check_package.py BUILD_DIR A11Y_DIR DATA_DIR FTP_SERVER JET_FILE
"""
import glob
import os
import subprocess
import sys
import tempfile

build, a11y, data, ftp_server, jet = sys.argv[1:6]


def run(argv, **kw):
    proc = subprocess.run(argv, capture_output=True, text=True, timeout=300, **kw)
    if proc.returncode != 0:
        sys.exit("%s failed (%d):\n%s%s" % (argv[0], proc.returncode, proc.stdout, proc.stderr))
    return proc.stdout


with tempfile.TemporaryDirectory() as work:
    run(["cpack", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", work])
    packages = glob.glob(os.path.join(work, "uploadtavrel_*_amd64.deb"))
    assert len(packages) == 1, packages
    deb = packages[0]
    depends = run(["dpkg-deb", "-f", deb, "Depends"])
    for needed in ["libqt6widgets6", "libqt6sql6-sqlite", "libcurl4", "libsqlite3-0",
                   "qt6-qpa-plugins"]:
        assert needed in depends, "Depends lacks %s: %s" % (needed, depends)

    root = os.path.join(work, "root")
    run(["dpkg", "-x", deb, root])
    usr = os.path.join(root, "usr")
    for path in ["bin/uploadtavrel", "libexec/uploadtavrel/tavrel-ftp",
                 "share/icons/hicolor/scalable/apps/uploadtavrel.svg",
                 "share/icons/hicolor/48x48/apps/uploadtavrel.png",
                 "share/man/man1/uploadtavrel.1.gz", "share/uploadtavrel/limieten.sql",
                 "share/doc/uploadtavrel/handleiding.md",
                 "share/doc/uploadtavrel/handleiding/hoofdvenster.png"]:
        assert os.path.isfile(os.path.join(usr, path)), "not installed: " + path
    assert not os.path.exists(os.path.join(usr, "bin", "tavrel-ftp")), "runner on the PATH"
    # The copyright file in Debian's machine-readable form: every Files
    # paragraph names its copyright and a licence that is spelt out.
    with open(os.path.join(usr, "share/doc/uploadtavrel/copyright"), encoding="utf-8") as f:
        paragraphs = [p for p in f.read().split("\n\n") if p.strip()]
    assert paragraphs[0].startswith(
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n")
    fields = [dict(line.split(": ", 1) for line in p.splitlines()
                   if ": " in line and not line.startswith(" ")) for p in paragraphs]
    spelt = {f["License"] for f in fields if "Files" not in f and "License" in f}
    for f in fields[1:]:
        if "Files" in f:
            assert "Copyright" in f and (f["License"] in spelt or f["License"] == "CC0-1.0"), f
    # The nightly timer and its service as systemd reads them, the command
    # taken from where the package put it (systemd looks in /usr/bin).
    units = os.path.join(usr, "lib/systemd/user")
    checked = os.path.join(work, "units")
    os.makedirs(checked)
    for unit in ["uploadtavrel.service", "uploadtavrel.timer"]:
        with open(os.path.join(units, unit)) as f:
            text = f.read()
        with open(os.path.join(checked, unit), "w") as f:
            f.write(text.replace("ExecStart=uploadtavrel ",
                                 "ExecStart=%s/bin/uploadtavrel " % usr))
    assert "Persistent=true" in open(os.path.join(checked, "uploadtavrel.timer")).read()
    run(["systemd-analyze", "verify", "--man=no", os.path.join(checked, "uploadtavrel.service"),
         os.path.join(checked, "uploadtavrel.timer")])
    run(["desktop-file-validate", os.path.join(usr, "share/applications/uploadtavrel.desktop")])
    run(["appstreamcli", "validate", "--no-net",
         os.path.join(usr, "share/metainfo/nl.uploadtavrel.UploadTavrel.metainfo.xml")])

    program = os.path.join(usr, "bin", "uploadtavrel")
    version = run([program, "--version"])
    assert version.startswith("UploadTavrel "), version

    home = os.path.join(work, "home")
    os.makedirs(home)
    picture = os.path.join(work, "window.png")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"), QT_QPA_PLATFORM="offscreen",
               UPLOADTAVREL_SNAPSHOT=picture)
    run([program], env=env)
    with open(picture, "rb") as f:
        assert f.read(8) == b"\x89PNG\r\n\x1a\n", "no picture of the main window"

    # The whole run, upload included, through the installed program.
    env = dict(os.environ, QT_QPA_PLATFORM="xcb")
    env.pop("UPLOADTAVREL_SNAPSHOT", None)
    run([os.path.join(a11y, "twice"), "xvfb-run", "-a", "dbus-run-session", "--",
         "/usr/bin/python3", os.path.join(a11y, "atspi_run.py"), program, data, ftp_server, jet],
        env=env)
print("package: installed, validated, started and uploaded")
