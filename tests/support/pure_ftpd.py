"""Debian's pure-ftpd on 127.0.0.1, as a hosting company runs it with TLS
required (-Y 2) and its own certificate, started by ftp_server.py with the
mode "pure-ftpd". pure-ftpd switches to the account's user, so it needs
root.
"""
import os
import random
import subprocess

import hosting


def serve(home, user, password, port):
    daemon = hosting.unpacked("pure-ftpd", "usr/sbin/pure-ftpd")
    pure_pw = os.path.join(hosting.SERVERS, "pure-ftpd", "usr", "bin", "pure-pw")
    work = hosting.work_folder()
    certificate = hosting.certificate(work)
    hosting.give_to_nobody(home)
    users = os.path.join(work, "passwd")
    subprocess.run([pure_pw, "useradd", user, "-u", str(hosting.NOBODY), "-g",
                    str(hosting.NOBODY), "-d", home, "-f", users],
                   input="%s\n%s\n" % (password, password), text=True, check=True,
                   capture_output=True)
    subprocess.run([pure_pw, "mkdb", users + ".pdb", "-f", users], check=True,
                   capture_output=True)
    port = port or hosting.free_port()
    first = random.randrange(40000, 60000, 100)
    hosting.run([daemon, "-S", "127.0.0.1,%d" % port, "-l", "puredb:" + users + ".pdb", "-E",
                 "-A", "-Y", "2", "-2", certificate, "-p", "%d:%d" % (first, first + 99)],
                port, "pure-ftpd")
