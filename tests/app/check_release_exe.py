#!/usr/bin/env python3
"""Checks Tavrel.exe as it is released, reading the PE file itself.

  check_release_exe.py CHECK EXE [FOLDER...]

CHECK is one of
  imports  it imports only from DLLs that every Windows has:
           KERNEL32, USER32, GDI32, COMCTL32, dinput8 and msvcrt
  debug    it carries no debug sections and no symbol table
  paths    none of the FOLDERs (the folders it was built from) appears in it,
           in 8-bit or UTF-16 text
  header   its header names Windows 6.1 (Windows 7) as OS and subsystem
           version, the GUI subsystem, and a fixed time stamp (zero)
  manifest it carries an application manifest (RT_MANIFEST 1) that asks for
           Common Controls 6, per-monitor (v2) DPI awareness falling
           back to system-wide (and system-wide for Windows 7 to 8.1),
           Windows 7, 8, 8.1 and 10/11 as supported, and the invoker's rights
  all      every one of the above
  manifest-selftest
           the manifest check fails on Tavrel.exe's own manifest with any one
           of those entries taken out

Prints what it found; exits 1 when a check fails.
"""
import re
import struct
import sys
import xml.etree.ElementTree as ET

SYSTEM_DLLS = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "COMCTL32.DLL", "DINPUT8.DLL",
               "MSVCRT.DLL"}
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
RT_MANIFEST = 24

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
DPI_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
DPI_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


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
        self.resource_rva = struct.unpack_from("<I", data, opt + 96 + 16)[0]
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

    def resource(self, rtype, rid):
        """The bytes of the resource of that numeric type and id (any language), or None."""
        if not self.resource_rva:
            return None
        root = self.offset(self.resource_rva)

        def entry(directory, wanted):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                if wanted is None or name == wanted:
                    return target
            return None

        at = root
        for wanted in (rtype, rid, None):
            target = entry(at, wanted)
            if target is None:
                return None
            at = root + (target & 0x7FFFFFFF)
        rva, size = struct.unpack_from("<II", self.data, at)
        start = self.offset(rva)
        return self.data[start:start + size]


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


def manifest_faults(text):
    """What the manifest text lacks of the entries Tavrel depends on."""
    try:
        root = ET.fromstring(text)
    except ET.ParseError as e:
        return ["its manifest is not well-formed XML (%s)" % e]
    faults = []
    controls = [a for a in root.iter(ASM_V1 + "assemblyIdentity")
                if a.get("name") == "Microsoft.Windows.Common-Controls"
                and a.get("version") == "6.0.0.0"
                and a.get("publicKeyToken") == "6595b64144ccf1df"]
    if not controls:
        faults.append("its manifest has no dependency on Common Controls 6.0.0.0")
    awareness = [e.text or "" for e in root.iter(DPI_2016 + "dpiAwareness")]
    kinds = [k.strip().lower() for k in awareness[0].split(",")] if awareness else []
    if kinds[:1] != ["permonitorv2"] or "system" not in kinds:
        faults.append("its manifest's dpiAwareness is %r, not per-monitor v2 then system"
                      % (awareness[0] if awareness else None))
    aware = [(e.text or "").strip().lower() for e in root.iter(DPI_2005 + "dpiAware")]
    if aware != ["true"]:
        faults.append("its manifest's dpiAware (Windows 7 to 8.1) is %r, not true" % aware)
    listed = {(e.get("Id") or "").lower() for e in root.iter(COMPAT + "supportedOS")}
    for guid, name in SUPPORTED_OS.items():
        if guid not in listed:
            faults.append("its manifest does not name %s as supported" % name)
    levels = [e.get("level") for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
    if levels != ["asInvoker"]:
        faults.append("its manifest's requested execution level is %r, not asInvoker" % levels)
    return faults


def manifest_text(pe):
    data = pe.resource(RT_MANIFEST, 1)
    return None if data is None else data.decode("utf-8")


def check_manifest(pe, _):
    text = manifest_text(pe)
    if text is None:
        return ["carries no application manifest (RT_MANIFEST 1)"]
    print("manifest: %d bytes" % len(text))
    return manifest_faults(text)


# Each entry the manifest check must miss, as a pattern that takes it out of
# Tavrel.exe's own manifest.
ENTRIES = {
    "Common Controls 6": r'<dependency>.*?</dependency>',
    "per-monitor v2 awareness": r'PerMonitorV2, ',
    "system-wide awareness after it": r', system',
    "dpiAware": r'<dpiAware .*?</dpiAware>',
    "asInvoker": r'<trustInfo .*?</trustInfo>',
}
ENTRIES.update({name: r'<supportedOS Id="%s"/>' % guid for guid, name in SUPPORTED_OS.items()})


def check_manifest_selftest(pe, _):
    text = manifest_text(pe)
    if text is None:
        return ["carries no application manifest (RT_MANIFEST 1)"]
    faults = ["the manifest check finds fault with the whole manifest: %s" % f
              for f in manifest_faults(text)]
    for name, pattern in ENTRIES.items():
        without, n = re.subn(pattern, "", text, count=1, flags=re.S)
        if n != 1:
            faults.append("the manifest has no %s entry to take out" % name)
        elif not manifest_faults(without):
            faults.append("the manifest check passes a manifest without %s" % name)
        else:
            print("without %s: caught" % name)
    return faults


CHECKS = {"imports": check_imports, "debug": check_debug, "paths": check_paths,
          "header": check_header, "manifest": check_manifest,
          "manifest-selftest": check_manifest_selftest}


ALL = ["imports", "debug", "paths", "header", "manifest"]


def main(argv):
    if len(argv) < 3 or (argv[1] not in CHECKS and argv[1] != "all"):
        sys.exit(__doc__)
    check, exe, folders = argv[1], argv[2], argv[3:]
    with open(exe, "rb") as f:
        pe = Pe(f.read())
    faults = []
    for name in (ALL if check == "all" else [check]):
        faults += CHECKS[name](pe, folders)
    for fault in faults:
        print("FAIL: %s %s" % (exe, fault))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
