#!/usr/bin/env python3
"""What a Windows user gets in each program, read on this machine with the host's tools.

  windows_output_test.py imports EXE OBJDUMP
      EXE imports only DLLs that every Windows has: no MinGW runtime, libgomp or freeglut
      has to lie beside it.
  windows_output_test.py resources EXE VERSION WRESTOOL ICOTOOL
      EXE's icon group GLUT_ICON (the window's and Explorer's icon) has every size Windows
      asks for, its version resource names the program and VERSION, and its manifest targets
      Windows 10 and 11, runs as the user and leaves DPI scaling to Windows.

Each fault is one line on stdout; the status is 1 when there is any.
"""
import os
import re
import struct
import subprocess
import sys
import tempfile

SYSTEM_DLLS = re.compile(r"^(KERNEL32|USER32|GDI32|OPENGL32|WINMM|msvcrt|ADVAPI32)\.dll$", re.I)
ICON_SIZES = [16, 24, 32, 48, 64, 256]
WINDOWS_10_AND_11 = '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>'


def run(*command):
    return subprocess.run(command, check=True, capture_output=True).stdout


def imports(exe, objdump):
    dlls = sorted(set(re.findall(r"^\tDLL Name: (\S+)$", run(objdump, "-p", exe).decode(), re.M)))
    if not dlls:
        return [f"{exe}: objdump found no imported DLLs"]
    if all(SYSTEM_DLLS.match(dll) for dll in dlls):
        return []
    return [f"{os.path.basename(exe)} imports more than the system's DLLs: {' '.join(dlls)}"]


def version_strings(data):
    """The String entries of a VS_VERSIONINFO resource, key to value.

    Every node is a length, the value's length (in characters for text), a type (1 for text),
    a NUL-ended UTF-16 key, and then the value and the children, each aligned to 4 bytes.
    """
    strings = {}
    if not data:
        return strings

    def node(offset):
        length, value_length, text = struct.unpack_from("<HHH", data, offset)
        end = offset + length
        key_end = offset + 6
        while data[key_end : key_end + 2] != b"\0\0":
            key_end += 2
        key = data[offset + 6 : key_end].decode("utf-16-le")
        position = (key_end + 2 + 3) & ~3
        size = value_length * 2 if text else value_length
        if text and value_length:
            strings[key] = data[position : position + size].decode("utf-16-le").split("\0")[0]
        position = (position + size + 3) & ~3
        while position < end:
            position = (node(position) + 3) & ~3
        return end

    node(0)
    return strings


def resources(exe, version, wrestool, icotool):
    program = os.path.basename(exe)
    faults = []
    if not re.search(r"^--type=14 --name='GLUT_ICON' ", run(wrestool, "-l", exe).decode(), re.M):
        faults.append(f"{program} has no icon group named GLUT_ICON")
    else:
        with tempfile.NamedTemporaryFile(suffix=".ico") as icon:
            icon.write(run(wrestool, "-x", "--type=14", "--name=GLUT_ICON", exe))
            icon.flush()
            listing = run(icotool, "-l", icon.name).decode()
        sizes = sorted(int(width) for width in re.findall(r"--width=(\d+) ", listing))
        if sizes != ICON_SIZES:
            faults.append(f"{program}'s icon has the sizes {sizes}, not {ICON_SIZES}")

    strings = version_strings(run(wrestool, "-x", "--raw", "--type=16", exe))
    expected = {
        "FileVersion": version,
        "ProductVersion": version,
        "ProductName": "Ravelle",
        "OriginalFilename": program,
    }
    for key, value in expected.items():
        if strings.get(key) != value:
            faults.append(f"{program}'s {key} is {strings.get(key)!r}, not {value!r}")
    if not strings.get("LegalCopyright", "").startswith("Copyright"):
        faults.append(f"{program}'s LegalCopyright is {strings.get('LegalCopyright')!r}")
    if not strings.get("FileDescription"):
        faults.append(f"{program} has no FileDescription")

    manifest = run(wrestool, "-x", "--raw", "--type=24", "--name=1", exe).decode()
    if WINDOWS_10_AND_11 not in manifest:
        faults.append(f"{program}'s manifest does not name Windows 10 and 11")
    if 'level="asInvoker"' not in manifest:
        faults.append(f"{program}'s manifest is not asInvoker")
    if "dpiaware" in manifest.lower():
        faults.append(f"{program}'s manifest declares DPI awareness")
    return faults


if __name__ == "__main__":
    try:
        faults = {"imports": imports, "resources": resources}[sys.argv[1]](*sys.argv[2:])
    except subprocess.CalledProcessError as error:
        faults = [f"{' '.join(error.cmd)} failed: {error.stderr.decode().strip()}"]
    except (struct.error, UnicodeDecodeError) as error:
        faults = [f"{sys.argv[2]}'s version resource cannot be read: {error}"]
    print("\n".join(faults) or f"{os.path.basename(sys.argv[2])}: {sys.argv[1]} as expected")
    sys.exit(1 if faults else 0)
