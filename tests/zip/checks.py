"""What the Windows checks share: Wine itself, and checks that each say
"ok" or "FAIL" and are counted, so one run reports every fault."""

WINE = "/usr/lib/wine/wine64"
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok
