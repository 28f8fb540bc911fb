"""The installer as a club runs it, under Wine in a fresh prefix: a silent
install for one user lands in the user's programs folder with a Start-menu
entry, an uninstaller among the installed programs and the licence texts;
the installed program starts and shows its window; a silent uninstall
removes every file and the entries, and the settings (which hold the FTP
password) only when told to.

    xvfb-run -a /usr/bin/python3 check_installer.py SETUP_EXE
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

import checks
from checks import WINE, check, failures, wait_for_window

UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\UploadTavrel"


def wine(*args):
    return checks.wine(*args, timeout=300, settle=True)


def key_exists(key):
    return wine("reg", "query", key).returncode == 0


def main():
    setup = os.path.abspath(sys.argv[1])
    root = tempfile.mkdtemp(prefix="installer-")
    os.environ.update(WINEPREFIX=os.path.join(root, "wine"), WINEDEBUG="-all",
                      LANG="C.UTF-8", LC_ALL="C.UTF-8")
    try:
        wine("wineboot", "--init")
        users = glob.glob(os.path.join(root, "wine", "drive_c", "users", "*", "AppData"))
        users = [u for u in users if "Public" not in u]
        check(len(users) == 1, "one user in the fresh prefix")
        appdata = users[0]
        folder = os.path.join(appdata, "Local", "Programs", "UploadTavrel")
        shortcut = os.path.join(appdata, "Roaming", "Microsoft", "Windows", "Start Menu",
                                "Programs", "UploadTavrel.lnk")

        for remove_settings in (False, True):
            case = "with the settings" if remove_settings else "keeping the settings"
            check(wine(setup, "/S").returncode == 0, "a silent install (%s)" % case)
            for need in ("uploadtavrel.exe", "tavrel-ftp.exe", "Qt6Core.dll", "verwijderen.exe",
                         "LICENTIES.txt", "LICENTIES/Qt-LGPL-3.txt", "platforms/qwindows.dll"):
                check(os.path.isfile(os.path.join(folder, need)), "installed: " + need)
            check(os.path.isfile(shortcut), "a Start-menu entry")
            check(key_exists(UNINSTALL_KEY), "listed among the user's installed programs")

            program = subprocess.Popen([WINE, os.path.join(folder, "uploadtavrel.exe")],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            check(wait_for_window() is not None, "the installed program shows its window")
            program.terminate()
            subprocess.run(["/usr/lib/wine/wineserver", "-k"])
            subprocess.run(["/usr/lib/wine/wineserver", "-w"])

            wine("reg", "add", r"HKCU\Software\Tavrel", "/v", "Password", "/d", "geheim", "/f")
            args = ["/S", "/INSTELLINGEN"] if remove_settings else ["/S"]
            check(wine(os.path.join(folder, "verwijderen.exe"), *args).returncode == 0,
                  "a silent uninstall (%s)" % case)
            time.sleep(1)  # the uninstaller works on from a copy of itself
            subprocess.run(["/usr/lib/wine/wineserver", "-w"])
            left = [os.path.relpath(os.path.join(d, f), folder)
                    for d, _, files in os.walk(folder) for f in files]
            check(not os.path.exists(folder), "no file left: %s" % left)
            check(not os.path.exists(shortcut), "no Start-menu entry left")
            check(not key_exists(UNINSTALL_KEY), "no longer among the installed programs")
            check(key_exists(r"HKCU\Software\Tavrel") != remove_settings,
                  "the settings %s" % ("removed" if remove_settings else "kept"))
    finally:
        subprocess.run(["/usr/lib/wine/wineserver", "-k"])
        shutil.rmtree(root, ignore_errors=True)
    if failures:
        sys.exit("FAILED: %d checks" % len(failures))
    print("the installer installs, starts and uninstalls as a club needs")


if __name__ == "__main__":
    main()
