"""A real FTP server on 127.0.0.1 for the tests and the demo.

    ftp_server.py HOME USER PASSWORD [MODE] [PORT]

Serves HOME to USER on a free port (or PORT) and prints "port N" once it
listens. MODE: "normal"; "refuse" answers every connection with 421;
"stall" stops answering once an upload has begun; "slow:N" takes uploads
at N bytes a second, small files too. Faults a website's host shows now and then:
"cut:N" resets the data connection after N bytes of an upload and calls the
file complete; "full" answers 552 after an upload (no space left);
"refuse-stor" refuses every upload; "late:N" confirms an upload only after N
seconds (a host that scans files); "no-size" knows no SIZE, "no-mdtm" no
MDTM; "no-overwrite"
will not rename over an existing file. At the N-th rename of its life:
"refuse-rnto:N" refuses it, and every later rename of that file;
"drop-rnto:N" does it and closes the control connection; "lose-rnto:N" does
it and closes before answering; "down-rnto:N" does it, closes, and refuses
every later connection with 421. "slow-rnto:S" does each rename at once and
answers it S seconds later. "echo-password" repeats a wrong password in its
refusal; "hostile-banner" greets with escape sequences, a lone CR and a
3,000-character line. "raw" stores ASCII uploads as they came over the
wire, line ends and all. "tls" offers TLS (AUTH TLS) with a
self-signed certificate made out to "hosting.example", made anew for each
server; "tls-required" refuses to log in without it; "tls-expired",
"tls-other-name" and "tls-forged" offer it with a certificate that expired,
that another CA made out to another name, or whose name holds a line break
and a forged record. With "+wire" after a
mode ("tls+wire"), what the client sends on the control connection is kept
in HOME/wire.log, as a packet capture would show it; with "+strip" the
relay also keeps the client's AUTH from the server, as an attacker on the
wire would, and answers it with 500. "sftp" serves SFTP
instead (sftp_server.py) with a password, "sftp:keyboard-interactive" and
"sftp:publickey:FILE" with only that login; "pure-ftpd" runs Debian's
pure-ftpd with TLS required (pure_ftpd.py), "vsftpd", "vsftpd-tls" and "vsftpd-tls-required"
Debian's vsftpd without TLS, offering it, and requiring it (vsftpd.py).
"""
import os
import socket
import struct
import sys

import pyftpdlib.handlers
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


class SteadyDTPHandler(ThrottledDTPHandler):
    """Takes a file at the limit from its first bytes (pyftpdlib's own lets
    its first two seconds' worth through at once), in small pieces."""
    ac_in_buffer_size = 4096

    def __init__(self, sock, cmd_channel):
        super().__init__(sock, cmd_channel)
        self._timenext = pyftpdlib.handlers.timer() + 1


class CuttingDTPHandler(DTPHandler):
    cut_after = 0

    def handle_read(self):
        chunk = self.recv(self.ac_in_buffer_size)
        room = self.cut_after - self.tot_bytes_received
        self.tot_bytes_received += len(chunk)
        if not chunk or room <= len(chunk):
            self.file_obj.write(chunk[:max(room, 0)])
            # A reset instead of a close: the client's last bytes are lost.
            self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.handle_close()
            return
        self.file_obj.write(chunk)

    handle_read_event = handle_read


class FullDiskDTPHandler(DTPHandler):
    def handle_close(self):
        if not self._closed:
            self._resp = ("552 Requested file action aborted. Exceeded storage allocation.",
                          lambda *a: None)
            self.close()


class RawDTPHandler(DTPHandler):
    """Stores what came over the wire, ASCII uploads too: a test sees each
    line end exactly as the client sent it."""

    def enable_receiving(self, type, cmd):
        super().enable_receiving("i", cmd)


class LateDTPHandler(DTPHandler):
    delay = 0

    def handle_close(self):
        if not self._closed:
            self.transfer_finished = True
            channel = self.cmd_channel
            self._resp = None
            self.close()
            channel.ioloop.call_later(self.delay, channel.respond, "226 Transfer complete.")


class FaultHandler(FTPHandler):
    refuse_stor = False
    no_size = False
    no_mdtm = False
    no_overwrite = False
    # A fault at the N-th rename of the server's life (across connections):
    # ("refuse", N), ("drop", N): the rename done and answered, then the
    # connection closed; ("lose", N): done, closed before the answer;
    # ("down", N): as "drop", and every later connection refused with 421.
    rnto_fault = (None, 0)
    renames = 0
    down = False
    refused_source = None  # refused from the N-th rename on

    def handle(self):
        if FaultHandler.down:
            self.respond("421 Service not available, closing control connection.")
            self.close_when_done()
            return
        super().handle()

    echo_password = False

    def handle_auth_failed(self, msg, password):
        # A careless host that repeats what it was given.
        if self.echo_password:
            msg = "wrong password: " + password
        super().handle_auth_failed(msg, password)

    def ftp_STOR(self, file, mode="w"):
        if self.refuse_stor:
            self.respond("553 Could not create file.")
            return None
        return super().ftp_STOR(file, mode)

    def ftp_MDTM(self, path):
        if self.no_mdtm:
            self.respond("502 Command not implemented.")
            return
        super().ftp_MDTM(path)

    def ftp_SIZE(self, path):
        if self.no_size:
            self.respond("502 Command not implemented.")
            return
        super().ftp_SIZE(path)

    def ftp_RNTO(self, path):
        if self.no_overwrite and self.fs.lexists(path):
            self._rnfr = None
            self.respond("550 File exists.")
            return None
        FaultHandler.renames += 1
        fault, n = self.rnto_fault
        if fault == "slow":
            source, self._rnfr = self._rnfr, None
            self.run_as_current_user(self.fs.rename, source, path)
            self.ioloop.call_later(n, self.respond, "250 Renaming ok.")
            return None
        if fault == "refuse" and (FaultHandler.renames == n or
                                  self._rnfr == FaultHandler.refused_source):
            FaultHandler.refused_source = self._rnfr
            self._rnfr = None
            self.respond("550 Permission denied.")
            return None
        if FaultHandler.renames != n or not self._rnfr:
            return super().ftp_RNTO(path)
        if fault == "lose":
            source, self._rnfr = self._rnfr, None
            self.run_as_current_user(self.fs.rename, source, path)
            self.close()
            return None
        result = super().ftp_RNTO(path)
        FaultHandler.down = fault == "down"
        self.close_when_done()
        return result


def make_certificate(kind="tls"):
    """A new key and certificate in a private file, made anew for each server;
    its path. "tls": self-signed, made out to "hosting.example"; "tls-expired":
    the same, expired yesterday; "tls-other-name": made out to
    "other.example" by a CA of its own; "tls-forged": self-signed, with a line
    break and a forged runner's record in its name."""
    import tempfile

    from OpenSSL import crypto

    def new_key():
        key = crypto.PKey()
        key.generate_key(crypto.TYPE_RSA, 2048)
        return key

    def make(name, key, issuer=None, issuer_key=None, until=86400):
        cert = crypto.X509()
        cert.set_version(2)
        cert.get_subject().CN = name
        cert.set_serial_number(int.from_bytes(os.urandom(8), "big"))
        cert.gmtime_adj_notBefore(-2 * 86400 if until < 0 else -60)
        cert.gmtime_adj_notAfter(until)
        cert.set_issuer((issuer or cert).get_subject())
        cert.set_pubkey(key)
        cert.sign(issuer_key or key, "sha256")
        return cert

    key = new_key()
    if kind == "tls-other-name":
        ca_key = new_key()
        cert = make("other.example", key, make("Hosting CA", ca_key), ca_key)
    elif kind == "tls-forged":
        cert = make("hosting.example\ncertificaat-onbekend " + "QUFB" * 6, key)
    else:
        cert = make("hosting.example", key, until=-86400 if kind == "tls-expired" else 86400)
    folder = tempfile.mkdtemp()
    path = os.path.join(folder, "server.pem")
    with open(path, "wb") as f:
        f.write(crypto.dump_certificate(crypto.FILETYPE_PEM, cert))
        f.write(crypto.dump_privatekey(crypto.FILETYPE_PEM, key))
    return path


def record_wire(public, inner, log_path, strip=False):
    """Relays each connection on the public socket to the inner port,
    appending the client's bytes to log_path. With strip, an attacker on the
    wire: the client's AUTH never reaches the server, and is answered as a
    server without TLS would."""
    import threading

    def close(*sockets):
        for s in sockets:
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def pump(source, target, log):
        pending = b""
        try:
            while True:
                data = source.recv(65536)
                if not data:
                    break
                if log:
                    with open(log_path, "ab") as f:
                        f.write(data)
                if not strip or not log:
                    target.sendall(data)
                    continue
                pending += data
                while b"\n" in pending:
                    line, pending = pending.split(b"\n", 1)
                    if line.upper().startswith(b"AUTH"):
                        source.sendall(b"500 Command not understood.\r\n")
                    else:
                        target.sendall(line + b"\n")
        except OSError:
            pass
        finally:
            close(source, target)

    def accept():
        while True:
            client, _ = public.accept()
            server = socket.create_connection(("127.0.0.1", inner))
            threading.Thread(target=pump, args=(client, server, True), daemon=True).start()
            threading.Thread(target=pump, args=(server, client, False), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()


def main():
    home, user, password = sys.argv[1:4]
    mode = sys.argv[4] if len(sys.argv) > 4 else "normal"
    port = int(sys.argv[5]) if len(sys.argv) > 5 else 0
    strip = mode.endswith("+strip")
    wire = mode.endswith("+wire") or strip
    if wire:
        mode = mode.rsplit("+", 1)[0]
        public = socket.create_server(("127.0.0.1", port))
        port = 0
    if mode.startswith("sftp"):
        import sftp_server
        sftp_server.serve(home, user, password, port, mode[5:] or "password")
        return
    if mode == "pure-ftpd":
        import pure_ftpd
        pure_ftpd.serve(home, user, password, port)
        return
    if mode.startswith("vsftpd"):
        import vsftpd
        tls = {"vsftpd": None, "vsftpd-tls": "offered", "vsftpd-tls-required": "required"}
        vsftpd.serve(home, user, password, port, tls[mode])
        return

    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, home, perm="elradfmw")
    handler = RefusingHandler if mode == "refuse" else FaultHandler
    if mode in ("tls", "tls-required", "tls-expired", "tls-other-name", "tls-forged"):
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

        class PatientTlsDTPHandler(TLS_DTPHandler):
            # pyftpdlib closes a data connection that is ready before its
            # STOR while its TLS handshake waits for the client: wait.
            def readable(self):
                return not self._ssl_established or super().readable()

        handler = TLS_FTPHandler
        handler.dtp_handler = PatientTlsDTPHandler
        handler.certfile = make_certificate(mode)
        handler.tls_control_required = handler.tls_data_required = mode == "tls-required"
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0
    handler.passive_ports = None
    if mode == "stall":
        handler.dtp_handler = StalledDTPHandler
    elif mode.startswith("slow:"):
        SteadyDTPHandler.read_limit = int(mode[5:])
        handler.dtp_handler = SteadyDTPHandler
    elif mode.startswith("cut:"):
        CuttingDTPHandler.cut_after = int(mode[4:])
        handler.dtp_handler = CuttingDTPHandler
    elif mode == "full":
        handler.dtp_handler = FullDiskDTPHandler
    elif mode == "raw":
        handler.dtp_handler = RawDTPHandler
    elif mode.startswith("late:"):
        LateDTPHandler.delay = float(mode[5:])
        handler.dtp_handler = LateDTPHandler
    elif mode == "echo-password":
        FaultHandler.echo_password = True
    elif mode == "hostile-banner":
        # pyftpdlib ends a long banner with its own "220 " line.
        handler.banner = ("welkom\x1b[2K\x1b[1A\rDe verbinding is versleuteld (TLS).\r\n220-" +
                          "x" * 3000)
    elif mode in ("refuse-stor", "no-size", "no-mdtm", "no-overwrite"):
        setattr(FaultHandler, mode.replace("-", "_"), True)
    elif mode.split(":")[0] in ("refuse-rnto", "drop-rnto", "lose-rnto", "down-rnto",
                                "slow-rnto"):
        FaultHandler.rnto_fault = (mode.split("-")[0], float(mode.split(":")[1]))

    server = FTPServer(("127.0.0.1", port), handler)
    if wire:
        record_wire(public, server.socket.getsockname()[1], os.path.join(home, "wire.log"), strip)
        server_port = public.getsockname()[1]
    else:
        server_port = server.socket.getsockname()[1]
    print("port %d" % server_port, flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
