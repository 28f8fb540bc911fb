"""The user guide's pictures are there and show the windows as they are now:
every picture the guide names exists and is a PNG, no picture lies unused,
and the window code recorded when they were made (schermafdrukken.txt) is
the code of today. After a change to a window: make screenshots.

    /usr/bin/python3 check_guide.py SOURCE_DIR
"""
import hashlib
import os
import re
import sys


def program_texts(source):
    """Per source file of the program, its string literals, adjacent ones
    joined as the compiler joins them, escapes read."""
    files = []
    for folder, _, names in os.walk(os.path.join(source, "src")):
        for name in sorted(names):
            if not name.endswith(".cpp"):
                continue
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                code = f.read()
            literals = []
            for group in re.findall(r'(?:"(?:[^"\\\n]|\\.)*"\s*)+', code):
                joined = "".join(re.findall(r'"((?:[^"\\\n]|\\.)*)"', group))
                joined = re.sub(r"\\u([0-9a-fA-F]{4})", lambda m: chr(int(m.group(1), 16)),
                                joined)
                literals.append(joined.replace('\\"', '"').replace("\\\\", "\\"))
            files.append(literals)
    return files


def shown(parts, files):
    """Whether one source file holds every part: one message, built in one
    place."""
    return any(all(any(part in text for text in literals) for part in parts)
               for literals in files)


def unquoted_messages(guide, files):
    """The messages the guide's tables quote (the first column of its section
    on messages) that the program never shows; "..." stands for what the
    program fills in (a button's "Zoek..." is the program's own)."""
    section = guide.split("## Meldingen en wat u eraan doet", 1)[1].split("\n## ", 1)[0]
    missing = []
    for row in re.findall(r"^\| (.+?) \|", section, re.M):
        if row in ("Melding", "Reden") or row.startswith("---"):
            continue
        for message in row.split(" / "):
            quoted = message.replace("`", "").replace("Zoek...", "Zoek\0")
            parts = [p.replace("Zoek\0", "Zoek...").strip(" ;:,.")
                     for p in re.split(r"\.\.\.|…", quoted)]
            if not shown([p for p in parts if len(p) >= 4], files):
                missing.append(message)
    return missing


def main():
    source = sys.argv[1]
    guide_path = os.path.join(source, "docs", "handleiding.md")
    pictures = os.path.join(source, "docs", "handleiding")
    with open(guide_path, encoding="utf-8") as f:
        guide = f.read()
    faults = []

    named = re.findall(r"!\[[^\]]*\]\(handleiding/([^)]+)\)", guide)
    if not named:
        faults.append("the guide names no picture")
    for name in named:
        path = os.path.join(pictures, name)
        if not os.path.isfile(path):
            faults.append("%s is named in the guide but missing" % name)
            continue
        with open(path, "rb") as f:
            if f.read(8) != b"\x89PNG\r\n\x1a\n":
                faults.append("%s is no PNG" % name)
    unused = sorted(set(n for n in os.listdir(pictures) if n.endswith(".png")) - set(named))
    if unused:
        faults.append("pictures the guide does not name: %s" % unused)

    stamp = os.path.join(pictures, "schermafdrukken.txt")
    with open(stamp, encoding="utf-8") as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            digest, path = line.split()
            with open(os.path.join(source, path), "rb") as code:
                if hashlib.sha256(code.read()).hexdigest() != digest:
                    faults.append("%s changed since the pictures were made" % path)

    for part in unquoted_messages(guide, program_texts(source)):
        faults.append("the guide quotes a text the program never shows: " + part)

    with open(os.path.join(source, "README.md"), encoding="utf-8") as f:
        top = "".join(f.readlines()[:12])
    if "docs/handleiding.md" not in top:
        faults.append("the README's first lines do not link the guide")

    if faults:
        sys.exit("FAILED:\n  " + "\n  ".join(faults) +
                 "\n(after changing a window, run make screenshots and look at the pictures)")
    print("the guide's %d pictures show today's windows" % len(named))


if __name__ == "__main__":
    main()
