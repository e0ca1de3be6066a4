#!/usr/bin/env python3
"""What a Windows user gets in each program, read on this machine with the host's tools.

  windows_output_test.py imports EXE OBJDUMP
      EXE imports only DLLs that every Windows has: no MinGW runtime, libgomp or freeglut
      has to lie beside it.
  windows_output_test.py resources EXE VERSION WRESTOOL ICOTOOL
      EXE's icon group GLUT_ICON (the window's and Explorer's icon) has every size Windows
      asks for, its version resource names the program and VERSION, and its manifest targets
      Windows 10 and 11, runs as the user and leaves DPI scaling to Windows.
  windows_output_test.py installed PREFIX BUILD VERSION
      After a silent install into the Wine prefix PREFIX: Program Files\Ravelle holds BUILD's
      programs and their texts, the Start menu its three shortcuts, and the 64-bit view of
      the registry its Apps & features entry (read from PREFIX/system.reg, which Wine writes
      when its server ends).
  windows_output_test.py uninstalled PREFIX
      After the silent uninstall: none of those files, shortcuts or keys is left.

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
INSTALLED = ["LICENSE.txt", "README.txt", "THIRD-PARTY-NOTICES.txt", "Uninstall.exe",
             "ravelle-serial.exe", "ravelle.exe"]
SHORTCUTS = {"Ravelle": "ravelle.exe", "Ravelle (one thread)": "ravelle-serial.exe",
             "Uninstall": "Uninstall.exe"}
FOLDER = "drive_c/Program Files/Ravelle"
MENU = "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Ravelle"
UNINSTALL_KEY = r"software\microsoft\windows\currentversion\uninstall\ravelle"
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


def read(path):
    """A file's bytes; none when it is missing."""
    return open(path, "rb").read() if os.path.exists(path) else b""


def registry(prefix):
    """HKEY_LOCAL_MACHINE as Wine saves it: each key's lower-case path to its values by name
    (text unescaped, a dword as its number)."""
    def unescape(text):
        return re.sub(r"\\(.)", r"\1", text)

    keys, values = {}, {}
    with open(os.path.join(prefix, "system.reg"), encoding="utf-8", errors="replace") as saved:
        for line in saved:
            key = re.match(r"^\[(.*)\]( \d+)?$", line.rstrip("\n"))
            value = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line.rstrip("\n"))
            if key:
                values = keys.setdefault(unescape(key[1]).lower(), {})
            elif value:
                data = value[2]
                if data.startswith('"'):
                    data = unescape(data[1:-1])
                elif data.startswith("dword:"):
                    data = int(data[6:], 16)
                values[unescape(value[1])] = data
    return keys


def installed(prefix, build, version):
    faults = []
    folder, menu = os.path.join(prefix, FOLDER), os.path.join(prefix, MENU)
    files = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    if files != INSTALLED:
        return [f"Program Files\\Ravelle holds {files}, not {INSTALLED}"]
    for program in ("ravelle.exe", "ravelle-serial.exe"):
        if read(os.path.join(folder, program)) != read(os.path.join(build, program)):
            faults.append(f"the installed {program} is not the one built")
    if os.path.exists(os.path.join(prefix, "drive_c/Program Files (x86)/Ravelle")):
        faults.append("installed in Program Files (x86)")
    # A shortcut holds its target's path in the shell's own encodings; either will do.
    shortcuts = sorted(os.listdir(menu)) if os.path.isdir(menu) else []
    if shortcuts != sorted(f"{name}.lnk" for name in SHORTCUTS):
        faults.append(f"the Start menu holds {shortcuts}")
    for name, target in SHORTCUTS.items():
        text = read(os.path.join(menu, f"{name}.lnk"))
        target = f"C:\\Program Files\\Ravelle\\{target}"
        if target.encode() not in text and target.encode("utf-16-le") not in text:
            faults.append(f"the shortcut '{name}' does not start {target}")
    keys = registry(prefix)
    entry = keys.get(UNINSTALL_KEY, {})
    expected = {
        "DisplayName": "Ravelle",
        "DisplayVersion": version,
        "Publisher": "The Ravelle developers",
        "DisplayIcon": r"C:\Program Files\Ravelle\ravelle.exe",
        "UninstallString": r'"C:\Program Files\Ravelle\Uninstall.exe"',
    }
    for name, value in expected.items():
        if entry.get(name) != value:
            faults.append(f"the uninstall key's {name} is {entry.get(name)!r}, not {value!r}")
    # EstimatedSize is in KiB: the folder's size, rounded.
    kib = (sum(os.path.getsize(os.path.join(folder, file)) for file in files) + 1023) // 1024
    if abs(entry.get("EstimatedSize", 0) - kib) > 8:
        faults.append(f"EstimatedSize is {entry.get('EstimatedSize')} KiB for {kib} KiB of files")
    if UNINSTALL_KEY.replace("software", r"software\wow6432node", 1) in keys:
        faults.append("the uninstall key is in the 32-bit view")
    return faults


def uninstalled(prefix):
    faults = [f"left behind: {path}" for path in (FOLDER, MENU)
              if os.path.exists(os.path.join(prefix, path))]
    keys = registry(prefix)
    for key in (UNINSTALL_KEY, r"software\the ravelle developers"):
        if key in keys:
            faults.append(f"the key {key} is still there")
    return faults


if __name__ == "__main__":
    try:
        faults = {"imports": imports, "resources": resources, "installed": installed,
                  "uninstalled": uninstalled}[sys.argv[1]](*sys.argv[2:])
    except subprocess.CalledProcessError as error:
        faults = [f"{' '.join(error.cmd)} failed: {error.stderr.decode().strip()}"]
    except OSError as error:
        faults = [str(error)]
    except (struct.error, UnicodeDecodeError) as error:
        faults = [f"{sys.argv[2]}'s version resource cannot be read: {error}"]
    print("\n".join(faults) or f"{os.path.basename(sys.argv[2])}: {sys.argv[1]} as expected")
    sys.exit(1 if faults else 0)
