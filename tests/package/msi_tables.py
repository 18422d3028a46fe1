#!/usr/bin/env python3
"""msi_tables.py MSI VERSION: the tables of the built MSI as msiinfo exports
them, read back and held to what a deployment needs and Wine cannot show:
the printer's installation and removal (tests/data/msi_actions.tsv) run as
deferred actions without impersonation (as SYSTEM on Windows; Wine runs
everything as one user), their exit code checked, between the standard
actions named there, through cmd.exe from the system folder; an older
version removed before the installation starts; Programs and Features
without Modify and Repair, with the version record's publisher and name
and the program's VERSION; a 32-bit package for every user, installing
into the program-files folder for 32-bit programs.
Prints every finding; the exit code is the number of failed checks."""
import os, subprocess, sys

from msi_data import blocks, data_lines

MSI, VERSION = sys.argv[1:3]
# CustomAction types: the low six bits the kind (50: the program named by a
# property, 51: a property set), then the execution bits.
EXE_IN_PROPERTY, SET_PROPERTY = 50, 51
CONTINUE, ASYNC, ROLLBACK, COMMIT, DEFERRED, NO_IMPERSONATE = 0x40, 0x80, 0x100, 0x200, 0x400, 0x800

failed = 0
def check(what, ok, found):
    global failed
    print(("ok: " if ok else "FAILED: ") + what + ("" if ok else ": " + str(found)))
    failed += 0 if ok else 1


def table(name):
    """The rows of an MSI table: msiinfo's export without its three header lines."""
    text = subprocess.run(["msiinfo", "export", MSI, name], stdout=subprocess.PIPE, check=True).stdout
    return [l.split("\t") for l in text.decode("cp1252").replace("\r\n", "\n").split("\n")[3:] if l]

actions = {r[0]: r for r in table("CustomAction")}
sequence = {r[0]: (r[1], int(r[2])) for r in table("InstallExecuteSequence")}
properties = dict(r[:2] for r in table("Property"))
seq = lambda name: sequence.get(name, ("", -1))[1]

for name, condition, after, before, command in (l.split("\t") for l in data_lines("msi_actions.tsv")):
    row = actions.get(name)
    check(name + ": in the CustomAction table", row is not None, sorted(actions))
    if row is None:
        continue
    kind = int(row[1])
    check(name + ": the program named by property CMDEXE (type 50)",
          kind & 0x3F == EXE_IN_PROPERTY and row[2] == "CMDEXE", row[:3])
    check(name + ": deferred, without impersonation, its exit code checked, waited for",
          kind & (DEFERRED | NO_IMPERSONATE) == DEFERRED | NO_IMPERSONATE
          and not kind & (ROLLBACK | COMMIT | ASYNC | CONTINUE), hex(kind))
    check(name + ": its command line", row[3] == command, row[3])
    check(name + ": its condition", sequence.get(name, ("?",))[0] == condition, sequence.get(name))
    check(name + ": after %s, before %s" % (after, before), seq(after) < seq(name) < seq(before),
          (seq(after), seq(name), seq(before)))
    check(name + ": between InstallInitialize and InstallFinalize",
          seq("InstallInitialize") < seq(name) < seq("InstallFinalize"), seq(name))

setters = [r for r in actions.values() if int(r[1]) & 0x3F == SET_PROPERTY and r[2] == "CMDEXE"]
check("CMDEXE: set once, to cmd.exe in the system folder", [r[3] for r in setters] == ["[SystemFolder]cmd.exe"],
      setters)
if setters:
    first = min(seq(n) for n in (l.split("\t")[0] for l in data_lines("msi_actions.tsv")))
    check("CMDEXE: set, unconditionally, before the actions that use it",
          0 <= seq(setters[0][0]) < first and sequence[setters[0][0]][0] == "", sequence.get(setters[0][0]))
check("an older version is removed before the installation starts: InstallValidate < RemoveExistingProducts "
      "< InstallInitialize", seq("InstallValidate") < seq("RemoveExistingProducts") < seq("InstallInitialize"),
      seq("RemoveExistingProducts"))

record = dict(l.split("\t") for l in data_lines("version_record.tsv"))
major, minor = VERSION.split(".")
for prop, want in (("ALLUSERS", "1"), ("ARPNOMODIFY", "1"), ("ARPNOREPAIR", "1"),
                   ("Manufacturer", record["CompanyName"]), ("ProductName", record["ProductName"]),
                   ("ProductVersion", "%d.%d.0" % (int(major), int(minor)))):
    check("property %s = %s" % (prop, want), properties.get(prop) == want, properties.get(prop))

suminfo = subprocess.run(["msiinfo", "suminfo", MSI], stdout=subprocess.PIPE, check=True).stdout.decode("cp1252")
template = [l for l in suminfo.splitlines() if l.startswith("Template:")]
check("a 32-bit package (Template Intel;...)", template and template[0].split()[1].startswith("Intel;"), template)
directories = {r[0]: r[1:] for r in table("Directory")}
facts = blocks("msi.txt")
check("installs into ProgramFilesFolder\\" + facts["folder"][0],
      directories.get("INSTALLDIR") == ["ProgramFilesFolder", facts["folder"][0]], directories.get("INSTALLDIR"))
check("the logs in INSTALLDIR\\" + facts["logs"][0],
      directories.get("LOGDIR") == ["INSTALLDIR", facts["logs"][0]], directories.get("LOGDIR"))
sys.exit(min(failed, 100))
