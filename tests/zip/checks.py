"""What the Windows checks share: Wine itself, and checks that each say
"ok" or "FAIL" and are counted, so one run reports every fault; and the
test FTP server's wrapper, shared with the desktop tests."""
import os
import sys

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
