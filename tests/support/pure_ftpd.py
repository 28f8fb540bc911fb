"""Debian's pure-ftpd on 127.0.0.1, as a hosting company runs it with TLS
required (-Y 2) and its own certificate, started by ftp_server.py with the
mode "pure-ftpd". The package is unpacked into .cache/servers/ by
scripts/install-deps; pure-ftpd switches to the account's user, so it needs
root.
"""
import ctypes
import os
import random
import signal
import socket
import subprocess
import sys
import tempfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", ".cache", "servers",
                    "pure-ftpd", "usr")
NOBODY = 65534


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def serve(home, user, password, port):
    daemon = os.path.join(ROOT, "sbin", "pure-ftpd")
    if not os.access(daemon, os.X_OK) or os.geteuid() != 0:
        sys.exit("pure-ftpd is not unpacked in .cache/servers, or this is not root")
    work = tempfile.mkdtemp()
    certificate = os.path.join(work, "server.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=hosting.example", "-keyout", certificate, "-out", certificate],
                   check=True, capture_output=True)
    for d, _, names in os.walk(home):
        os.chown(d, NOBODY, NOBODY)
        for name in names:
            os.chown(os.path.join(d, name), NOBODY, NOBODY)
    users = os.path.join(work, "passwd")
    subprocess.run([os.path.join(ROOT, "bin", "pure-pw"), "useradd", user, "-u", str(NOBODY),
                    "-g", str(NOBODY), "-d", home, "-f", users],
                   input="%s\n%s\n" % (password, password), text=True, check=True,
                   capture_output=True)
    subprocess.run([os.path.join(ROOT, "bin", "pure-pw"), "mkdb", users + ".pdb", "-f", users],
                   check=True, capture_output=True)
    port = port or free_port()
    first = random.randrange(40000, 60000, 100)
    # The test ends this script with SIGKILL: pure-ftpd goes with it.
    server = subprocess.Popen([daemon, "-S", "127.0.0.1,%d" % port, "-l",
                               "puredb:" + users + ".pdb", "-E", "-A", "-Y", "2", "-2",
                               certificate, "-p", "%d:%d" % (first, first + 99)],
                              preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGKILL))
    for _ in range(100):
        with socket.socket() as s:
            if s.connect_ex(("127.0.0.1", port)) == 0:
                break
        if server.poll() is not None:
            sys.exit("pure-ftpd ended at its start")
        subprocess.run(["sleep", "0.05"])
    print("port %d" % port, flush=True)
    signal.signal(signal.SIGTERM, lambda *a: (server.terminate(), sys.exit(0)))
    try:
        server.wait()
    finally:
        if server.poll() is None:
            server.terminate()
