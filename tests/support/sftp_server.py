"""A real SFTP server on 127.0.0.1 for the tests (asyncssh), started by
ftp_server.py with the mode "sftp".

Serves HOME to USER (by one login method only, see serve) on a free port
(or PORT), with a host key made anew for each start, and prints "port N"
once it listens.
The login folder is HOME itself, as a hosting account's is; like OpenSSH's
server, it will not rename over an existing file.
"""
import asyncio
import os
import warnings

warnings.simplefilter("ignore")  # asyncssh names ciphers the cryptography package deprecates

import asyncssh  # noqa: E402


def serve(home, user, password, port, method="password"):
    """method: how the account logs in, the only way the server offers:
    "password", "keyboard-interactive" (the password asked as a prompt), or
    "publickey:FILE" (the public key in FILE)."""
    authorized = None
    if method.startswith("publickey:"):
        authorized = asyncssh.read_public_key(method.split(":", 1)[1])

    class Server(asyncssh.SSHServer):
        def begin_auth(self, username):
            return True

        def password_auth_supported(self):
            return method == "password"

        def validate_password(self, username, given):
            return username == user and given == password

        def kbdint_auth_supported(self):
            return method == "keyboard-interactive"

        def get_kbdint_challenge(self, username, lang, submethods):
            return "", "", "", [("Wachtwoord: ", False)]

        def validate_kbdint_response(self, username, responses):
            return username == user and list(responses) == [password]

        def public_key_auth_supported(self):
            return authorized is not None

        def validate_public_key(self, username, key):
            return username == user and key == authorized

    class Sftp(asyncssh.SFTPServer):
        def __init__(self, chan):
            super().__init__(chan, chroot=home.encode())

    async def start():
        key = asyncssh.generate_private_key("ssh-ed25519")
        server = await asyncssh.create_server(Server, "127.0.0.1", port, server_host_keys=[key],
                                              sftp_factory=Sftp, allow_scp=False)
        print("port %d" % server.sockets[0].getsockname()[1], flush=True)
        await server.wait_closed()

    os.umask(0o022)
    asyncio.run(start())

