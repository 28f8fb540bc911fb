"""What the Debian FTP servers of the tests share (pure_ftpd.py, vsftpd.py):
each is unpacked into .cache/servers/ by scripts/install-deps, never
installed, and runs as root with a certificate made out to the hosting
company, on a free port of 127.0.0.1, serving HOME as the account "nobody"
owns it on a host."""
import ctypes
import os
import signal
import socket
import subprocess
import sys
import tempfile

SERVERS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", ".cache", "servers")
NOBODY = 65534


def unpacked(package, program):
    """The path of a program of an unpacked package; exits when it cannot run
    here."""
    path = os.path.join(SERVERS, package, program)
    if not os.access(path, os.X_OK) or os.geteuid() != 0:
        sys.exit("%s is not unpacked in .cache/servers, or this is not root" % package)
    return path


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def certificate(folder):
    """A new key and certificate made out to hosting.example, in one file."""
    path = os.path.join(folder, "server.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=hosting.example", "-keyout", path, "-out", path],
                   check=True, capture_output=True)
    return path


def give_to_nobody(home):
    for d, _, names in os.walk(home):
        os.chown(d, NOBODY, NOBODY)
        for name in names:
            os.chown(os.path.join(d, name), NOBODY, NOBODY)


def run(command, port, name):
    """Starts the server, waits until it listens, says "port N" and serves
    until SIGTERM; the test ends this script with SIGKILL, and the server
    goes with it."""
    server = subprocess.Popen(command,
                              preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGKILL))
    for _ in range(100):
        with socket.socket() as s:
            if s.connect_ex(("127.0.0.1", port)) == 0:
                break
        if server.poll() is not None:
            sys.exit("%s ended at its start" % name)
        subprocess.run(["sleep", "0.05"])
    print("port %d" % port, flush=True)
    signal.signal(signal.SIGTERM, lambda *a: (server.terminate(), sys.exit(0)))
    try:
        server.wait()
    finally:
        if server.poll() is None:
            server.terminate()


def work_folder():
    return tempfile.mkdtemp()
