"""A test FTP server (ftp_server.py, any of its modes) started for one check
of the desktop and Windows tests: its home with the website's folder
"httpdocs", its port, and what the website holds."""
import os
import subprocess


class FtpSite:
    """port: the port of an earlier server, for one that takes its place."""

    def __init__(self, script, home, password, mode="normal", port=0):
        os.makedirs(os.path.join(home, "httpdocs"))
        self.home = home
        self.proc = subprocess.Popen(["/usr/bin/python3", script, home, "club", password, mode,
                                      str(port)],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.port = int(self.proc.stdout.readline().split()[1])

    def files(self):
        """Every file under the home, relative to it, sorted."""
        return sorted(os.path.relpath(os.path.join(d, f), self.home)
                      for d, _, names in os.walk(self.home) for f in names)

    def read(self, name):
        with open(os.path.join(self.home, "httpdocs", name), "rb") as f:
            return f.read()

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)
