#!/usr/bin/env bash
# package_listing.sh PACKAGEDIR ZIP MSI [REDMON]
# The release package: exactly the expected files in the folder, in the zip
# and in the MSI (below its installation folder), the zip's entries and the
# MSI's files byte for byte the folder's files, the installer a 32-bit
# Windows GUI program, the text files with CR LF line ends and in the
# encodings Windows reads them in. RedMon's files are in printer\ exactly
# when the build was given a folder REDMON with them.
set -uo pipefail
dir=$1 zip=$2 msi=$3 redmon=${4:-}
fail=0
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi; }
expected="Aufgabe.xml DravelinInstall.exe Entfernen.cmd Installieren.cmd LIESMICH.txt
printer/MEROVAST.PPD printer/Merovast.inf printer/Merovast.rsp"
[ -n "$redmon" ] && expected+=" $(cd "$redmon" && printf 'printer/%s ' setup.exe setup64.exe redmon32.dll \
  redmon64.dll unredmon.exe unredmon64.exe redmon.chm)"
expected=$(tr ' ' '\n' <<<"$expected" | grep . | LC_ALL=C sort)
count=$(wc -l <<<"$expected")

actual=$(cd "$dir" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
check "package folder holds exactly the $count files (got: $(tr '\n' ' ' <<<"$actual"))" test "$actual" = "$expected"
inzip=$(unzip -Z1 "$zip" 2>/dev/null | grep -v '/$' | LC_ALL=C sort)
check "zip holds exactly the $count files (got: $(tr '\n' ' ' <<<"$inzip"))" test "$inzip" = "$expected"
extracted=$(mktemp -d)
trap 'rm -rf "$extracted"' EXIT
msiextract -C "$extracted" "$msi" >/dev/null 2>&1
installdir="$extracted/Program Files/DravelinInstall"
inmsi=$(cd "$extracted" && find . -type f | sed 's|^\./Program Files/DravelinInstall/||' | LC_ALL=C sort)
check "MSI installs exactly the $count files into Program Files\\DravelinInstall (got: $(tr '\n' ' ' <<<"$inmsi"))" \
  test "$inmsi" = "$expected"
while read -r f; do
  check "zip entry $f equals the folder's file" cmp -s <(unzip -p "$zip" "$f") "$dir/$f"
  check "MSI file $f equals the folder's file" cmp -s "$installdir/$f" "$dir/$f"
done <<<"$expected"

for exe in DravelinInstall.exe; do
  pe=$(od -An -tu4 -j60 -N4 "$dir/$exe" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$dir/$exe" | tr -d ' ')
  subsystem=$(od -An -tu2 -j$((pe + 24 + 68)) -N2 "$dir/$exe" | tr -d ' ')
  check "$exe is an i386 program (machine $machine)" test "$machine" = 014c
  check "$exe is a GUI program (subsystem $subsystem)" test "$subsystem" = 2
done

crlf_only() { # every LF preceded by CR, and the file ends with CR LF
  python3 - "$1" <<'PY'
import sys
d = open(sys.argv[1], "rb").read()
sys.exit(0 if d.endswith(b"\r\n") and d.count(b"\n") == d.count(b"\r\n") and d.count(b"\r") == d.count(b"\r\n") else 1)
PY
}
for f in LIESMICH.txt Entfernen.cmd Installieren.cmd printer/MEROVAST.PPD printer/Merovast.inf printer/Merovast.rsp; do
  check "$f has CR LF line ends only" crlf_only "$dir/$f"
done
check "LIESMICH.txt starts with the UTF-8 byte order mark" test "$(head -c3 "$dir/LIESMICH.txt" | od -An -tx1 | tr -d ' ')" = efbbbf
check "LIESMICH.txt is valid UTF-8 with its umlauts" grep -q 'Rückgabewerte (Exit-Codes)' "$dir/LIESMICH.txt"
# Each exit code of exit_codes.tsv in LIESMICH's table of its program, with
# the word that tells a distribution tool what to make of it.
codes_listed() {
  python3 - "$dir/LIESMICH.txt" "$(dirname "$0")/../data/exit_codes.tsv" <<'PY'
import re, sys
text = open(sys.argv[1], encoding="utf-8-sig").read().replace("\r\n", "\n")
word = {"success": "Erfolg", "failure": "Fehler", "retry": "Wiederholen"}
# The removal's ends (removal_*, and the spooler that does not run again)
# are those of Entfernen.cmd, which passes on DravelinInstall.exe /remove's.
program = {"removal": "Entfernen.cmd", "spooler": "Entfernen.cmd", "copy": "Installieren.cmd"}
want = {}
for line in open(sys.argv[2], encoding="utf-8"):
    if line.strip() and not line.startswith("#"):
        name, code, kind = line.rstrip("\n").split("\t")[:3]
        want.setdefault(program.get(name.split("_")[0], "DravelinInstall.exe"), {})[int(code)] = word[kind]
got = {prog: {int(c): w for c, w in re.findall(r"^ +(\d+)  .*?(\S+)$", table, re.M)}
       for prog, table in re.findall(r"Rückgabewerte \(Exit-Codes\) von (\S+?)[ :].*?\n\n(.*?)\n\n", text, re.S)}
print("LIESMICH:", got)
sys.exit(0 if got == want else 1)
PY
}
check "LIESMICH.txt lists every exit code with what a distribution tool makes of it" codes_listed
check "Entfernen.cmd is in code page 850 (bloßen with byte E1)" grep -qa $'blo\xe1en' "$dir/Entfernen.cmd"
check "Installieren.cmd is in code page 850 (für with byte 81)" grep -qa $'f\x81r' "$dir/Installieren.cmd"
check "Aufgabe.xml is UTF-16 with its byte order mark, as it declares, with CR LF line ends" python3 -c '
import sys; d = open(sys.argv[1], "rb").read(); t = d[2:].decode("utf-16-le")
sys.exit(0 if d[:2] == b"\xff\xfe" and t.startswith("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n")
         and t.endswith("\r\n") and t.count("\n") == t.count("\r\n") else 1)' "$dir/Aufgabe.xml"
check "MEROVAST.PPD is Latin-1 (Auflösung as byte F6)" grep -qa $'Aufl\xf6sung' "$dir/printer/MEROVAST.PPD"
check "Merovast.inf and Merovast.rsp are plain ASCII" bash -c '! LC_ALL=C grep -qP "[^\x00-\x7f]" "$0" "$1"' \
  "$dir/printer/Merovast.inf" "$dir/printer/Merovast.rsp"
exit $fail
