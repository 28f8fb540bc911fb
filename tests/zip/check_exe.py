"""Reads back what Windows shows of the built programs: uploadtavrel.exe is a
window program (no console beside it) with its icon, Dutch version
information and a manifest (per-monitor DPI, long paths, the Windows
versions it supports, no administrator rights); tavrel-ftp.exe stays a
console program.

    /usr/bin/python3 check_exe.py BIN_DIR VERSION
"""
import struct
import sys

import pefile

GUI, CONSOLE = 2, 3
WINDOWS_10 = b"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"


def resources(pe, kind):
    """The data of every resource of this type, by its id."""
    found = {}
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if entry.id == kind:
            for item in entry.directory.entries:
                data = item.directory.entries[0].data.struct
                found[item.id] = pe.get_data(data.OffsetToData, data.Size)
    return found


def main():
    folder, version = sys.argv[1], sys.argv[2]
    faults = []

    def check(condition, what):
        if not condition:
            faults.append(what)

    program = pefile.PE(folder + "/uploadtavrel.exe")
    runner = pefile.PE(folder + "/tavrel-ftp.exe")
    check(program.OPTIONAL_HEADER.Subsystem == GUI, "uploadtavrel.exe is no window program")
    check(runner.OPTIONAL_HEADER.Subsystem == CONSOLE, "tavrel-ftp.exe is no console program")

    strings = {}
    for info in getattr(program, "FileInfo", [[]])[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                check(table.LangID == b"041304B0", "version information not in Dutch")
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    for key, value in {"ProductName": "UploadTavrel", "ProductVersion": version,
                       "FileVersion": version, "CompanyName": "UploadTavrel-ontwikkelaars",
                       "FileDescription": "Clubgegevens van de zwemclub naar de website",
                       "OriginalFilename": "uploadtavrel.exe"}.items():
        check(strings.get(key) == value, "%s is %r" % (key, strings.get(key)))
    fixed = program.VS_FIXEDFILEINFO[0]
    numbers = (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF, fixed.FileVersionLS >> 16)
    check(".".join(map(str, numbers)) == version, "file version numbers %s" % (numbers,))

    # The icon group: one entry per size, 0 standing for 256.
    groups = resources(program, pefile.RESOURCE_TYPE["RT_GROUP_ICON"])
    sizes = set()
    for group in groups.values():
        count = struct.unpack_from("<H", group, 4)[0]
        sizes |= {group[6 + 14 * i] or 256 for i in range(count)}
    check({16, 24, 32, 48, 256} <= sizes, "icon sizes %s" % sorted(sizes))

    manifests = resources(program, pefile.RESOURCE_TYPE["RT_MANIFEST"])
    manifest = manifests.get(1, b"")
    for needed in (b"PerMonitorV2", b"<longPathAware", b'level="asInvoker"', WINDOWS_10,
                   b'version="%s.0"' % version.encode()):
        check(needed in manifest, "the manifest lacks %s" % needed.decode())

    if faults:
        sys.exit("FAILED:\n  " + "\n  ".join(faults))
    print("uploadtavrel.exe: a window program with icon (%s), version %s and manifest"
          % (", ".join(map(str, sorted(sizes))), version))


if __name__ == "__main__":
    main()
