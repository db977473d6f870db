#!/usr/bin/env python3
"""Checks Tavrel.exe as it is released, reading the PE file itself.

  check_release_exe.py CHECK EXE [FOLDER...]

CHECK is one of
  imports  it imports only from DLLs that every Windows has:
           KERNEL32, USER32, COMCTL32, dinput8 and msvcrt
  debug    it carries no debug sections and no symbol table
  paths    none of the FOLDERs (the folders it was built from) appears in it,
           in 8-bit or UTF-16 text
  header   its header names Windows 6.1 (Windows 7) as OS and subsystem
           version, the GUI subsystem, and a fixed time stamp (zero)
  all      every one of the above

Prints what it found; exits 1 when a check fails.
"""
import struct
import sys

SYSTEM_DLLS = {"KERNEL32.DLL", "USER32.DLL", "COMCTL32.DLL", "DINPUT8.DLL", "MSVCRT.DLL"}
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2


class Pe:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (_, nsections, self.timestamp, self.symtab, self.nsymbols, optsize,
         _) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        if struct.unpack_from("<H", data, opt)[0] != 0x10B:
            raise ValueError("not a 32-bit (PE32) image")
        (self.os_major, self.os_minor, _, _, self.subsys_major,
         self.subsys_minor) = struct.unpack_from("<6H", data, opt + 40)
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        self.import_rva = struct.unpack_from("<I", data, opt + 96 + 8)[0]
        self.sections = []
        for i in range(nsections):
            name, vsize, rva, rawsize, rawptr = struct.unpack_from(
                "<8sIIII", data, opt + optsize + 40 * i)
            name = name.rstrip(b"\0").decode("latin-1")
            if name.startswith("/"):
                # Longer than eight characters (.eh_frame, .debug_info): the
                # name is kept in the string table after the symbols.
                at = self.symtab + 18 * self.nsymbols + int(name[1:])
                name = data[at:data.index(b"\0", at)].decode("latin-1")
            self.sections.append((name, rva, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for _, start, size, rawptr in self.sections:
            if start <= rva < start + size:
                return rawptr + rva - start
        raise ValueError("RVA 0x%x lies in no section" % rva)

    def cstring(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("latin-1")

    def imports(self):
        names = []
        at = self.offset(self.import_rva)
        while True:
            descriptor = struct.unpack_from("<5I", self.data, at)
            if not any(descriptor):
                return names
            names.append(self.cstring(descriptor[3]))
            at += 20


def check_imports(pe, _):
    dlls = pe.imports()
    print("imports:", ", ".join(dlls))
    other = [d for d in dlls if d.upper() not in SYSTEM_DLLS]
    return ["imports from %s, which is not one of %s" % (d, sorted(SYSTEM_DLLS)) for d in other]


def check_debug(pe, _):
    names = [s[0] for s in pe.sections]
    print("sections:", " ".join(names))
    faults = []
    for name in names:
        if name.startswith((".debug", ".zdebug", ".gnu_debug", ".stab")):
            faults.append("has the debug section %s" % name)
    if pe.nsymbols:
        faults.append("has a symbol table of %d symbols" % pe.nsymbols)
    return faults


def check_paths(pe, folders):
    faults = []
    for folder in folders:
        folder = folder.rstrip("/")
        for form in (folder, folder.replace("/", "\\")):
            for encoded in (form.encode(), form.encode("utf-16-le")):
                if encoded in pe.data:
                    faults.append("contains the build folder %s (%d times)"
                                  % (form, pe.data.count(encoded)))
    print("folders looked for:", " ".join(folders) or "(none)")
    return faults


def check_header(pe, _):
    print("OS version %d.%d, subsystem %d version %d.%d, time stamp %d" % (
        pe.os_major, pe.os_minor, pe.subsystem, pe.subsys_major, pe.subsys_minor, pe.timestamp))
    faults = []
    if (pe.os_major, pe.os_minor) != (6, 1):
        faults.append("OS version is %d.%d, not 6.1" % (pe.os_major, pe.os_minor))
    if (pe.subsys_major, pe.subsys_minor) != (6, 1):
        faults.append("subsystem version is %d.%d, not 6.1" % (pe.subsys_major, pe.subsys_minor))
    if pe.subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        faults.append("subsystem is %d, not the GUI (2)" % pe.subsystem)
    if pe.timestamp != 0:
        faults.append("time stamp is %d, not the fixed 0" % pe.timestamp)
    return faults


CHECKS = {"imports": check_imports, "debug": check_debug, "paths": check_paths,
          "header": check_header}


def main(argv):
    if len(argv) < 3 or (argv[1] not in CHECKS and argv[1] != "all"):
        sys.exit(__doc__)
    check, exe, folders = argv[1], argv[2], argv[3:]
    with open(exe, "rb") as f:
        pe = Pe(f.read())
    faults = []
    for name in (CHECKS if check == "all" else [check]):
        faults += CHECKS[name](pe, folders)
    for fault in faults:
        print("FAIL: %s %s" % (exe, fault))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
