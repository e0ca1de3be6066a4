#!/usr/bin/env python3
"""The arm64 Debian package against the amd64 one built from the same commit.

Usage: compare_packages.py AMD64_DEB ARM64_DEB
The arm64 package says arm64, has the amd64 one's fields (its Depends among them: both
architectures take theirs from the same library packages), holds the same files with the same
modes, and its programs are AArch64 programs. Each fault is one line; the status is 1 when there
is any.
"""
import io
import subprocess
import sys
import tarfile

FIELDS = ["Package", "Version", "Depends", "Section", "Maintainer", "Homepage"]
PROGRAMS = ["./usr/bin/ravelle-serial", "./usr/libexec/ravelle/ravelle"]
EM_AARCH64 = 183  # e_machine in the ELF header


def field(deb, name):
    return subprocess.run(["dpkg-deb", "-f", deb, name], check=True, capture_output=True,
                          text=True).stdout.strip()


def contents(deb):
    """Each file's path to its mode and kind, and the programs' ELF headers."""
    tar = subprocess.run(["dpkg-deb", "--fsys-tarfile", deb], check=True,
                         capture_output=True).stdout
    files, headers = {}, {}
    with tarfile.open(fileobj=io.BytesIO(tar)) as archive:
        for member in archive:
            files[member.name] = (member.mode, member.type)
            if member.name in PROGRAMS:
                headers[member.name] = archive.extractfile(member).read(20)
    return files, headers


def compare(amd64, arm64):
    faults = []
    if field(arm64, "Architecture") != "arm64":
        faults.append(f"{arm64} is not an arm64 package")
    for name in FIELDS:
        if field(amd64, name) != field(arm64, name):
            faults.append(f"the packages' {name} differ: {field(amd64, name)!r} in amd64, "
                          f"{field(arm64, name)!r} in arm64")
    (amd64_files, _), (arm64_files, headers) = contents(amd64), contents(arm64)
    for path in sorted(set(amd64_files) | set(arm64_files)):
        if amd64_files.get(path) != arm64_files.get(path):
            faults.append(f"{path}: {amd64_files.get(path)} in amd64, "
                          f"{arm64_files.get(path)} in arm64")
    for program in PROGRAMS:
        header = headers.get(program, b"")
        if header[:4] != b"\x7fELF" or int.from_bytes(header[18:20], "little") != EM_AARCH64:
            faults.append(f"{program[1:]} in the arm64 package is not an AArch64 program")
    return faults


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(f"usage: {sys.argv[0]} AMD64_DEB ARM64_DEB")
    try:
        faults = compare(*sys.argv[1:])
    except (subprocess.CalledProcessError, OSError, tarfile.TarError) as error:
        faults = [f"the packages cannot be read: {error}"]
    print("\n".join(faults) or f"the arm64 package matches the amd64 one; Depends: "
          f"{field(sys.argv[2], 'Depends')}")
    sys.exit(1 if faults else 0)
