"""FTP servers on request, for test programs that cannot start Python
themselves (Windows programs under Wine).

    ftp_factory.py

Listens on a free port of 127.0.0.1 and prints "port N". Each connection
sends one JSON line {"home", "user", "password", "mode"} (home as a path of
this machine) and gets back the "port N" line of an ftp_server.py started for
it, or "error TEXT". When the test closes its side, the server is stopped and
"stopped" is sent, so the test knows the port is free again.
"""
import json
import os
import socket
import subprocess
import sys
import threading

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ftp_server.py")


def serve(conn):
    with conn, conn.makefile("rwb") as stream:
        try:
            ask = json.loads(stream.readline())
            server = subprocess.Popen(
                [sys.executable, SERVER, ask["home"], ask["user"], ask["password"], ask["mode"]],
                stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        except (ValueError, KeyError, OSError) as e:
            stream.write(b"error %s\n" % str(e).encode())
            stream.flush()
            return
        try:
            stream.write(server.stdout.readline())
            stream.flush()
            while stream.read(4096):
                pass
        except OSError:
            pass
        finally:
            server.kill()
            server.wait()
        try:
            stream.write(b"stopped\n")
            stream.flush()
        except OSError:
            pass


def main():
    listener = socket.create_server(("127.0.0.1", 0))
    print("port %d" % listener.getsockname()[1], flush=True)
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=serve, args=(conn,), daemon=True).start()


if __name__ == "__main__":
    main()
