"""A real FTP server on 127.0.0.1 for the tests and the demo.

    ftp_server.py HOME USER PASSWORD [MODE] [PORT]

Serves HOME to USER on a free port (or PORT) and prints "port N" once it
listens. MODE: "normal"; "refuse" answers every connection with 421;
"stall" stops answering once an upload has begun; "slow:N" takes uploads
at N bytes a second.
"""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


class RefusingHandler(FTPHandler):
    def handle(self):
        self.respond("421 Service not available, closing control connection.")
        self.close_when_done()


class StalledDTPHandler(DTPHandler):
    # Never reads the upload, so it never ends and no reply follows.
    def readable(self):
        return False


def main():
    home, user, password = sys.argv[1:4]
    mode = sys.argv[4] if len(sys.argv) > 4 else "normal"
    port = int(sys.argv[5]) if len(sys.argv) > 5 else 0

    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, home, perm="elradfmw")
    handler = RefusingHandler if mode == "refuse" else FTPHandler
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0
    handler.passive_ports = None
    if mode == "stall":
        handler.dtp_handler = StalledDTPHandler
    elif mode.startswith("slow:"):
        ThrottledDTPHandler.read_limit = int(mode[5:])
        handler.dtp_handler = ThrottledDTPHandler

    server = FTPServer(("127.0.0.1", port), handler)
    print("port %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
