#!/usr/bin/env python3
"""Checks a built DravelinInstall.exe as a user of the release would see it.

check_pe.py EXE [--machine i386|x64] [--imports ALLOWLIST] --version TEXT
  the image format and machine (PE32 i386, or PE32+ x64), the GUI subsystem,
  an OS and subsystem version in the header that Windows XP accepts (5.1 for
  i386, 5.2 for x64), no debug sections, imports from Windows system DLLs
  only (the program is linked statically); with --imports every imported
  DLL!function printed and each one required in ALLOWLIST (one line per
  function: DLL!function and the oldest Windows that exports it, which
  must be XP or older),
  every resource filed under German (0x0407), an icon group of three images
  (16, 32, 48 pixels), the German version record (language 0x0407, code
  page 1200) with its strings, and the manifest (resource 1 of type 24)
  asking for administrator rights, depending on Common Controls 6.0.0.0,
  declaring DPI awareness, with a single namespace per element (the form
  Windows XP reads).
Prints every finding; the exit code is the number of failed checks.
"""
import argparse, os, re, struct, sys
import xml.etree.ElementTree as ET

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll", "comdlg32.dll",
               "gdi32.dll", "msvcrt.dll", "comctl32.dll", "ole32.dll", "oleaut32.dll",
               "shlwapi.dll", "ntdll.dll", "ws2_32.dll", "version.dll", "bcrypt.dll", "winspool.drv"}
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
# Header versions of the oldest Windows to run on: XP (i386), XP x64 (x64).
XP_VERSION = {"i386": (5, 1), "x64": (5, 2)}
# Windows versions an allow-list line may name: XP and older.
XP_OR_OLDER = {"95", "98", "NT4", "2000", "XP"}
GERMAN = 0x0407
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
WINDOWS_SETTINGS = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"

# The version record's other strings, kept once in tests/data.
VERSION_RECORD = [tuple(l.rstrip("\n").split("\t")) for l in open(
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "version_record.tsv"), encoding="utf-8")
    if l.strip() and not l.startswith("#")]

failed = 0
def check(what, ok, found):
    global failed
    print(("ok: " if ok else "FAILED: ") + what + ": " + str(found))
    failed += 0 if ok else 1

def read_allow_list(path):
    """ALLOWLIST -> {lower-case "dll!function": Windows version}"""
    allowed = {}
    for n, line in enumerate(open(path, encoding="ascii"), 1):
        line = line.split("#", 1)[0].split()
        if not line:
            continue
        if len(line) != 2 or "!" not in line[0] or line[1] not in XP_OR_OLDER:
            check("%s line %d: DLL!function and a Windows version up to XP" % (path, n), False, " ".join(line))
            continue
        allowed[line[0].lower()] = line[1]
    return allowed

def main():
    args = argparse.ArgumentParser()
    args.add_argument("exe")
    args.add_argument("--machine", choices=("i386", "x64"), default="i386")
    args.add_argument("--imports", metavar="ALLOWLIST")
    args.add_argument("--version", required=True, help="the version record's FileVersion and ProductVersion")
    args = args.parse_args()
    machine = args.machine
    data = open(args.exe, "rb").read()
    if data[:2] != b"MZ":
        check("an MZ/PE image", False, data[:4])
        return
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        check("a PE image", False, data[pe:pe + 4])
        return
    mach, nsect, _, _, _, optsize, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    want = (0x14C, 0x10B) if machine == "i386" else (0x8664, 0x20B)
    check("machine %s" % machine, mach == want[0], hex(mach))
    check("PE32" if machine == "i386" else "PE32+", magic == want[1], hex(magic))
    subsystem = struct.unpack_from("<H", data, opt + 68)[0]
    check("GUI subsystem", subsystem == 2, subsystem)
    os_version = struct.unpack_from("<HH", data, opt + 40)
    subsystem_version = struct.unpack_from("<HH", data, opt + 48)
    check("OS and subsystem version at most %d.%d" % XP_VERSION[machine],
          max(os_version, subsystem_version) <= XP_VERSION[machine], (os_version, subsystem_version))
    ddir = opt + (96 if magic == 0x10B else 112)
    sections, names = [], []
    symtab, nsyms = struct.unpack_from("<II", data, pe + 12)
    for i in range(nsect):
        s = opt + optsize + 40 * i
        name = data[s:s + 8].rstrip(b"\0").decode("latin-1")
        if name.startswith("/") and symtab:  # a long name, kept in the string table
            o = symtab + 18 * nsyms + int(name[1:])
            name = data[o:data.index(b"\0", o)].decode("latin-1")
        names.append(name)
        vsize, va, rawsize, raw = struct.unpack_from("<IIII", data, s + 8)
        sections.append((va, max(vsize, rawsize), raw))
    check("no debug sections", not any(n.startswith(".debug") for n in names), names)
    def off(rva):
        for va, size, raw in sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError("rva %x outside the image" % rva)
    def cstr(o):
        return data[o:data.index(b"\0", o)].decode("latin-1")

    imp_rva = struct.unpack_from("<I", data, ddir + 8)[0]
    dlls, functions = [], []
    thunk, ordinal_bit = (4, 0x80000000) if magic == 0x10B else (8, 1 << 63)
    o = off(imp_rva) if imp_rva else None
    while o is not None:
        lookup_rva, _, _, name_rva, iat_rva = struct.unpack_from("<IIIII", data, o)
        if name_rva == 0:
            break
        dll = cstr(off(name_rva))
        dlls.append(dll.lower())
        t = off(lookup_rva or iat_rva)
        while True:
            entry = struct.unpack_from("<I" if thunk == 4 else "<Q", data, t)[0]
            if entry == 0:
                break
            functions.append(dll + "!" + ("#%d" % (entry & 0xFFFF) if entry & ordinal_bit else cstr(off(entry) + 2)))
            t += thunk
        o += 20
    check("imports only Windows system DLLs", dlls and all(d in SYSTEM_DLLS for d in dlls), dlls)
    if args.imports:
        print("imported functions (%d):" % len(functions))
        for f in functions:
            print("  " + f)
        allowed = read_allow_list(args.imports)
        unlisted = [f for f in functions if f.lower() not in allowed]
        check("every imported function in %s" % args.imports, not unlisted,
              "not in the allow-list: " + " ".join(unlisted) if unlisted else len(functions))

    res_rva = struct.unpack_from("<I", data, ddir + 16)[0]
    if not res_rva:
        check("resources present", False, "none")
        return
    base = off(res_rva)
    def entries(o):
        named, ids = struct.unpack_from("<HH", data, o + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, o + 16 + 8 * i)
            yield name, target
    res = {}
    for typ, t in entries(base):
        for name, n in entries(base + (t & 0x7FFFFFFF)):
            for lang, l in entries(base + (n & 0x7FFFFFFF)):
                rva, size = struct.unpack_from("<II", data, base + l)
                res[(typ, name, lang)] = data[off(rva):off(rva) + size]
    check("every resource filed under German (0x0407)", all(lang == GERMAN for (_, _, lang) in res),
          sorted({hex(lang) for (_, _, lang) in res}))
    groups = [v for (t, _, _), v in res.items() if t == RT_GROUP_ICON]
    versions = [(lang, v) for (t, _, lang), v in res.items() if t == RT_VERSION]
    check("one icon group", len(groups) == 1, len(groups))
    if groups:
        g = groups[0]
        count = struct.unpack_from("<H", g, 4)[0]
        sizes, ids = [], []
        for i in range(count):
            w, h, _, _, _, bits, _, iid = struct.unpack_from("<BBBBHHIH", g, 6 + 14 * i)
            sizes.append((w or 256, h or 256, bits)); ids.append(iid)
        check("three icon images 16, 32, 48", sorted(s[:2] for s in sizes) == [(16, 16), (32, 32), (48, 48)], sizes)
        icons = {n for (t, n, _) in res if t == RT_ICON}
        check("every image of the group is there", set(ids) <= icons, (ids, sorted(icons)))
        check("one version record", len(versions) == 1, len(versions))
    if versions:
        text = versions[0][1].decode("utf-16-le", "replace")
        def value(key):
            i = text.find(key + "\0")
            if i < 0:
                return None
            j = i + len(key) + 1
            while j < len(text) and text[j] == "\0":
                j += 1
            return text[j:text.index("\0", j)]
        check("string table 040704B0 (German, Unicode)", "040704B0" in text or "040704b0" in text, "")
        for key, want in [("FileVersion", args.version), ("ProductVersion", args.version)] + VERSION_RECORD:
            check(key, value(key) == want, value(key))
        blob = versions[0][1]
        i = blob.find("Translation".encode("utf-16-le"))
        tr = struct.unpack_from("<HH", blob, (i + 24 + 3) & ~3) if i >= 0 else None
        check("Translation 0x0407, 1200", tr == (0x0407, 1200), tr)
    manifests = {(n, lang): v for (t, n, lang), v in res.items() if t == RT_MANIFEST}
    check("one manifest, id 1", list(n for n, _ in manifests) == [1], list(manifests))
    m = manifests.get(next(iter(manifests), None), b"").decode("utf-8", "replace")
    check("manifest asks for administrator rights", 'level="requireAdministrator"' in m, m[m.find("<requestedExecutionLevel"):][:80])
    check_manifest(m)

def check_manifest(m):
    # Each element declares at most one namespace and uses no prefix.
    tags = re.findall(r"<([A-Za-z_][\w.:-]*)([^>]*)>", m)
    mixed = [t for t, attrs in tags if ":" in t or len(re.findall(r"\bxmlns(?::[\w.-]+)?=", attrs)) > 1]
    check("manifest: one namespace per element, no prefixes", not mixed, mixed)
    try:
        root = ET.fromstring(m.encode("utf-8"))
    except ET.ParseError as e:
        check("manifest is well-formed XML", False, e)
        return
    ids = root.findall("%sdependency/%sdependentAssembly/%sassemblyIdentity" % (ASM_V1, ASM_V1, ASM_V1))
    cc6 = [i.attrib for i in ids if i.get("name") == "Microsoft.Windows.Common-Controls"]
    check("manifest: depends on Common Controls 6.0.0.0",
          len(cc6) == 1 and cc6[0].get("version") == "6.0.0.0" and cc6[0].get("type") == "win32"
          and cc6[0].get("publicKeyToken") == "6595b64144ccf1df", cc6)
    dpi = root.findall("%sapplication/%swindowsSettings/%sdpiAware" % (ASM_V3, ASM_V3, WINDOWS_SETTINGS))
    check("manifest: DPI aware", [d.text.strip().lower() for d in dpi] == ["true"], [d.text for d in dpi])

if __name__ == "__main__":
    try:
        main()
    except Exception as e:  # a malformed image is a failed check, not a crash
        check("readable image", False, e)
    sys.exit(min(failed, 100))
