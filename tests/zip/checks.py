"""What the Windows checks share: Wine itself, the program's windows as the
X server sees them, checks that each say "ok" or "FAIL" and are counted, so
one run reports every fault; and the test FTP server's wrapper, shared with
the desktop tests."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import ftp_site  # noqa: E402

FtpSite = ftp_site.FtpSite

WINE = "/usr/lib/wine/wine64"
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def wine(*args, cwd=None, timeout=120, settle=False):
    """A Windows program run under Wine; with settle, also waited for until
    every program it started has ended (an installer's own steps)."""
    result = subprocess.run([WINE, *args], cwd=cwd, capture_output=True, timeout=timeout)
    if settle:
        subprocess.run(["/usr/lib/wine/wineserver", "-w"], timeout=timeout)
    return result


def window_id(name="^UploadTavrel$"):
    out = subprocess.run(["xdotool", "search", "--name", name],
                         capture_output=True, text=True).stdout.split()
    return out[0] if out else None


def wait_for_window(name="^UploadTavrel$", seconds=60, alive=lambda: True):
    """The window's id once it shows, None when it does not in time or the
    program that would show it has ended."""
    end = time.time() + seconds
    while window_id(name) is None and time.time() < end and alive():
        time.sleep(0.5)
    return window_id(name)
