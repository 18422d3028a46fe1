#!/usr/bin/env python3
"""One end-to-end scenario of the installer under wine64 and Xvfb.

scenario.py NAME BUILD_DIR
The Win64 DravelinInstall.exe runs in a throwaway Wine prefix, in the package
folder "C:\\Paket Dravelin\\" with the monitor's set-up stand-in in printer\\,
while the UI driver answers its message boxes and its file dialog. Afterwards
the registry (parsed from the prefix's system.reg: types and bytes) and the
files it left are checked, and everything else is compared with the state
before the run.
"""
import json, os, re, shutil, subprocess, sys, tempfile

NAME, BUILD = sys.argv[1], os.path.abspath(sys.argv[2])
HERE = os.path.dirname(os.path.abspath(__file__))
WINERUN = os.path.join(HERE, "..", "wine", "winerun")
E2E = os.path.join(BUILD, "tests", "e2e")
INSTALLER = os.path.join(BUILD, "DravelinInstall.exe")
if not os.path.exists(INSTALLER):
    INSTALLER = os.path.join(BUILD, "installer", "DravelinInstall.exe")

TITLE = "Installation DUR-Orarudi"
EXISTING = "Der DUR-Orarudi ist bereits installiert.\n\nVor einer neuen Installation müssen Sie ihn in der Systemsteuerung manuell entfernen!"
GS_QUESTION = "Das Programm 'Ghostscript' wurde nicht gefunden.\n\nIst dieses Programm bereits installiert?"
DOWNLOAD = ("Bitte laden und installieren Sie Ghostscript, bevor Sie\ndie Installation des PDF-Druckers fortsetzen.\n\n"
            "Ghostscript ist kostenlos und wird für die Erzeugung\nvon PDF-Dateien benötigt.\n\nMöchten Sie Ghostscript jetzt laden?")
REDMON = "Die Druckeranschluß-Umleitung (Redmon) wurde nicht korrekt installiert."
PRINT = r"system\currentcontrolset\control\print"
MONITOR = PRINT + r"\monitors\redirected port"
PORT = MONITOR + r"\ports\dravelin:"
DRIVERDATA = PRINT + r"\printers\dur-orarudi\printerdriverdata"
GS_DEFAULT = r"C:\Program Files\gs\gs10.00\bin\gswin32c.exe"
PRINTER_DATA = bytes.fromhex("02 05 30 02 01 0B 00 00 00 48 E8 01 00 00 00 00"
                             " 2C 01 00 00 64 00 58 02 00 00 00 00 00 00 00 00"
                             " 00 00 00 00 00 00 10 00 62 E8 C3 B3 00") + bytes(515)
assert len(PRINTER_DATA) == 560

failures = []
def check(what, ok, detail=""):
    print(("ok: " if ok else "FAILED: ") + what + ("" if ok else "  " + detail))
    if not ok:
        failures.append(what)

def parse_reg(path):
    """system.reg -> {lower-case key: {lower-case name: (type, bytes)}}"""
    keys, cur = {}, None
    text = open(path, encoding="utf-8", errors="replace").read().replace("\\\n  ", "")
    for line in text.splitlines():
        m = re.match(r"^\[(.*)\] \d+", line)
        if m:
            cur = keys.setdefault(m.group(1).replace("\\\\", "\\").lower(), {})
            continue
        m = re.match(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$', line)
        if not m or cur is None:
            continue
        name = "" if m.group(1) == "@" else m.group(1)[1:-1].replace('\\"', '"').replace("\\\\", "\\")
        v = m.group(2)
        if v.startswith('"'):
            s = v[1:-1].encode("latin-1", "backslashreplace").decode("unicode_escape")
            cur[name.lower()] = (1, s.encode("cp1252") + b"\0")
        elif v.startswith("str(2):"):
            s = v[8:-1].encode("latin-1", "backslashreplace").decode("unicode_escape")
            cur[name.lower()] = (2, s.encode("cp1252") + b"\0")
        elif v.startswith("dword:"):
            cur[name.lower()] = (4, int(v[6:], 16).to_bytes(4, "little"))
        else:
            m2 = re.match(r"hex(?:\((\w+)\))?:(.*)", v)
            if m2:
                t = int(m2.group(1), 16) if m2.group(1) else 3
                data = bytes(int(x, 16) for x in m2.group(2).split(",") if x.strip())
                cur[name.lower()] = (t, data)
    return keys

def print_tree(keys):
    return {k: v for k, v in keys.items() if k.startswith(PRINT)}

def file_tree(drive_c):
    out = {}
    for root, dirs, files in os.walk(drive_c):
        rel = os.path.relpath(root, drive_c)
        if rel.split(os.sep)[0].lower() in ("windows", "users", "programdata"):
            continue
        for d in dirs:
            out[os.path.join(rel, d).lower()] = "dir"
        for f in files:
            p = os.path.join(root, f)
            out[os.path.join(rel, f).lower()] = open(p, "rb").read()
    return out

def winerun(prefix, *args):
    env = dict(os.environ, WINERUN_KEEP=prefix)
    return subprocess.run([WINERUN, *args], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)

# The installer and the UI driver side by side, in one session of the Wine
# runner (its prefix, display and locale); the results come back as JSON.
SIDE_BY_SIDE = r"""
import json, os, subprocess, sys
wine, installer, driver, log, result, *steps = [os.environ["WINERUN_WINE"]] + sys.argv[1:]
inst = subprocess.Popen([wine, installer], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
drv = subprocess.Popen([wine, driver, "Z:" + log.replace("/", "\\"), *steps],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) if steps else None
timed_out = False
try:
    out, _ = inst.communicate(timeout=90)
except subprocess.TimeoutExpired:
    inst.kill()
    out, _ = inst.communicate()
    timed_out = True
drv_rc = drv.wait(timeout=60) if drv else 0
json.dump({"rc": inst.returncode, "drv_rc": drv_rc, "out": out.decode("utf-8", "replace"),
           "timed_out": timed_out}, open(result, "w"))
"""

def run_installer(prefix, progdir_unix, steps, log, locale="C.UTF-8"):
    result = log + ".result.json"
    env = dict(os.environ, WINERUN_KEEP=prefix, WINERUN_LOCALE=locale, WINEDEBUG="fixme+cacls")
    subprocess.run([WINERUN, "--host", sys.executable, "-c", SIDE_BY_SIDE,
                    os.path.join(progdir_unix, "DravelinInstall.exe"), os.path.join(E2E, "uidriver.exe"),
                    log, result, *steps], env=env, stdout=subprocess.DEVNULL, timeout=240)
    r = json.load(open(result))
    if r["timed_out"]:
        check("installer ends in bounded time", False)
    return r["rc"], r["drv_rc"], r["out"]

def boxes(log):
    """The message boxes the driver saw: [(caption, text, [buttons])]"""
    seen, cur, lines = [], None, open(log, encoding="utf-8").read().split("\n")
    i = 0
    while i < len(lines):
        l = lines[i]
        if l.startswith("caption "):
            cur = [l[8:], "", []]; seen.append(cur)
        elif l == "text-begin":
            j = lines.index("text-end", i)
            cur[1] = "\n".join(lines[i + 1:j]); i = j
        elif l.startswith("button "):
            cur[2].append(l.split(" ", 2)[2])
        i += 1
    return seen

def expected_script(gs, progdir):
    d = lambda s: s.replace("%", "%%")
    lines = ["@echo off", r"set file=c:\Daten\PDF\print.pdf",
             '"' + d(gs) + '" @"' + d(progdir + "printer\\") + 'Merovast.rsp" -sOutputFile="%file%" -c save pop .setpdfwrite -f -',
             '"' + d(progdir) + "Dravelin" + '.exe"']
    return "".join(l + "\r\n" for l in lines).encode("cp437")

def main():
    work = tempfile.mkdtemp(prefix="e2e-" + NAME + ".")
    prefix = os.path.join(work, "prefix")
    try:
        winerun(prefix, "cmd", "/c", "echo", "ready")
        drive_c = os.path.join(prefix, "drive_c")
        progdir_win = "C:\\Paket Dravelin\\"
        progdir = os.path.join(drive_c, "Paket Dravelin")
        os.makedirs(os.path.join(progdir, "printer"))
        shutil.copy(INSTALLER, os.path.join(progdir, "DravelinInstall.exe"))
        shutil.copy(os.path.join(E2E, "redmon_setup_standin.exe"), os.path.join(progdir, "printer", "setup.exe"))
        gs = GS_DEFAULT
        steps = []
        if NAME not in ("cancel", "nono", "dialog"):
            os.makedirs(os.path.join(drive_c, "Program Files", "gs", "gs10.00", "bin"))
            shutil.copy(os.path.join(E2E, "uidriver.exe"), os.path.join(drive_c, "Program Files", "gs", "gs10.00", "bin", "gswin32c.exe"))
        if NAME in ("existing", "existing_utf8"):
            winerun(prefix, "reg", "add", r"HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers\DUR-Orarudi",
                    "/v", "Name", "/t", "REG_SZ", "/d", "DUR-Orarudi", "/f")
            steps = ["box:ok"]
        elif NAME == "cancel":
            steps = ["box:cancel"]
        elif NAME == "nono":
            steps = ["box:no", "box:no"]
        elif NAME == "dialog":
            gs = r"C:\Tools\gs\gswin32c.exe"
            os.makedirs(os.path.join(drive_c, "Tools", "gs"))
            shutil.copy(os.path.join(E2E, "uidriver.exe"), os.path.join(drive_c, "Tools", "gs", "gswin32c.exe"))
            steps = ["box:yes", "file:" + gs]
        elif NAME == "nomonitor":
            open(os.path.join(progdir, "printer", "register.off"), "w").close()
            steps = ["box:ok"]
        elif NAME == "scriptfails":
            os.makedirs(os.path.join(progdir, "Merovast.cmd"))
            steps = ["box:ok"]
        before_reg = print_tree(parse_reg(os.path.join(prefix, "system.reg")))
        before_files = file_tree(drive_c)
        log = os.path.join(work, "ui.log")
        open(log, "w").close()
        # existing_utf8: a Unix locale of a language without an ANSI code page
        # (Hindi), for which Wine makes the ANSI and OEM code pages 65001,
        # as Windows' "Unicode UTF-8 for worldwide language support" does.
        locale = "hi_IN.UTF-8" if NAME == "existing_utf8" else "C.UTF-8"
        rc, drv_rc, out = run_installer(prefix, progdir, steps, log, locale)
        after_reg = print_tree(parse_reg(os.path.join(prefix, "system.reg")))
        after_files = file_tree(drive_c)
        seen = boxes(log)
        print("--- UI driver log:\n" + open(log, encoding="utf-8").read())
        check("UI driver found every window (rc %d)" % drv_rc, drv_rc == 0)
        icons = re.findall(r"^icon (\w+)$", open(log, encoding="utf-8").read(), re.M)
        check("every message box shows its icon", all(i == "yes" for i in icons), str(icons))
        setup_log = os.path.join(progdir, "printer", "setup.log")
        setup_ran = os.path.exists(setup_log)

        def unchanged():
            check("registry below Control\\Print unchanged", before_reg == after_reg,
                  str(sorted(k for k in set(after_reg) | set(before_reg) if after_reg.get(k) != before_reg.get(k)))[:400])
            extra = {k for k in set(after_files) | set(before_files)
                     if before_files.get(k) != after_files.get(k) and not k.startswith("paket dravelin" + os.sep + "printer" + os.sep + "setup.log")}
            check("files unchanged", not extra, str(sorted(extra))[:400])

        if NAME in ("existing", "existing_utf8"):
            check("one message box", len(seen) == 1, str(seen))
            check("existing-printer message", seen[:1] == [[TITLE, EXISTING, ["OK"]]], str(seen))
            check("exit code 0", rc == 0, str(rc))
            unchanged()
        elif NAME == "cancel":
            check("the Ghostscript question with Yes, No, Cancel",
                  seen == [[TITLE, GS_QUESTION, ["&Yes", "&No", "Cancel"]]] or (len(seen) == 1 and seen[0][1] == GS_QUESTION and len(seen[0][2]) == 3), str(seen))
            unchanged()
        elif NAME == "nono":
            check("question then download question", [s[1] for s in seen] == [GS_QUESTION, DOWNLOAD], str(seen))
            check("download question has two buttons", len(seen) == 2 and len(seen[1][2]) == 2, str(seen))
            unchanged()
        elif NAME == "nomonitor":
            check("set-up ran with -silent", setup_ran and "-silent" in open(setup_log).read())
            check("the monitor warning", [s[1] for s in seen] == [REDMON], str(seen))
            check("caption", all(s[0] == TITLE for s in seen), str(seen))
            unchanged()
        elif NAME == "scriptfails":
            check("exit code non-zero", rc != 0, str(rc))
            check("one error report naming the print script",
                  len(seen) == 1 and "Merovast.cmd" in seen[0][1] and seen[0][0] == TITLE, str(seen))
            port = after_reg.get(PORT, {})
            check("port values written and kept", len(port) == 12, str(port))
            check("access script gone, output folder there",
                  os.path.isdir(os.path.join(drive_c, "Daten", "PDF")) and not os.path.exists(os.path.join(drive_c, "Daten", "PDF", "PDFCacls.cmd")))
        if NAME in ("complete", "dialog"):
            check("exit code 0", rc == 0, str(rc))
            if NAME == "complete":
                check("no message box", seen == [], str(seen))
            else:
                check("the question, then the dialog", [s[1] for s in seen] == [GS_QUESTION], str(seen))
                ui = open(log, encoding="utf-8").read()
                check("the dialog proposes gswin32c.exe", "\nproposed gswin32c.exe\n" in ui, ui[-300:])
            check("set-up stand-in ran with -silent", setup_ran and open(setup_log).read().strip().endswith("-silent"),
                  open(setup_log).read() if setup_ran else "not run")
            port = after_reg.get(PORT, {})
            sz = lambda s: (1, s.encode("cp1252") + b"\0")
            dw = lambda n: (4, n.to_bytes(4, "little"))
            want = {"description": sz("Drucken in die PDF"), "command": sz(progdir_win + "Merovast.cmd"),
                    "arguments": sz(""), "printer": sz(""), "output": dw(0), "showwindow": dw(2), "runuser": dw(1),
                    "delay": dw(300), "logfileuse": dw(0), "logfilename": sz(""), "logfiledebug": dw(0), "printerror": dw(0)}
            check("the port's twelve values", port == want, str(port))
            dd = after_reg.get(DRIVERDATA, {})
            check("driver data", dd == {"protocol": dw(16), "printerdatasize": dw(560), "printerdata": (3, PRINTER_DATA)},
                  str({k: (t, len(b), b[:48].hex()) for k, (t, b) in dd.items()}))
            script = os.path.join(progdir, "Merovast.cmd")
            got = open(script, "rb").read() if os.path.exists(script) else b""
            check("print script bytes", got == expected_script(gs, progdir_win), repr(got))
            check("output folder created, access script gone",
                  os.path.isdir(os.path.join(drive_c, "Daten", "PDF")) and not os.path.exists(os.path.join(drive_c, "Daten", "PDF", "PDFCacls.cmd")))
            cacls = [l for l in out.splitlines() if "cacls" in l.lower()]
            check("cacls ran for Jeder and Everyone", any("Jeder:F" in l for l in cacls) and any("Everyone:F" in l for l in cacls),
                  "\n".join(cacls[:6]))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%s: %s" % (NAME, "passed" if not failures else "FAILED: " + ", ".join(failures)))
    return 1 if failures else 0

if __name__ == "__main__":
    sys.exit(main())
