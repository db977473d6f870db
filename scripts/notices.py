#!/usr/bin/env python3
"""Writes the third-party notices for Tavrel.exe, from what its link took in.

    notices.py LINK_MAP DEBUG_FILE OUT

LINK_MAP is the linker's map of Tavrel.exe (build/app/Tavrel.map), DEBUG_FILE
its symbols (Tavrel.debug, or the unstripped program). The map names every
object file the link took in, each archive member among them; each file that
is not Tavrel's own is traced to the Debian package that installed it, and
must belong to one of the components below, or nothing is written and the
exit status is 1. A component's licence texts are taken from its package's
copyright file as installed: for the parts of mingw-w64, the paragraphs of
that file whose Files patterns match the sources of the objects linked in (as
the debug information names them), so that the notices follow the toolchain
the program was built with.
"""
import fnmatch
import os
import re
import subprocess
import sys
import textwrap

# Each component: the Debian packages it comes from (patterns of their names),
# the files of them it is linked in from, and what it does in Tavrel.exe.
# "sources" is where its objects' sources lie in the package's source tree, as
# the debug information and the copyright file name them; "always" names
# sources whose terms apply whatever the debug information shows (headers
# compiled into every object, and the import libraries, which carry no debug
# information), with the words the notices give them. "claims" matches the
# names of the compile units its objects bring: every compile unit in the
# program that is not Tavrel's own must be claimed by a component linked in,
# so that an object slipped in under another component's files is caught.
COMPONENTS = [
    {
        "name": "winpthreads (mingw-w64)",
        "packages": ["mingw-w64-i686-dev", "*winpthread*"],
        "files": ["libwinpthread.a", "libpthread.a"],
        "purpose": "POSIX threads on Windows: the threads, locks and condition variables "
                   "under the C++ standard library's threads and its exception handling.",
        "sources": "mingw-w64-libraries/winpthreads/",
        "claims": r"^mingw-w64-libraries/winpthreads/",
        "always": {"mingw-w64-libraries/winpthreads/include/pthread.h":
                   "its pthread.h, compiled into each of its objects"},
    },
    {
        "name": "mingw-w64 runtime",
        "packages": ["mingw-w64-i686-dev"],
        "files": ["crt2.o", "lib*.a"],
        "purpose": "The program's start-up and exit code (what runs before and after "
                   "WinMain), C99 number formatting, and the tables through which the "
                   "program calls Windows' own DLLs.",
        "sources": "mingw-w64-crt/",
        "claims": r"^mingw-w64-crt/",
        "always": {"mingw-w64-crt/lib-common/kernel32.def":
                   "the import libraries, made from its .def files"},
    },
    {
        "name": "GCC runtime libraries (libstdc++, libgcc)",
        "packages": ["g++-mingw-w64-i686-posix*", "gcc-mingw-w64-i686-posix*"],
        "files": ["libstdc++.a", "libsupc++.a", "libgcc.a", "libgcc_eh.a", "crtbegin.o", "crtend.o"],
        "claims": r"(^|/)(libgcc|libstdc\+\+-v3|gcc)/",
        "purpose": "The C++ standard library's exceptions, operator new and run-time type "
                   "information, and the compiler's support routines (64-bit division, "
                   "stack probes, unwinding).",
        "exception": "libstdc++ and libgcc are under the GNU General Public License, version 3 "
                     "or later, with the GCC Runtime Library Exception, version 3.1, which "
                     "permits distributing programs compiled with GCC under terms of one's "
                     "choice and asks for no notice.",
    },
]


def fail(message):
    print("notices: FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def linked_files(map_path):
    """The object files and archives the link took objects from (absolute paths), and
    whether any of Tavrel's own (relative paths, in the build folder) were among them."""
    found, own = set(), False
    with open(map_path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    members = text.split("\nDiscarded input sections", 1)[0]
    for line in members.splitlines()[1:]:
        # "archive(member)", then what referred to it, on the same line or the next.
        m = re.match(r"(\S+)\([^()]+\)$", line.split()[0]) if line[:1] not in ("", " ") else None
        if m:
            found.add(m.group(1))
    for m in re.finditer(r"^LOAD (.+\.o(bj)?)$", text, re.M):
        found.add(m.group(1))
    result = set()
    for path in found:
        if os.path.isabs(path):
            result.add(os.path.normpath(path))
        else:
            own = True
    return result, own


def owners(paths):
    """The Debian package that installed each path."""
    out = subprocess.run(["dpkg-query", "-S"] + sorted(paths), capture_output=True, text=True)
    owner = {}
    for line in out.stdout.splitlines():
        pkgs, _, path = line.partition(": ")
        owner[path] = pkgs.split(",")[0].split(":")[0].strip()
    return owner


def debug_sources(debug_path):
    """The source files of the compile units in the debug information, as recorded."""
    out = subprocess.run(["i686-w64-mingw32-objdump", "--dwarf=info", debug_path],
                         capture_output=True, text=True, check=True).stdout
    names, in_cu = set(), False
    for line in out.splitlines():
        if "DW_TAG_compile_unit" in line:
            in_cu = True
        elif in_cu and "DW_AT_name" in line:
            names.add(re.sub(r"^\./", "", line.split(": ")[-1].strip()))
            in_cu = False
    return names


def paragraphs(copyright_path):
    """A machine-readable copyright file's paragraphs, as dicts of field: text."""
    result = []
    with open(copyright_path, encoding="utf-8") as f:
        for block in re.split(r"\n\s*\n", f.read()):
            fields, key = {}, None
            for line in block.splitlines():
                if line.startswith("#"):
                    continue
                if line[:1] in (" ", "\t") and key:
                    fields[key] += "\n" + line
                elif ":" in line:
                    key, _, value = line.partition(":")
                    fields[key] = value.strip()
            if fields:
                result.append(fields)
    return result


def plain(text):
    """A field's continuation lines as text: the leading space off, "." as an empty line."""
    lines = [line[1:] if line[:1] == " " else line.strip() for line in text.splitlines()]
    return "\n".join("" if line.strip() == "." else line for line in lines)


def wrap(label, text):
    return textwrap.fill(text, 76, initial_indent=label, subsequent_indent="    ",
                         break_on_hyphens=False)


def licence_sections(copyright_path, sources):
    """For the given sources, the applying Files paragraphs' copyright and licence text,
    in the order of the file (the last paragraph matching a file applies)."""
    paras = paragraphs(copyright_path)
    texts = {p["License"].splitlines()[0].strip(): p["License"]
             for p in paras if "License" in p and "Files" not in p}
    chosen = {}
    for source, label in sources.items():
        match = None
        for i, p in enumerate(paras):
            if "Files" in p and any(fnmatch.fnmatchcase(source, pattern)
                                    for pattern in p["Files"].split()):
                match = i
        if match is None:
            fail("%s: no paragraph covers %s" % (copyright_path, source))
        chosen.setdefault(match, []).append(label)
    sections = []
    for i in sorted(chosen):
        p = paras[i]
        name, _, own_text = p["License"].partition("\n")
        name = name.strip()
        body = own_text if own_text.strip() else ""
        if not body:
            for part in re.split(r"\s+(?:and|or)\s+", name):
                if part not in texts:
                    fail("%s: the text of licence %s is not in it" % (copyright_path, part))
                body += texts[part].partition("\n")[2] + "\n"
        sections.append("%s\nCopyright: %s\nLicence: %s\n\n%s" % (
            wrap("For: ", ", ".join(chosen[i])),
            plain(" " + p.get("Copyright", "")).strip(), name, plain(body).rstrip()))
    return sections


def main(argv):
    if len(argv) != 4:
        sys.exit(__doc__)
    map_path, debug_path, out_path = argv[1:]
    files, own = linked_files(map_path)
    if not own:
        fail("%s names none of Tavrel's own objects; is it the map of Tavrel.exe?" % map_path)
    owner = owners(files)
    parts = {}
    for path in sorted(files):
        package = owner.get(path) or owner.get(os.path.realpath(path))
        if not package:
            fail("%s is linked into Tavrel.exe, and no Debian package installed it" % path)
        for c in COMPONENTS:
            if (any(fnmatch.fnmatchcase(package, p) for p in c["packages"]) and
                    any(fnmatch.fnmatchcase(os.path.basename(path), g) for g in c["files"])):
                parts.setdefault(c["name"], []).append(path)
                break
        else:
            fail("%s (Debian package %s) is linked into Tavrel.exe, and no notice covers it: "
                 "add its component to %s" % (path, package, os.path.abspath(__file__)))

    sources = debug_sources(debug_path)
    tree = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    for source in sorted(sources):
        if not os.path.exists(os.path.join(tree, source)) and not any(
                re.search(c["claims"], source) for c in COMPONENTS if c["name"] in parts):
            fail("%s, compiled into Tavrel.exe, is neither Tavrel's own source nor one of "
                 "the components linked in: add its component to %s"
                 % (source, os.path.abspath(__file__)))
    out = ["Third-party notices for Tavrel.exe", "",
           "Tavrel.exe is Tavrel's own code (see LICENSE) linked with the parts of the",
           "following components listed under each. Each component's terms are given",
           "as the copyright file of the Debian package it was built from states them."]
    for c in COMPONENTS:
        if c["name"] not in parts:
            continue
        packages = sorted({owner.get(f) or owner.get(os.path.realpath(f)) for f in parts[c["name"]]})
        versions = subprocess.run(["dpkg-query", "-W", "-f=${Package} ${Version}\n"] + packages,
                                  capture_output=True, text=True).stdout.strip().splitlines()
        copyright_path = "/usr/share/doc/%s/copyright" % packages[0]
        out += ["", "=" * 76, c["name"], "=" * 76, "",
                wrap("What it is for: ", c["purpose"]),
                wrap("Linked in from: ", ", ".join(sorted({os.path.basename(p)
                                                           for p in parts[c["name"]]}))),
                wrap("Debian package: ", ", ".join(versions))]
        if "exception" in c:
            with open(copyright_path, encoding="utf-8") as f:
                if "GCC Runtime Library Exception" not in f.read():
                    fail("%s no longer names the GCC Runtime Library Exception" % copyright_path)
            out += ["", textwrap.fill(c["exception"], 76)]
            continue
        linked = {s: s for s in sorted(sources) if s.startswith(c["sources"])}
        linked.update(c["always"])
        for section in licence_sections(copyright_path, linked):
            out += ["", "-" * 76, section]
    text = "\n".join(line.rstrip() for line in "\n".join(out).splitlines()) + "\n"
    with open(out_path, "w", encoding="utf-8") as f:
        f.write(text)
    print("notices: %s: %s" % (out_path, "; ".join(
        "%s (%d files)" % (name, len(paths)) for name, paths in parts.items())))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
