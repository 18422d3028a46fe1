#!/usr/bin/env bash
# print_path.sh CASE INSTALLER GS_STANDIN DRAVELIN_STANDIN PORT_STANDIN PKGDIR JOB PRINTUI_DLL
# A print job's whole way under wine64, after an installation:
#   the port's "Command" (read from the registry) run as cmd /c "..." with the
#   job on standard input -> Merovast.cmd -> gswin32c.exe @printer\Merovast.rsp
#   -> c:\Daten\PDF\print.pdf, then Dravelin.exe.
# gswin32c.exe is a stand-in that hands the job to the host's Ghostscript;
# Dravelin.exe a stand-in that leaves a marker beside itself.
# CASE: umlauts  program folder C:\Programme\Drück Straße\
#       percent  program folder C:\Programme\100% Drück\ (the script doubles %)
#       nofix    as umlauts, but printer\Merovast.rsp holds only the device
#                options: current Ghostscript fails on .setpdfwrite
# INSTALLER: the Win64 DravelinInstall.exe, which writes the port values and
# the print script. PRINTUI_DLL answers its PrintUIEntry /if, which Wine
# does not implement, by registering the printer: a 64-bit printui.dll in the
# prefix's System32, which the system's RUNDLL32 loads (printui=n).
set -uo pipefail
case_name=$1 installer=$2 gs_standin=$3 dravelin_standin=$4 port_standin=$5 pkg=$6 job=$7 printui_dll=$8
here=$(cd "$(dirname "$0")" && pwd)
winerun=$here/../wine/winerun
export LC_ALL=C.UTF-8

work=$(mktemp -d /tmp/printpath.XXXXXX)
prefix=$work/prefix
cleanup() { rm -rf "$work"; }
trap cleanup EXIT
export WINERUN_KEEP=$prefix

fail=0
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi; }
wine_run() { timeout 240 "$winerun" "$@"; }

case $case_name in
  umlauts|nofix) folder="Drück Straße" ;;
  percent) folder="100% Drück" ;;
  *) echo "unknown case $case_name"; exit 2 ;;
esac
monitor='HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\Redirected Port'

# The prefix, with the monitor registered, so that no set-up program runs.
wine_run reg add "$monitor" /v Driver /t REG_SZ /d redmon35.dll /f >/dev/null || { echo "FAILED: reg add"; exit 1; }
drive_c=$prefix/drive_c
gsdir="$drive_c/Program Files/gs/gs10.00/bin"
mkdir -p "$gsdir" && cp "$gs_standin" "$gsdir/gswin32c.exe"
progdir="$drive_c/Programme/$folder"
mkdir -p "$progdir/printer"
cp "$pkg/printer/Merovast.rsp" "$pkg/printer/Merovast.inf" "$pkg/printer/MEROVAST.PPD" "$progdir/printer/"
cp "$dravelin_standin" "$progdir/Dravelin.exe"
rm -f "$drive_c/windows/system32/printui.dll" && cp "$printui_dll" "$drive_c/windows/system32/printui.dll"
if [ "$case_name" = nofix ]; then
  printf -- '-dSAFER\r\n-dNOPAUSE\r\n-dBATCH\r\n-sDEVICE=pdfwrite\r\n' >"$progdir/printer/Merovast.rsp"
fi

if [ ! -f "$installer" ]; then
  echo "FAILED: the installer $installer is not built"; exit 1
fi
echo "installing with $installer"
cp "$installer" "$progdir/DravelinInstall.exe"
chmod 755 "$progdir" "$progdir/printer"
WINEDLLOVERRIDES="mscoree,mshtml=;printui=n" wine_run "$progdir/DravelinInstall.exe"
rc=$?
check "installer exits 0 (got $rc)" test "$rc" -eq 0
script=$(find "$progdir" -maxdepth 1 -iname Merovast.cmd | head -n1)
check "print script Merovast.cmd lies in the program folder" test -n "$script"
[ -n "$script" ] && { echo "--- Merovast.cmd (as cmd reads it):"; iconv -f CP437 -t UTF-8 "$script" | tr -d '\r'; }

# The job, as the monitor hands it over.
cp "$job" "$work/job.ps"
rm -f "$progdir/Dravelin.ran"
echo "--- printing"
wine_run "$port_standin" "Z:${work//\//\\}\\job.ps" >"$work/print.log" 2>&1
rc=$?
tr -d "\r" <"$work/print.log"
pdf=$(find "$drive_c" -maxdepth 3 -ipath '*/daten/pdf/print.pdf' | head -n1)

if [ "$case_name" = nofix ]; then
  gsrc=$(sed -n 's/^gswin32c stand-in: gs exit code //p' "$work/print.log" | tr -d '\r')
  check "without the response file's fix Ghostscript fails (exit code '$gsrc')" test -n "$gsrc" -a "${gsrc:-0}" != 0
  check "Ghostscript reports /undefined in .setpdfwrite" grep -q 'undefined in .setpdfwrite' "$work/print.log"
  # Ghostscript leaves an empty page behind: the job's text is lost.
  check "the job's text is not in any PDF" bash -c '[ -z "$0" ] || ! pdftotext "$0" - 2>/dev/null | grep -q "Grüße aus München"' "$pdf"
else
  gsrc=$(sed -n 's/^gswin32c stand-in: gs exit code //p' "$work/print.log" | tr -d '\r')
  check "print script exits 0 (got $rc)" test "$rc" -eq 0
  check "Ghostscript exits 0 (got '$gsrc')" test "$gsrc" = 0
  check "c:\\Daten\\PDF\\print.pdf exists" test -n "$pdf" -a -s "${pdf:-/nonexistent}"
  if [ -n "$pdf" ]; then
    pages=$(pdfinfo "$pdf" 2>/dev/null | sed -n 's/^Pages: *//p')
    check "PDF has the job's 3 pages (got '$pages')" test "$pages" = 3
    pdftotext "$pdf" "$work/print.txt" 2>/dev/null
    for w in "Grüße aus München" "Die Straße führt am schönen Ufer entlang." "Ärger, Öl und Übel" \
             "Blütenstäubchen" "Ende der Prüfung"; do
      check "PDF text holds '$w'" grep -qF "$w" "$work/print.txt"
    done
  fi
fi
# The script starts Dravelin.exe after Ghostscript, whatever its outcome.
check "Dravelin.exe ran once after the job" test "$(grep -c . "$progdir/Dravelin.ran" 2>/dev/null)" = 1
[ -f "$progdir/Dravelin.ran" ] && echo "Dravelin.exe command line: $(cat "$progdir/Dravelin.ran")"
exit $fail
