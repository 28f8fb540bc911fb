"""Debian's vsftpd on 127.0.0.1 as hosting companies run it: a local account
locked into its home folder (chroot), passive mode, and TLS not offered
("vsftpd"), offered ("vsftpd-tls") or required ("vsftpd-tls-required"),
started by ftp_server.py with those modes. Plain vsftpd answers AUTH before
the login with 530.

vsftpd logs in through PAM and the system's accounts. The account and its
PAM service exist only in a mount namespace of the server's own, where the
copies made here are mounted over /etc/passwd, /etc/shadow and /etc/pam.d:
the machine's own files are never changed. That needs root, as vsftpd does.
"""
import os
import random
import shutil
import subprocess

import hosting


def serve(home, user, password, port, tls):
    daemon = hosting.unpacked("vsftpd", "usr/sbin/vsftpd")
    work = hosting.work_folder()
    etc = os.path.join(work, "etc")
    pam = os.path.join(etc, "pam.d")
    empty = os.path.join(work, "empty")
    os.makedirs(pam)
    os.makedirs(empty)
    shutil.copy("/etc/passwd", etc)
    shutil.copy("/etc/shadow", etc)
    hashed = subprocess.run(["openssl", "passwd", "-6", "-stdin"], input=password, text=True,
                            check=True, capture_output=True).stdout.strip()
    with open(os.path.join(etc, "passwd"), "a") as f:
        f.write("%s:x:%d:%d::%s:/usr/sbin/nologin\n" % (user, hosting.NOBODY, hosting.NOBODY,
                                                         home))
    with open(os.path.join(etc, "shadow"), "a") as f:
        f.write("%s:%s:19000:0:99999:7:::\n" % (user, hashed))
    with open(os.path.join(pam, "vsftpd-test"), "w") as f:
        f.write("auth required pam_unix.so\naccount required pam_permit.so\n")
    hosting.give_to_nobody(home)
    port = port or hosting.free_port()
    first = random.randrange(40000, 60000, 100)
    settings = {
        "listen": "YES", "listen_ipv6": "NO", "listen_address": "127.0.0.1",
        "listen_port": port, "background": "NO", "anonymous_enable": "NO",
        "local_enable": "YES", "write_enable": "YES", "local_umask": "022",
        "chroot_local_user": "YES", "allow_writeable_chroot": "YES",
        "pam_service_name": "vsftpd-test", "secure_chroot_dir": empty,
        "pasv_enable": "YES", "pasv_min_port": first, "pasv_max_port": first + 99,
        "isolate": "NO", "isolate_network": "NO", "seccomp_sandbox": "NO",
    }
    if tls:
        certificate = hosting.certificate(work)
        settings.update({
            "ssl_enable": "YES", "rsa_cert_file": certificate,
            "rsa_private_key_file": certificate,
            "force_local_logins_ssl": "YES" if tls == "required" else "NO",
            "force_local_data_ssl": "YES" if tls == "required" else "NO",
        })
    config = os.path.join(work, "vsftpd.conf")
    with open(config, "w") as f:
        f.writelines("%s=%s\n" % item for item in settings.items())
    mounts = " && ".join("mount --bind %s %s" % (os.path.join(etc, name), "/etc/" + name)
                         for name in ("passwd", "shadow", "pam.d"))
    hosting.run(["unshare", "--mount", "sh", "-c", mounts + ' && exec "$0" "$1"', daemon,
                 config], port, "vsftpd")
