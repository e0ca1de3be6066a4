#!/usr/bin/env python3
"""Checks the files `cmake --install` puts under a staging root, as the Debian package holds them.

Usage: check_installed.py CHECK ROOT [ARGUMENT...]
  stage BUILD CMAKE      installs BUILD under an emptied ROOT/usr, as the package lays it out
  files LIST             ROOT/usr holds exactly the files and links LIST names
  copyright LICENSE      the copyright file's Expat paragraph is LICENSE's text, word for word
  metainfo-licence       the software-centre description names MIT as the project's licence
  libraries READELF      both programs load freeglut, Highway and libpng from the system, and
                         the serial one no OpenMP runtime
  desktop-entries DESKTOP_FILE_VALIDATE
                         two valid menu entries, each starting an installed program and showing
                         an installed 48x48 icon
  metainfo APPSTREAMCLI  the software-centre description is valid (no network)
  icons FILE             each icon is an 8-bit RGBA PNG of its folder's size
A failing check prints one line saying what is wrong and exits with status 1.
"""
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path

APPLICATIONS = "usr/share/applications"
METAINFO = "usr/share/metainfo"
ICONS = "usr/share/icons/hicolor"
PROGRAMS = ("usr/libexec/ravelle/ravelle", "usr/bin/ravelle-serial")
# Debian's shared libraries carry their licences in their own packages; a library linked in
# would need its notice in the copyright file too.
SYSTEM_LIBRARIES = ("libglut.so", "libhwy.so", "libpng16.so")


class Fault(Exception):
    pass


def found(root, folder, pattern):
    files = sorted((root / folder).glob(pattern))
    if not files:
        raise Fault(f"no {pattern} installed in /{folder}")
    return files


def run(*command):
    """The command's status and its output, stdout and stderr together, in one line."""
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True, env=dict(os.environ, LC_ALL="C"), check=False)
    return result.returncode, "; ".join(line.strip() for line in result.stdout.splitlines()
                                        if line.strip())


def stage(root, build, cmake):
    shutil.rmtree(root, ignore_errors=True)
    status, output = run(cmake, "--install", build, "--prefix", str(root / "usr"))
    if status != 0:
        raise Fault(f"cmake --install {build} fails: {output}")


def check_files(root, listed):
    usr = root / "usr"
    installed = {str(path.relative_to(usr)) for path in usr.rglob("*")
                 if path.is_symlink() or not path.is_dir()}
    expected = set(Path(listed).read_text().split())
    if installed != expected:
        raise Fault(f"the install holds {sorted(installed - expected)} beyond {listed} and lacks "
                    f"{sorted(expected - installed)}")


def check_copyright(root, licence):
    # A DEP-5 paragraph indents each line by one space and writes an empty line as " .".
    copyright_file = root / "usr/share/doc/ravelle/copyright"
    paragraphs = [p.split("\n") for p in re.split(r"\n\n+", copyright_file.read_text())]
    expat = [line for p in paragraphs if p[0] == "License: Expat" for line in p[1:]]
    if not expat:
        raise Fault(f"{copyright_file} has no Expat licence paragraph")
    expat = ["" if line == " ." else line.removeprefix(" ") for line in expat if line]
    text = Path(licence).read_text().splitlines()
    starts = [i for i, line in enumerate(text) if line.startswith("Permission is hereby granted")]
    text = text[starts[0]:] if starts else []
    for number, (ours, theirs) in enumerate(zip(expat, text), 1):
        if ours != theirs:
            raise Fault(f"the copyright file's Expat line {number} is {ours!r}, LICENSE says "
                        f"{theirs!r}")
    if len(expat) != len(text):
        raise Fault(f"the copyright file's Expat text has {len(expat)} lines, LICENSE's "
                    f"{len(text)}")


def check_metainfo_licence(root):
    for metainfo in found(root, METAINFO, "*.metainfo.xml"):
        try:
            licence = ElementTree.parse(metainfo).getroot().findtext("project_license")
        except ElementTree.ParseError as fault:
            raise Fault(f"{metainfo.name} is not XML: {fault}") from fault
        if licence != "MIT":
            raise Fault(f"{metainfo.name} names {licence!r} as the project licence, not MIT")


def check_libraries(root, readelf):
    for program in PROGRAMS:
        status, output = run(readelf, "-d", str(root / program))
        if status != 0:
            raise Fault(f"readelf cannot read /{program}: {output}")
        needed = re.findall(r"\(NEEDED\)[^[]*\[([^]]*)\]", output)
        for library in SYSTEM_LIBRARIES:
            if not any(name.startswith(library + ".") for name in needed):
                raise Fault(f"/{program} does not load {library}: linked in, it needs its notice")
        if program.endswith("-serial") and any(name.startswith("libgomp.") for name in needed):
            raise Fault(f"/{program} loads the OpenMP runtime")


def desktop_entry(path):
    """The keys of the [Desktop Entry] group."""
    keys, group = {}, None
    for line in path.read_text().splitlines():
        if line.startswith("["):
            group = line.strip()
        elif group == "[Desktop Entry]" and "=" in line and not line.startswith("#"):
            key, value = line.split("=", 1)
            keys[key.strip()] = value.strip()
    return keys


def check_desktop_entries(root, validator):
    entries = found(root, APPLICATIONS, "*.desktop")
    if len(entries) != 2:
        raise Fault(f"{len(entries)} menu entries in /{APPLICATIONS}, not two")
    for entry in entries:
        status, output = run(validator, str(entry))
        if status != 0:
            raise Fault(f"{entry.name} is not a valid desktop entry: {output}")
        keys = desktop_entry(entry)
        program = keys.get("Exec", "").split(" ")[0]
        if not program or not os.access(root / "usr/bin" / program, os.X_OK):
            raise Fault(f"{entry.name} starts {program!r}, not installed in /usr/bin")
        icon = keys.get("Icon", "")
        if not (root / ICONS / "48x48/apps" / f"{icon}.png").is_file():
            raise Fault(f"{entry.name} shows icon {icon!r}, not installed at 48x48")


def check_metainfo(root, appstreamcli):
    for metainfo in found(root, METAINFO, "*.metainfo.xml"):
        status, output = run(appstreamcli, "validate", "--no-net", str(metainfo))
        if status != 0:
            raise Fault(f"{metainfo.name} is not valid: {output}")


def check_icons(root, file_program):
    for icon in found(root, ICONS, "*/apps/*.png"):
        size = icon.parent.parent.name.replace("x", " x ")
        status, kind = run(file_program, "-b", str(icon))
        if status != 0 or not kind.startswith(f"PNG image data, {size}, 8-bit/color RGBA"):
            raise Fault(f"{icon.relative_to(root)} is not a {size} RGBA PNG: {kind}")


CHECKS = {"stage": stage, "files": check_files, "copyright": check_copyright,
          "metainfo-licence": check_metainfo_licence, "libraries": check_libraries,
          "desktop-entries": check_desktop_entries, "metainfo": check_metainfo,
          "icons": check_icons}

if __name__ == "__main__":
    if len(sys.argv) < 3 or sys.argv[1] not in CHECKS:
        sys.exit(f"usage: {sys.argv[0]} {{{','.join(CHECKS)}}} ROOT [ARGUMENT...]")
    try:
        CHECKS[sys.argv[1]](Path(sys.argv[2]), *sys.argv[3:])
    except (Fault, OSError) as fault:
        print(f"output: {fault}")
        sys.exit(1)
