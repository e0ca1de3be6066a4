#!/usr/bin/env python3
"""Checks that a release archive carries the notice of every library linked into its programs.

Usage: notices_test.py ARCHIVE [--prefix PREFIX]... MAP...

The linker maps of the archive's programs name what went in. Each archive member or object
taken from outside the build folder must belong to a prefix built from Debian sources (which
keeps the source package's copyright file in share/doc/NAME/, with the list of archives it
built) or to an installed Debian package. The archive's THIRD-PARTY-NOTICES.txt, beside the
programs, must hold that copyright file's whole text in a section that names the file.
"""

import argparse
import os
import re
import subprocess
import sys
import zipfile

NOTICES = "THIRD-PARTY-NOTICES.txt"
PROGRAM = re.compile(r"(^|/)ravelle(-serial)?\.(exe|wasm)$")
# An absolute path starts a word: the build's own files are named relative to the build folder.
LINKED = re.compile(r"(?<![^\s(])(?:(/[^\s():]+\.a)\(|(/[^\s():]+\.(?:o|obj))\b)")
RULE = "=" * 72


def linked_files(map_path):
    """The absolute paths of the files the linker took from outside the map's build folder."""
    build_dir = os.path.dirname(os.path.abspath(map_path))
    with open(map_path, encoding="utf-8", errors="replace") as stream:
        text = stream.read()
    found = set()
    for match in LINKED.finditer(text):
        path = os.path.normpath(match.group(1) or match.group(2))
        if not path.startswith(build_dir + os.sep):
            found.add(path)
    return found


def owner_copyright(path, prefixes):
    """The copyright file that covers PATH, and who it belongs to."""
    for prefix in prefixes:
        if not path.startswith(os.path.normpath(prefix) + os.sep):
            continue
        docs = os.path.join(prefix, "share", "doc")
        for name in sorted(os.listdir(docs)) if os.path.isdir(docs) else []:
            listed = os.path.join(docs, name, "archives")
            if os.path.isfile(listed):
                with open(listed, encoding="utf-8") as stream:
                    if os.path.basename(path) in stream.read().split():
                        return os.path.join(docs, name, "copyright"), "source package " + name
        sys.exit(f"notices: {path} was built into {prefix}, which keeps no copyright file for it")
    for candidate in (path, os.path.realpath(path)):
        result = subprocess.run(["dpkg", "-S", candidate], capture_output=True, text=True,
                                check=False)
        if result.returncode == 0:
            package = result.stdout.split(": ")[0].split(",")[0].split(":")[0]
            return os.path.realpath(f"/usr/share/doc/{package}/copyright"), "package " + package
    sys.exit(f"notices: {path} is linked in, but no Debian package or source prefix owns it")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("archive")
    parser.add_argument("--prefix", action="append", default=[])
    parser.add_argument("maps", nargs="+")
    arguments = parser.parse_args()

    with zipfile.ZipFile(arguments.archive) as archive:
        names = archive.namelist()
        notices = [name for name in names if os.path.basename(name) == NOTICES]
        programs = [name for name in names if PROGRAM.search(name)]
        if len(notices) != 1:
            sys.exit(f"notices: {arguments.archive} holds {len(notices)} {NOTICES}, not one")
        if not programs:
            sys.exit(f"notices: {arguments.archive} holds no program")
        for program in programs:
            if os.path.dirname(program) != os.path.dirname(notices[0]):
                sys.exit(f"notices: {program} is not beside {notices[0]}")
        text = archive.read(notices[0]).decode("utf-8")

    # Each section: the header lines between two rules, then the copyright text.
    parts = text.split("\n" + RULE + "\n")
    sections = [(parts[i], parts[i + 1]) for i in range(1, len(parts) - 1, 2)]

    files = set()
    for map_path in arguments.maps:
        files |= linked_files(map_path)
    if not files:
        sys.exit("notices: the linker maps name no library at all")
    owners = set()
    for path in sorted(files):
        copyright, owner = owner_copyright(
            path, [os.path.abspath(p) for p in arguments.prefix if p])
        with open(copyright, encoding="utf-8") as stream:
            wanted = stream.read()
        name = os.path.basename(path)
        if not any(wanted in body and name in header.split() for header, body in sections):
            sys.exit(f"notices: {arguments.archive} lacks the notice of {name} ({owner}, "
                     f"{copyright}) in a section naming it")
        owners.add(owner)
    print(f"notices: {arguments.archive}: all {len(files)} linked files of "
          f"{len(owners)} packages have their notice ({', '.join(sorted(owners))})")


if __name__ == "__main__":
    main()
