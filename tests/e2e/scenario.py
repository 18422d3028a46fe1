#!/usr/bin/env python3
"""One end-to-end scenario of the installer under wine64 and Xvfb.

scenario.py NAME BUILD_DIR
The Win64 DravelinInstall.exe runs in a throwaway Wine prefix, in the package
folder "C:\\Paket Dravelin\\" with the package's printer\\setup.exe and logging
stand-ins for RedMon's setup.exe and setup64.exe in printer\\redmon\\, while
the UI driver answers its message boxes and its file dialog. Afterwards
the registry (parsed from the prefix's system.reg: types and bytes) and the
files it left are checked, and everything else is compared with the state
before the run. The scenario "removal" then runs Entfernen.cmd.
"""
import json, os, re, shutil, subprocess, sys, tempfile

NAME, BUILD = sys.argv[1], os.path.abspath(sys.argv[2])
HERE = os.path.dirname(os.path.abspath(__file__))
WINERUN = os.path.join(HERE, "..", "wine", "winerun")
E2E = os.path.join(BUILD, "tests", "e2e")
REDMON_SETUP = os.path.join(BUILD, "package", "setup", "setup.exe")
REMOVAL_SCRIPT = os.path.join(BUILD, "tests", "package", "package", "Entfernen.cmd")
INSTALLER = os.path.join(BUILD, "DravelinInstall.exe")
if not os.path.exists(INSTALLER):
    INSTALLER = os.path.join(BUILD, "installer", "DravelinInstall.exe")

TITLE = "Installation DUR-Orarudi"
EXISTING = "Der DUR-Orarudi ist bereits installiert.\n\nVor einer neuen Installation müssen Sie ihn in der Systemsteuerung manuell entfernen!"
GS_QUESTION = "Das Programm 'Ghostscript' wurde nicht gefunden.\n\nIst dieses Programm bereits installiert?"
DOWNLOAD = ("Bitte laden und installieren Sie Ghostscript, bevor Sie\ndie Installation des PDF-Druckers fortsetzen.\n\n"
            "Ghostscript ist kostenlos und wird für die Erzeugung\nvon PDF-Dateien benötigt.\n\nMöchten Sie Ghostscript jetzt laden?")
REDMON = "Die Druckeranschluß-Umleitung (Redmon) wurde nicht korrekt installiert."
# How each scenario's run ends, and the exit codes of those ends (tests/data).
ENDS = {"complete": "completed", "dialog": "completed", "removal": "completed", "scriptfails": "failure",
        "existing": "printer_installed", "existing_utf8": "printer_installed", "cancel": "ghostscript_cancelled", "nono": "download_question",
        "nomonitor": "monitor_missing"}
EXIT_CODES = dict((name, int(code)) for name, code in
                  (line.rstrip("\n").split("\t") for line in open(os.path.join(HERE, "..", "data", "exit_codes.tsv"),
                                                              encoding="utf-8") if not line.startswith("#")))
PRINT = r"system\currentcontrolset\control\print"
MONITOR = PRINT + r"\monitors\redirected port"
PORT = MONITOR + r"\ports\dravelin:"
DRIVERDATA = PRINT + r"\printers\dur-orarudi\printerdriverdata"
PROGDIR_WIN = "C:\\Paket Dravelin\\"
# What the stand-in for RedMon's setup64.exe logs when printer\setup.exe starts it.
SETUP64_LINE = '"' + PROGDIR_WIN + 'printer\\redmon\\setup64.exe" -silent\n'
GERMAN_MONITOR_KEY = r"HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\Umgeleiteter Anschluß"
# Below the German monitor as system.reg spells it.
GERMAN_PORT = PRINT + r"\monitors\umgeleiteter anschlu\xdf\ports\dravelin:"
# Entfernen.cmd's printer removal, as Wine's printui traces its arguments.
PRINTUI_REMOVAL = 'L"' + '/dl /n "DUR-Orarudi" /q'.replace('"', '\\"') + '"'
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

def removal_run(prefix, denied=False):
    """Entfernen.cmd from the package folder, without console input; with
    denied, "net session" answers as for a user without administrator rights.
    Answers the exit code and the output."""
    env = dict(os.environ, WINERUN_KEEP=prefix, WINEDEBUG="trace+printui")
    net = os.path.join(prefix, "drive_c", "windows", "system32", "net.exe")
    original = open(net, "rb").read()
    if denied:
        shutil.copy(os.path.join(E2E, "denied_standin.exe"), net)
        env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;net.exe=n"
    try:
        r = subprocess.run([WINERUN, "cmd", "/c", PROGDIR_WIN + "Entfernen.cmd"], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    finally:
        open(net, "wb").write(original)
    return r.returncode, r.stdout.decode("cp1252", "replace").replace("\r", "")

def check_removal(prefix, drive_c, progdir):
    shutil.copy(REMOVAL_SCRIPT, os.path.join(progdir, "Entfernen.cmd"))
    system_reg = os.path.join(prefix, "system.reg")
    installed_reg, installed_files = print_tree(parse_reg(system_reg)), file_tree(drive_c)
    check("installed: the port below the German monitor", GERMAN_PORT in installed_reg, str(sorted(installed_reg))[:600])
    script = os.path.join("paket dravelin", "merovast.cmd")
    check("installed: the print script", script in installed_files)

    rc, out = removal_run(prefix, denied=True)
    print("--- Entfernen.cmd without administrator rights:\n" + out)
    check("without administrator rights: exit code 1", rc == 1, str(rc))
    check("without administrator rights: it says so", "Administratorrechte" in out)
    check("without administrator rights: registry unchanged", print_tree(parse_reg(system_reg)) == installed_reg)
    check("without administrator rights: files unchanged", file_tree(drive_c) == installed_files)

    rc, out = removal_run(prefix)
    print("--- Entfernen.cmd:\n" + out)
    removed_reg, removed_files = print_tree(parse_reg(system_reg)), file_tree(drive_c)
    check("removal: exit code 0", rc == 0, str(rc))
    check("removal: printui removes the printer quietly", PRINTUI_REMOVAL in out, out[:600])
    check("removal: the port is gone, other ports, printers and monitors stay",
          removed_reg == {k: v for k, v in installed_reg.items() if k != GERMAN_PORT},
          str(sorted(k for k in set(removed_reg) | set(installed_reg) if removed_reg.get(k) != installed_reg.get(k)))[:400])
    check("removal: Merovast.cmd is gone, c:\\Daten\\PDF and every other file stay",
          removed_files == {k: v for k, v in installed_files.items() if k != script},
          str(sorted(k for k in set(removed_files) | set(installed_files) if removed_files.get(k) != installed_files.get(k)))[:400])
    check("removal: it names what stays", "c:\\Daten\\PDF" in out)

    rc, out = removal_run(prefix)
    check("second removal: exit code 0", rc == 0, str(rc))
    check("second removal: changes nothing",
          print_tree(parse_reg(system_reg)) == removed_reg and file_tree(drive_c) == removed_files)

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
        progdir_win = PROGDIR_WIN
        progdir = os.path.join(drive_c, "Paket Dravelin")
        redmon = os.path.join(progdir, "printer", "redmon")
        os.makedirs(redmon)
        shutil.copy(INSTALLER, os.path.join(progdir, "DravelinInstall.exe"))
        shutil.copy(REDMON_SETUP, os.path.join(progdir, "printer", "setup.exe"))
        for name in ("setup.exe", "setup64.exe"):
            shutil.copy(os.path.join(E2E, "redmon_setup_standin.exe"), os.path.join(redmon, name))
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
            open(os.path.join(redmon, "register.off"), "w").close()
            steps = ["box:ok"]
        elif NAME == "removal":
            # RedMon under its German name, another port beside ours, another printer.
            for key, value, data in ((GERMAN_MONITOR_KEY, "Driver", "redmon35.dll"),
                                     (GERMAN_MONITOR_KEY + r"\Ports\Anderer:", "Command", r"C:\anders.cmd"),
                                     (r"HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers\Anderer Drucker",
                                      "Name", "Anderer Drucker")):
                winerun(prefix, "reg", "add", key, "/v", value, "/t", "REG_SZ", "/d", data, "/f")
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
        setup_log = os.path.join(redmon, "setup.log")
        setup_ran = os.path.exists(setup_log)
        expected_rc = EXIT_CODES[ENDS[NAME]]
        check("exit code %d (%s)" % (expected_rc, ENDS[NAME]), rc == expected_rc, str(rc))

        def unchanged():
            check("registry below Control\\Print unchanged", before_reg == after_reg,
                  str(sorted(k for k in set(after_reg) | set(before_reg) if after_reg.get(k) != before_reg.get(k)))[:400])
            extra = {k for k in set(after_files) | set(before_files)
                     if before_files.get(k) != after_files.get(k) and not k.startswith(os.path.join("paket dravelin", "printer", "redmon", "setup.log"))}
            check("files unchanged", not extra, str(sorted(extra))[:400])

        if NAME in ("existing", "existing_utf8"):
            check("one message box", len(seen) == 1, str(seen))
            check("existing-printer message", seen[:1] == [[TITLE, EXISTING, ["OK"]]], str(seen))
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
            check("RedMon's setup64.exe ran with -silent", setup_ran and open(setup_log).read() == SETUP64_LINE,
                  open(setup_log).read() if setup_ran else "not run")
            check("the monitor warning", [s[1] for s in seen] == [REDMON], str(seen))
            check("caption", all(s[0] == TITLE for s in seen), str(seen))
            unchanged()
        elif NAME == "scriptfails":
            check("one error report naming the print script",
                  len(seen) == 1 and "Merovast.cmd" in seen[0][1] and seen[0][0] == TITLE, str(seen))
            port = after_reg.get(PORT, {})
            check("port values written and kept", len(port) == 12, str(port))
            check("access script gone, output folder there",
                  os.path.isdir(os.path.join(drive_c, "Daten", "PDF")) and not os.path.exists(os.path.join(drive_c, "Daten", "PDF", "PDFCacls.cmd")))
        if NAME == "removal":
            check("no message box, no set-up run", seen == [] and not setup_ran, str(seen))
            check_removal(prefix, drive_c, progdir)
        if NAME in ("complete", "dialog"):
            if NAME == "complete":
                check("no message box", seen == [], str(seen))
            else:
                check("the question, then the dialog", [s[1] for s in seen] == [GS_QUESTION], str(seen))
                ui = open(log, encoding="utf-8").read()
                check("the dialog proposes gswin32c.exe", "\nproposed gswin32c.exe\n" in ui, ui[-300:])
            # printer\\setup.exe chose the 64-bit set-up of the 64-bit Windows.
            check("RedMon's setup64.exe ran once with -silent", setup_ran and open(setup_log).read() == SETUP64_LINE,
                  open(setup_log).read() if setup_ran else "not run")
            check("the monitor's key appeared", after_reg.get(MONITOR, {}).get("driver") == (1, b"redmon35.dll\0"),
                  str(after_reg.get(MONITOR)))
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
