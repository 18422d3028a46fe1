#!/usr/bin/env python3
"""The Wine runner of the scenario table (tests/data/scenarios.txt): one row
run end to end under Wine and Xvfb.

scenario.py NAME BUILD_DIR [--installer EXE]
The Win64 DravelinInstall.exe (or EXE, such as the 32-bit release) runs in a
throwaway Wine prefix, in the package folder "C:\\Paket Dravelin\\" with
logging stand-ins for RedMon's setup.exe (32-bit, from EXE's build: it hands
over to setup64.exe as RedMon's does) and setup64.exe in printer\\, while
the UI driver answers its message boxes and its file dialog. Afterwards
the registry (parsed from the prefix's system.reg: types and bytes) and the
files it left are checked, and everything else is compared with the state
before the run. Besides what the row demands, this runner checks what only
Wine shows: the real registry's types and bytes, the cacls and PrintUI
traces, the buttons and icons of real message boxes, and Entfernen.cmd (the
outcome "removal"); that a quiet run creates no window at all (the UI
driver watches for one until the installer has ended); and a window
station no user sees (tests/e2e/winsta_starter). PrintUIEntry /if, which
Wine does not implement, is answered where Windows would look for it: a
stand-in printui.dll in the prefix's 32-bit system folder (SysWOW64),
loaded by the system's RUNDLL32 through WINEDLLOVERRIDES=printui=n, which
registers the printer (its "Name" value) as the spooler does. The traps a
standard user can set (a RUNDLL32.exe beside the installer, a cacls.bat
where it is started, a package folder others may write, a log that is a
hard link) are staged as the rows say.
"""
import json, os, re, shutil, subprocess, sys, tempfile

NAME, BUILD = sys.argv[1], os.path.abspath(sys.argv[2])
HERE = os.path.dirname(os.path.abspath(__file__))
WINERUN = os.path.join(HERE, "..", "wine", "winerun")
E2E = os.path.join(BUILD, "tests", "e2e")
# RedMon's set-up: printer\setup.exe and printer\setup64.exe.
REDMON_SETUP = os.path.join(E2E, "redmon_setup_standin.exe")
REDMON_SETUP64 = REDMON_SETUP
REMOVAL_SCRIPT = os.path.join(BUILD, "tests", "package", "package", "Entfernen.cmd")
INSTALLER = os.path.join(BUILD, "DravelinInstall.exe")
if not os.path.exists(INSTALLER):
    INSTALLER = os.path.join(BUILD, "installer", "DravelinInstall.exe")
# PrintUIEntry's stand-in, for the 32-bit rundll32 of the release.
PRINTUI_DLL = os.path.join(BUILD, "..", "win32", "tests", "e2e", "printui.dll")
# What a user plants where a search would find it.
PLANTED = os.path.join(E2E, "planted_standin.exe")
if sys.argv[3:4] == ["--installer"]:
    INSTALLER = os.path.abspath(sys.argv[4])
    REDMON_SETUP = os.path.join(os.path.dirname(INSTALLER), "..", "tests", "e2e", "redmon_setup_standin.exe")
    PRINTUI_DLL = os.path.join(os.path.dirname(INSTALLER), "..", "tests", "e2e", "printui.dll")

def pe_machine(path):
    """The machine field of a PE image's file header (0x14c: i386)."""
    with open(path, "rb") as f:
        head = f.read(4096)
    pe = int.from_bytes(head[0x3C:0x40], "little")
    return int.from_bytes(head[pe + 4:pe + 6], "little")

# A 32-bit installer runs in a prefix with the 32-bit half (WoW64). Where
# the kernel cannot run 32-bit code and qemu emulates it (scripts/setup-wine32),
# starting a 32-bit program takes about a minute, so the waits grow. The UI
# driver and the stand-in for RedMon's setup64.exe stay 64-bit programs.
BITS = 32 if pe_machine(INSTALLER) == 0x14C else 64
os.environ["WINERUN_BITS"] = str(BITS)
def emulated():
    try:
        return open("/proc/sys/fs/binfmt_misc/qemu-i386").readline().strip() == "enabled"
    except OSError:
        return False
SLOW = 8 if BITS == 32 and emulated() else 1
EMULATED_ROWS = ("complete", "existing", "quiet_complete")
SKIPPED = 77  # winerun: 32-bit programs cannot run on this machine

PRINT = r"system\currentcontrolset\control\print"
MONITOR = PRINT + r"\monitors\redirected port"
PORT = MONITOR + r"\ports\dravelin:"
PRINTER = PRINT + r"\printers\dur-orarudi"
DRIVERDATA = PRINTER + r"\printerdriverdata"
PROGDIR_WIN = "C:\\Paket Dravelin\\"
# What the stand-in for RedMon's setup64.exe logs when printer\setup.exe starts it.
SETUP64_LINE = '"' + PROGDIR_WIN + 'printer\\setup64.exe" -silent\n'
GERMAN_MONITOR_KEY = r"HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\Umgeleiteter Anschluß"
# Below the German monitor as system.reg spells it.
GERMAN_PORT = PRINT + r"\monitors\umgeleiteter anschlu\xdf\ports\dravelin:"
# Entfernen.cmd's printer removal, as Wine's printui traces its arguments.
PRINTUI_REMOVAL = 'L"' + '/dl /n "DUR-Orarudi" /q'.replace('"', '\\"') + '"'
# Where Ghostscript's installer puts gswin32c.exe: below the program-files
# folder that the installer sees, which for a 32-bit program on 64-bit
# Windows (WoW64) is "C:\Program Files (x86)".
PROGRAM_FILES = "Program Files" if BITS == 64 else "Program Files (x86)"
GS_DEFAULT = "C:\\" + PROGRAM_FILES + r"\gs\gs10.00\bin\gswin32c.exe"
DATA = os.path.join(HERE, "..", "data")

PRINTER_KEY = r"HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers\DUR-Orarudi"
# The message-box buttons by their control ids (IDOK, IDYES, IDNO, IDCANCEL).
BUTTON_IDS = {"ok": [1], "yesno": [6, 7], "yesnocancel": [2, 6, 7]}

def data_lines(name):
    """The lines of a file in tests/data, comments left out."""
    return [l for l in open(os.path.join(DATA, name), encoding="utf-8").read().split("\n") if not l.startswith("#")]

def messages():
    """messages.txt -> {name: text}"""
    texts, name = {}, None
    for line in data_lines("messages.txt"):
        if line.startswith("["):
            name = line[1:-1]
            texts[name] = []
        elif name:
            texts[name].append(line)
    return {k: "\n".join(v).rstrip("\n") for k, v in texts.items()}

def values(name, progdir=""):
    """A .tsv of registry values -> {lower-case name: (type, bytes)}"""
    out = {}
    for line in filter(None, data_lines(name)):
        vname, vtype, value = line.split("\t")
        value = value.replace("{program}", progdir)
        if vtype == "REG_SZ":
            out[vname.lower()] = (1, value.encode("cp1252") + b"\0")
        elif vtype == "REG_DWORD":
            out[vname.lower()] = (4, int(value).to_bytes(4, "little"))
        else:
            out[vname.lower()] = (3, bytes.fromhex(" ".join(data_lines(value[1:]))))
    return out

def scenarios():
    """scenarios.txt -> {name: row}, defaults filled in (see the file's header)."""
    rows, row = {}, None
    for line in data_lines("scenarios.txt"):
        if not line.strip():
            continue
        if line.startswith("["):
            row = rows[line[1:-1]] = dict(runs="both", args="", ghostscript="default", monitor="setup",
                                          printer="no", registry=[], blocked="", locale="C.UTF-8",
                                          step=[], box=[], opens="", quiet="no", station="visible",
                                          printui="works", log="", output="", package="", plant="no",
                                          folder="", end=None, setup=None, outcome=None)
            continue
        key, value = (x.strip() for x in line.split("=", 1))
        if isinstance(row[key], list):
            row[key].append(value)
        else:
            row[key] = value
    return rows

MESSAGES = messages()
# The command line that installs the printer, {program} for the program folder.
PRINTER_COMMAND = next(filter(None, data_lines("printer_command.txt")))
# What a log file that is there already holds: the record an earlier run left.
EARLIER = b"\xef\xbb\xbf" + next(filter(None, data_lines("earlier_log.txt"))).encode("utf-8") + b"\r\n"
# Where the row with plant = yes starts the installer: a folder a user made.
START_FOLDER = "Arbeit"
# exit_codes.tsv: name, code and further fields; only the first two are read.
EXIT_CODES = dict((f[0], int(f[1])) for f in (l.split("\t") for l in filter(None, data_lines("exit_codes.tsv"))))

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
    r = subprocess.run([WINERUN, *args], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120 * SLOW)
    if r.returncode == SKIPPED:
        print(r.stdout.decode("utf-8", "replace"))
        sys.exit(SKIPPED)
    return r

# Where the removal runs below write their log and find their starter: below
# C:\users, which file_tree() leaves out.
REMOVAL_LOG = r"C:\users\Public\Entfernen.log"
# A starter that starts the spooler first (it does not run in a fresh Wine
# session), so that Entfernen.cmd must stop and start it again, and then
# says whether the spooler runs. cmd /c, not call: Wine's call loses the
# exit code of a script's exit /b.
SPOOLER_STARTER = ("@echo off\r\nnet start spooler >nul 2>&1\r\n"
                   'cmd /c "' + PROGDIR_WIN + 'Entfernen.cmd" %*\r\nset rc=%errorlevel%\r\n'
                   'sc query spooler | find "RUNNING" >nul\r\nif not errorlevel 1 echo spooler running\r\n'
                   "exit /b %rc%\r\n")
SPOOLER_RUNNING = "spooler running"

def removal_run(prefix, *args, denied=False, spooler=False, printui=False):
    """Entfernen.cmd from the package folder with ARGS, its console input
    from /dev/null; with denied, "net session" answers as for a user without
    administrator rights; with spooler, through SPOOLER_STARTER; with printui,
    the system's RUNDLL32 removes a printer as the spooler would (Wine's
    printui does not). Answers the exit code and what the scripts printed
    (Wine's own debug lines left out)."""
    env = dict(os.environ, WINERUN_KEEP=prefix, WINEDEBUG="trace+printui")
    system32 = os.path.join(prefix, "drive_c", "windows", "system32")
    originals = {}
    # A system file is replaced (a new file in its place), never written into.
    def put(name, data):
        path = os.path.join(system32, name)
        originals.setdefault(name, open(path, "rb").read())
        os.unlink(path)
        open(path, "wb").write(data)
    overrides = []
    if denied:
        put("net.exe", open(os.path.join(E2E, "denied_standin.exe"), "rb").read())
        overrides.append("net.exe=n")
    if printui:
        put("rundll32.exe", open(os.path.join(E2E, "printui_standin.exe"), "rb").read())
        overrides.append("rundll32.exe=n")
    if overrides:
        env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;" + ";".join(overrides)
    script = PROGDIR_WIN + "Entfernen.cmd"
    if spooler:
        script = r"C:\users\Public\Entfernen-Spooler.cmd"
        with open(os.path.join(prefix, "drive_c", "users", "Public", "Entfernen-Spooler.cmd"), "w", newline="") as f:
            f.write(SPOOLER_STARTER)
    try:
        r = subprocess.run([WINERUN, "cmd", "/c", script, *args], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    finally:
        for name, data in originals.items():
            put(name, data)
    out = r.stdout.decode("cp1252", "replace").replace("\r", "")
    printed = [l for l in out.split("\n") if not re.match(r"[0-9a-f]{4}:(trace|fixme|err|warn):", l)]
    return r.returncode, "\n".join(printed).strip("\n"), out

def removal_log(prefix):
    """The removal log's lines, read in the ANSI code page it is written in."""
    path = os.path.join(prefix, "drive_c", *REMOVAL_LOG[3:].split("\\"))
    return open(path, "rb").read().decode("cp1252").split("\r\n") if os.path.exists(path) else []

def check_removal(prefix, drive_c, progdir):
    shutil.copy(REMOVAL_SCRIPT, os.path.join(progdir, "Entfernen.cmd"))
    system_reg = os.path.join(prefix, "system.reg")
    state = lambda: (print_tree(parse_reg(system_reg)), file_tree(drive_c))
    installed_reg, installed_files = state()
    check("installed: the port below the German monitor", GERMAN_PORT in installed_reg, str(sorted(installed_reg))[:600])
    script = os.path.join("paket dravelin", "merovast.cmd")
    check("installed: the print script", script in installed_files)

    rc, out, _ = removal_run(prefix, denied=True)
    print("--- Entfernen.cmd without administrator rights:\n" + out)
    check("without administrator rights: exit code %d" % EXIT_CODES["removal_denied"], rc == EXIT_CODES["removal_denied"], str(rc))
    check("without administrator rights: it says so", "Administratorrechte" in out)
    check("without administrator rights: nothing changed", state() == (installed_reg, installed_files))

    rc, out, _ = removal_run(prefix, "/bogus")
    check("unknown switch: exit code %d" % EXIT_CODES["removal_usage_error"], rc == EXIT_CODES["removal_usage_error"], str(rc))
    check("unknown switch: nothing changed", state() == (installed_reg, installed_files))

    # Quiet, as a distribution tool runs it, while the spooler runs: nothing
    # printed (no prompt, no pause), the log tells each step.
    rc, out, _ = removal_run(prefix, "/quiet", "/log", REMOVAL_LOG, spooler=True, printui=True)
    removed_reg, removed_files = state()
    log = removal_log(prefix)
    print("--- Entfernen.cmd /quiet, its log:\n" + "\n".join(log))
    check("removal: exit code %d" % EXIT_CODES["removal_clean"], rc == EXIT_CODES["removal_clean"], str(rc))
    check("removal: quiet, and the spooler runs again afterwards", out == SPOOLER_RUNNING, out[:600])
    ours = lambda k: k == GERMAN_PORT or k == PRINTER or k.startswith(PRINTER + "\\")
    check("installed: the printer", PRINTER in installed_reg, str(sorted(installed_reg))[:600])
    check("removal: the printer and the port are gone, other ports, printers and monitors stay",
          removed_reg == {k: v for k, v in installed_reg.items() if not ours(k)},
          str(sorted(k for k in set(removed_reg) | set(installed_reg) if removed_reg.get(k) != installed_reg.get(k)))[:400])
    check("removal: Merovast.cmd is gone, c:\\Daten\\PDF and every other file stay",
          removed_files == {k: v for k, v in installed_files.items() if k != script},
          str(sorted(k for k in set(removed_files) | set(installed_files) if removed_files.get(k) != installed_files.get(k)))[:400])
    stamped = [l for l in log if l]
    check("removal log: every line begins with a time stamp",
          stamped and all(re.match(r"\d{1,2}\.\d{1,2}\.\d{4} \d{1,2}:\d\d", l) for l in stamped), "\n".join(stamped[:3]))
    for what in ('Anschluss Dravelin: beim Monitor "Umgeleiteter Anschluß" gelöscht.', "Druckwarteschlange angehalten.",
                 "net start spooler beendet, Exit-Code 0.", "Druckskript Merovast.cmd gelöscht.",
                 "Ende: Exit-Code %d (alles entfernt)." % EXIT_CODES["removal_clean"]):
        check("removal log, in the ANSI code page: " + what, any(l.endswith(" " + what) for l in log))

    rc, out, _ = removal_run(prefix, "-Q", "-LOG", REMOVAL_LOG, printui=True)
    log_again = removal_log(prefix)
    check("second removal: exit code %d" % EXIT_CODES["removal_clean"], rc == EXIT_CODES["removal_clean"], str(rc))
    check("second removal: quiet", out == "", out[:600])
    check("second removal: changes nothing", state() == (removed_reg, removed_files))
    check("second removal: the log is appended to and says nothing was there",
          log_again[:len(log) - 1] == log[:-1] and any("nichts mehr vorhanden" in l for l in log_again[len(log) - 1:]),
          "\n".join(log_again[len(log) - 1:]))

    # A printer that Wine's printui cannot delete stays: named, its own code.
    winerun(prefix, "reg", "add", PRINTER_KEY, "/v", "Name", "/t", "REG_SZ", "/d", "DUR-Orarudi", "/f")
    rc, out, raw = removal_run(prefix)
    print("--- Entfernen.cmd with a printer left:\n" + out)
    check("printer left: exit code %d" % EXIT_CODES["removal_left"], rc == EXIT_CODES["removal_left"], str(rc))
    check("printer left: printui is asked to remove it quietly", PRINTUI_REMOVAL in raw, raw[:600])
    check("printer left: it is named", "Nicht entfernt werden konnte: Drucker DUR-Orarudi." in out, out[:600])
    # A pause or a question would print after the script's last line.
    check("printer left: it names what stays and ends there, without a pause",
          out.endswith('c:\\Daten\\PDF mit Ihren PDF-Dateien,\n  - RedMon und Ghostscript (bei Bedarf über '
                       '"Programme und Features"),\n  - der Druckertreiber (bei Bedarf unter "Druckservereigenschaften").'),
          out[-300:])

# The installer and the UI driver side by side, in one session of the Wine
# runner (its prefix, display and locale); the results come back as JSON.
SIDE_BY_SIDE = r"""
import json, os, subprocess, sys
wine, command, driver, log, result, slow, done, *steps = [os.environ["WINERUN_WINE"]] + sys.argv[1:]
slow = int(slow)
# Wine's output goes to a file: a pipe would stay open as long as any Wine
# process of the session holds it (the server, the UI driver), and the UI
# driver of a quiet run only ends once the installer has.
out_file = open(result + ".out", "w+b")
inst = subprocess.Popen([wine, *json.loads(command)], stdout=out_file, stderr=subprocess.STDOUT,
                        cwd=os.environ.get("DRAVELIN_START_FOLDER") or None)
drv = subprocess.Popen([wine, driver, "Z:" + log.replace("/", "\\"), *steps],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) if steps else None
timed_out = False
try:
    inst.wait(timeout=90 * slow)
except subprocess.TimeoutExpired:
    inst.kill()
    inst.wait()
    timed_out = True
open(done, "w").close()
drv_rc = drv.wait(timeout=60 * slow) if drv else 0
out_file.seek(0)
out = out_file.read()
json.dump({"rc": inst.returncode, "drv_rc": drv_rc, "out": out.decode("utf-8", "replace"),
           "timed_out": timed_out}, open(result, "w"))
"""

def arguments(s):
    """The row's arguments: separated by blanks, a part in double quotes
    kept whole, {program} filled in."""
    return [a or b for a, b in re.findall(r'"([^"]*)"|(\S+)', s["args"].replace("{program}", PROGDIR_WIN))]

def run_installer(prefix, progdir_unix, s, log):
    """Runs the installer of row s (in a window station no user sees for
    station = hidden) while the UI driver takes the steps, or watches for
    any window in a quiet run; answers its exit code, the driver's and
    Wine's output."""
    result, done = log + ".result.json", log + ".done"
    # The system's RUNDLL32 loads the stand-in printui.dll in SysWOW64.
    env = dict(os.environ, WINERUN_KEEP=prefix, WINERUN_LOCALE=s["locale"], WINEDEBUG="trace+process",
               WINEDLLOVERRIDES="mscoree,mshtml=;printui=n")
    if s["plant"] == "yes":
        env["DRAVELIN_START_FOLDER"] = os.path.join(prefix, "drive_c", START_FOLDER)
    steps = s["step"] + (["watch:Z:" + done.replace("/", "\\")] if s["quiet"] == "yes" else [])
    waits = ["wait:%d" % (30 * SLOW)] if steps and SLOW > 1 else []
    command = [os.path.join(progdir_unix, "DravelinInstall.exe")]
    if s["station"] == "hidden":
        command = [os.path.join(E2E, "winsta_starter.exe"), PROGDIR_WIN + "DravelinInstall.exe"]
    subprocess.run([WINERUN, "--host", sys.executable, "-c", SIDE_BY_SIDE,
                    json.dumps(command + arguments(s)), os.path.join(E2E, "uidriver.exe"),
                    log, result, str(SLOW), done, *waits, *steps], env=env, stdout=subprocess.DEVNULL,
                   timeout=240 * SLOW)
    r = json.load(open(result))
    if r["timed_out"]:
        check("installer ends in bounded time", False)
    return r["rc"], r["drv_rc"], r["out"]

def started(out):
    """The programs started, from Wine's process trace: [(application name
    or None, command line)]."""
    unescape = lambda t: re.sub(r"\\(.)", r"\1", t)
    found = re.findall(r'CreateProcessInternalW app (?:\(null\)|L"((?:[^"\\]|\\.)*)") cmdline L"((?:[^"\\]|\\.)*)"', out)
    return [(unescape(app) if app else None, unescape(line)) for app, line in found]

def boxes(log):
    """The message boxes the driver saw: [(caption, text, [button ids])]"""
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
            cur[2].append(int(l.split(" ", 2)[1]))
        i += 1
    return seen

def expected_script(gs, progdir):
    d = lambda s: s.replace("%", "%%")
    lines = [l.replace("{ghostscript}", d(gs)).replace("{program}", d(progdir))
             for l in filter(None, data_lines("print_script.txt"))]
    return "".join(l + "\r\n" for l in lines).encode("cp437")

def prepare(s, prefix, drive_c, progdir):
    """Sets the prefix up for scenario s."""
    redmon = os.path.join(progdir, "printer")
    os.makedirs(redmon)
    shutil.copy(INSTALLER, os.path.join(progdir, "DravelinInstall.exe"))
    shutil.copy(REDMON_SETUP, os.path.join(redmon, "setup.exe"))
    shutil.copy(REDMON_SETUP64, os.path.join(redmon, "setup64.exe"))
    # Only the owner may write, unless the row lets everyone.
    os.chmod(progdir, 0o777 if s["package"] == "writable" else 0o755)
    os.chmod(redmon, 0o755)
    # PrintUIEntry where the system's 32-bit RUNDLL32 finds it: Wine's own
    # printui.dll replaced by a new file (never written into).
    syswow64 = os.path.join(drive_c, "windows", "syswow64")
    os.unlink(os.path.join(syswow64, "printui.dll"))
    shutil.copy(PRINTUI_DLL, os.path.join(syswow64, "printui.dll"))
    if s["printui"] == "fails":
        open(os.path.join(syswow64, "printui.fail"), "w").close()
    if s["plant"] == "yes":
        shutil.copy(PLANTED, os.path.join(progdir, "RUNDLL32.exe"))
        os.makedirs(os.path.join(drive_c, START_FOLDER))
        with open(os.path.join(drive_c, START_FOLDER, "cacls.bat"), "w", newline="") as f:
            f.write('@echo ran> "%~f0.ran"\r\n')
    if s["log"] in ("all", "linked"):
        log = log_file(s, drive_c)
        os.makedirs(os.path.dirname(log), exist_ok=True)
        # linked: the log's name is a second name (a hard link) of a file
        # the user picked.
        open(log + ".fremd" if s["log"] == "linked" else log, "wb").write(EARLIER)
        if s["log"] == "linked":
            os.link(log + ".fremd", log)
    gs = ghostscript(s)
    if gs:
        gs_unix = os.path.join(drive_c, *gs[3:].split("\\"))
        os.makedirs(os.path.dirname(gs_unix))
        shutil.copy(os.path.join(E2E, "uidriver.exe"), gs_unix)
    stored = [(GERMAN_MONITOR_KEY, "Driver", "redmon35.dll")] if s["monitor"] == "german" else []
    if s["printer"] == "yes":
        stored.append((PRINTER_KEY, "Name", "DUR-Orarudi"))
    stored += [("HKLM\\" + k, n, t) for k, n, t in (v.split("|", 2) for v in s["registry"])]
    for key, value, data in stored:
        winerun(prefix, "reg", "add", key, "/v", value, "/t", "REG_SZ", "/d", data, "/f")
    if s["monitor"] == "setup_fails":
        open(os.path.join(redmon, "register.off"), "w").close()
    if s["blocked"] == "print_script":
        os.makedirs(os.path.join(progdir, "Merovast.cmd"))

def ghostscript(s):
    """The Ghostscript path of scenario s, or None."""
    return {"default": GS_DEFAULT, "none": None}.get(s["ghostscript"], s["ghostscript"])

def box_matches(name, text, s):
    """Whether a message box's text is the message name; {file} stands for
    the blocked print script, {folder} for the row's folder, {error} for any
    one line of the system's."""
    parts = (MESSAGES[name].replace("{file}", PROGDIR_WIN + "Merovast.cmd")
             .replace("{folder}", s["folder"].replace("{program}", PROGDIR_WIN)).split("{error}"))
    return re.fullmatch("[^\n]+".join(re.escape(p) for p in parts), text) is not None

def verify(s, run, before, after, prefix, drive_c, progdir):
    """Checks what scenario s must have shown and left behind."""
    rc, seen, ui, out = run
    (before_reg, before_files), (after_reg, after_files) = before, after
    check("exit code %d (%s)" % (EXIT_CODES[s["end"]], s["end"]), rc == EXIT_CODES[s["end"]], str(rc))
    check("every caption is the installation title", all(b[0] == MESSAGES["title"] for b in seen), str(seen))
    expected = [b.split() for b in s["box"]]
    check("the message boxes", len(seen) == len(expected) and all(box_matches(e[0], b[1], s) for e, b in zip(expected, seen)),
          str(seen))
    for (name, buttons, _), box in zip(expected, seen):
        check("the buttons of '%s'" % name, sorted(box[2]) == BUTTON_IDS[buttons], str(box[2]))
    if s["quiet"] == "yes":
        shown = re.findall(r"^window .*$", ui, re.M)
        check("no window at all", not shown and not seen, "\n".join(shown))
    setup_log = os.path.join(progdir, "printer", "setup.log")
    setup_text = open(setup_log).read() if os.path.exists(setup_log) else None
    if s["setup"] == "ran":
        # RedMon's 32-bit setup.exe handed over to setup64.exe on the 64-bit Windows.
        check("RedMon's setup64.exe ran once with -silent", setup_text == SETUP64_LINE, str(setup_text))
    else:
        check("no set-up ran", setup_text is None, str(setup_text))
    if any(step.startswith("file:") for step in s["step"]):
        check("the dialog proposes gswin32c.exe", "\nproposed gswin32c.exe\n" in ui, ui[-300:])
    pdf = os.path.join(drive_c, "Daten", "PDF")
    if s["outcome"] == "unchanged":
        check("registry below Control\\Print unchanged", before_reg == after_reg,
              str(sorted(k for k in set(after_reg) | set(before_reg) if after_reg.get(k) != before_reg.get(k)))[:400])
        extra = {k for k in set(after_files) | set(before_files)
                 if before_files.get(k) != after_files.get(k) and k != os.path.join("paket dravelin", "printer", "setup.log")}
        check("files unchanged", not extra, str(sorted(extra))[:400])
    port = GERMAN_PORT if s["monitor"] == "german" else PORT
    if s["outcome"] in ("installed", "failed", "removal"):
        check("the port's twelve values", after_reg.get(port, {}) == values("port_values.tsv", PROGDIR_WIN),
              str(after_reg.get(port)))
    if s["monitor"] == "setup" and s["outcome"] != "unchanged":
        check("the monitor's key appeared", after_reg.get(MONITOR, {}).get("driver") == (1, b"redmon35.dll\0"),
              str(after_reg.get(MONITOR)))
    if s["outcome"] in ("installed", "removal"):
        dd = after_reg.get(DRIVERDATA, {})
        check("driver data", dd == values("driver_data.tsv"),
              str({k: (t, len(b), b[:48].hex()) for k, (t, b) in dd.items()}))
        script = os.path.join(progdir, "Merovast.cmd")
        got = open(script, "rb").read() if os.path.exists(script) else b""
        check("print script bytes", got == expected_script(ghostscript(s), PROGDIR_WIN), repr(got))
        printer_command = PRINTER_COMMAND.replace("{program}", PROGDIR_WIN) + (" /q" if s["quiet"] == "yes" else "")
        rundll32 = [app for app, line in started(out) if line == printer_command]
        check("printer installed through PrintUIEntry, by the system's RUNDLL32",
              len(rundll32) == 1 and (rundll32[0] or "").lower() == "c:\\windows\\system32\\rundll32.exe",
              "\n".join(map(str, started(out))))
        name = after_reg.get(PRINTER, {}).get("name")
        if s["end"] == "printer_not_created":
            check("no printer: no \"Name\" value", name is None, str(name))
        else:
            check("the printer's \"Name\" value", name == (1, b"DUR-Orarudi\0"), str(name))
        # Wine keeps a folder's access list as its Unix mode: everyone's full
        # access reads as write permission for others.
        check("the output folder gives everyone full access", os.path.isdir(pdf) and os.stat(pdf).st_mode & 0o002,
              oct(os.stat(pdf).st_mode) if os.path.isdir(pdf) else "missing")
    if s["outcome"] != "unchanged":
        check("output folder created, no script in it", os.path.isdir(pdf) and os.listdir(pdf) == [])
    if s["setup"] == "ran":
        setup = [app for app, line in started(out) if line == '"' + PROGDIR_WIN + 'printer\\setup.exe" -silent']
        check("RedMon's set-up started by its full path", setup == [PROGDIR_WIN + "printer\\setup.exe"], str(setup))
    for mark in (os.path.join(progdir, "RUNDLL32.exe.ran"), os.path.join(drive_c, START_FOLDER, "cacls.bat.ran")):
        check("nothing planted ran: no " + os.path.basename(mark), not os.path.exists(mark))
    if s["outcome"] == "removal":
        check_removal(prefix, drive_c, progdir)
    if s["log"]:
        check_log(s, out, before_reg, after_reg, drive_c)

def log_file(s, drive_c):
    """The Unix path of the row's /log file."""
    args = arguments(s)
    path = args[[a.lower() for a in args].index("/log") + 1]
    return os.path.join(drive_c, *path[3:].split("\\"))

def check_log(s, out, before_reg, after_reg, drive_c):
    """The /log file: none created where its folder is missing; a hard link
    left as it was; otherwise the earlier record first, then UTF-8 with CR
    LF, a time stamp on every line, every registry value the run wrote and
    every command it started."""
    unix = log_file(s, drive_c)
    if s["log"] == "none":
        check("no log and no folder created", not os.path.exists(os.path.dirname(unix)))
        return
    raw = open(unix, "rb").read() if os.path.exists(unix) else b""
    if s["log"] == "linked":
        check("log: a hard link is left as it was, and so is the file it names",
              raw == EARLIER and open(unix + ".fremd", "rb").read() == EARLIER, repr(raw[:200]))
        return
    check("log: the earlier record stays first", raw.startswith(EARLIER), repr(raw[:120]))
    check("log: byte-order mark, CR LF", raw.startswith(b"\xef\xbb\xbf") and raw.endswith(b"\r\n")
          and b"\n" not in raw.replace(b"\r\n", b""), repr(raw[:80]))
    lines = raw[3:].decode("utf-8", "replace").split("\r\n")[:-1]
    print("--- log:\n" + "\n".join(lines))
    stamp = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} ")
    check("log: a time stamp on every line", all(stamp.match(l) for l in lines))
    text = [l[24:] for l in lines]
    # What the installer itself writes: the port and the driver data.
    port = GERMAN_PORT if s["monitor"] == "german" else PORT
    written = sorted((k, n) for k in (port, DRIVERDATA) for n in after_reg.get(k, {})
                     if after_reg[k][n] != before_reg.get(k, {}).get(n))
    logged = sorted((m.group(1).lower(), m.group(2).lower()) for m in
                    (re.match(r'Registrierung: HKLM\\(.*) Wert "(.*)" \(REG_\w+\): Ergebnis 0$', l) for l in text) if m)
    check("log: every registry write, with result 0", logged == written and len(written) == 15,
          str(logged) + " / " + str(written))
    commands = [l[len("Starte: "):] for l in text if l.startswith("Starte: ")]
    own = [c for _, c in started(out) if c in commands]
    check("log: every command the installer started", commands == own and len(commands) == 2, str(commands))
    check("log: every command's exit code and duration",
          all(any(re.match(r"Beendet mit Exitcode \d+ nach \d+ ms: " + re.escape(c) + "$", l) for l in text)
              for c in commands))
    check("log: the end and its meaning", bool(text) and text[-1].startswith("Ende: Exitcode %d, " % EXIT_CODES[s["end"]]),
          text[-1] if text else "")

def main():
    s = scenarios()[NAME]
    if s["runs"] == "sim":
        print("%s runs on the simulation only" % NAME)
        return 2
    # Where the kernel refuses 32-bit code, qemu emulates every 32-bit program
    # the release starts (one to two minutes each, three to five a row), and
    # every row would take longer than a test run may. There the release goes
    # through the rows below; the others still run on the simulation, and
    # DRAVELIN_E2E_ALL=1 runs them all the same.
    if BITS == 32 and emulated() and NAME not in EMULATED_ROWS and not os.environ.get("DRAVELIN_E2E_ALL"):
        print("SKIPPED: 32-bit code is emulated here (scripts/setup-wine32); this row runs on the simulation")
        return SKIPPED
    work = tempfile.mkdtemp(prefix="e2e-" + NAME + ".")
    prefix = os.path.join(work, "prefix")
    try:
        winerun(prefix, "cmd", "/c", "echo", "ready")
        drive_c = os.path.join(prefix, "drive_c")
        progdir = os.path.join(drive_c, "Paket Dravelin")
        prepare(s, prefix, drive_c, progdir)
        state = lambda: (print_tree(parse_reg(os.path.join(prefix, "system.reg"))), file_tree(drive_c))
        before = state()
        log = os.path.join(work, "ui.log")
        open(log, "w").close()
        rc, drv_rc, out = run_installer(prefix, progdir, s, log)
        after = state()
        ui = open(log, encoding="utf-8").read()
        print("--- UI driver log:\n" + ui)
        check("UI driver found every window (rc %d)" % drv_rc, drv_rc == 0)
        icons = re.findall(r"^icon (\w+)$", ui, re.M)
        check("every message box shows its icon", all(i == "yes" for i in icons), str(icons))
        verify(s, (rc, boxes(log), ui, out), before, after, prefix, drive_c, progdir)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%s: %s" % (NAME, "passed" if not failures else "FAILED: " + ", ".join(failures)))
    return 1 if failures else 0

if __name__ == "__main__":
    sys.exit(main())
