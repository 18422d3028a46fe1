#!/usr/bin/env python3
"""Checks a built DravelinInstall.exe as a user of the release would see it.

check_pe.py EXE [--machine i386|x64]
  the image format and machine (PE32 i386, or PE32+ x64), the GUI subsystem,
  imports from Windows system DLLs only (the program is linked statically),
  an icon group of three images (16, 32, 48 pixels), the German version
  record (language 0x0407, code page 1200) with its strings, and the
  manifest (resource 1 of type 24) asking for administrator rights.
Prints every finding; the exit code is the number of failed checks.
"""
import struct, sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll", "comdlg32.dll",
               "gdi32.dll", "msvcrt.dll", "comctl32.dll", "ole32.dll", "oleaut32.dll",
               "shlwapi.dll", "ntdll.dll", "ws2_32.dll", "version.dll", "bcrypt.dll"}
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24

failed = 0
def check(what, ok, found):
    global failed
    print(("ok: " if ok else "FAILED: ") + what + ": " + str(found))
    failed += 0 if ok else 1

def main():
    path = sys.argv[1]
    machine = sys.argv[3] if len(sys.argv) > 3 and sys.argv[2] == "--machine" else "i386"
    data = open(path, "rb").read()
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
    ddir = opt + (96 if magic == 0x10B else 112)
    sections = []
    for i in range(nsect):
        s = opt + optsize + 40 * i
        vsize, va, rawsize, raw = struct.unpack_from("<IIII", data, s + 8)
        sections.append((va, max(vsize, rawsize), raw))
    def off(rva):
        for va, size, raw in sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError("rva %x outside the image" % rva)
    def cstr(o):
        return data[o:data.index(b"\0", o)].decode("latin-1")

    imp_rva = struct.unpack_from("<I", data, ddir + 8)[0]
    dlls = []
    o = off(imp_rva) if imp_rva else None
    while o is not None:
        name_rva = struct.unpack_from("<I", data, o + 12)[0]
        if name_rva == 0:
            break
        dlls.append(cstr(off(name_rva)).lower())
        o += 20
    check("imports only Windows system DLLs", dlls and all(d in SYSTEM_DLLS for d in dlls), dlls)

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
    groups = [v for (t, _, _), v in res.items() if t == RT_GROUP_ICON]
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
    versions = [(lang, v) for (t, _, lang), v in res.items() if t == RT_VERSION]
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
        for key, want in (("FileVersion", "1.00"), ("ProductVersion", "1.00"), ("CompanyName", "TRELM AG"),
                          ("ProductName", "DravelinInstall"), ("InternalName", "DravelinInstall")):
            check(key, value(key) == want, value(key))
        blob = versions[0][1]
        i = blob.find("Translation".encode("utf-16-le"))
        tr = struct.unpack_from("<HH", blob, (i + 24 + 3) & ~3) if i >= 0 else None
        check("Translation 0x0407, 1200", tr == (0x0407, 1200), tr)
    manifests = {(n, lang): v for (t, n, lang), v in res.items() if t == RT_MANIFEST}
    check("one manifest, id 1", list(n for n, _ in manifests) == [1], list(manifests))
    m = manifests.get(next(iter(manifests), None), b"").decode("utf-8", "replace")
    check("manifest asks for administrator rights", 'level="requireAdministrator"' in m, m[m.find("<requestedExecutionLevel"):][:80])

if __name__ == "__main__":
    try:
        main()
    except Exception as e:  # a malformed image is a failed check, not a crash
        check("readable image", False, e)
    sys.exit(min(failed, 100))
