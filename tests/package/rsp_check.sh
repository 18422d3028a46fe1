#!/usr/bin/env bash
# rsp_check.sh RSPFILE JOB
# The print script's Ghostscript line (its arguments after the output file,
# taken from tests/data/print_script.txt), run by the host's Ghostscript with
# the package's response file:
#   gs @Merovast.rsp -sOutputFile=OUT -c save pop .setpdfwrite -f - < JOB
# Case "fix": with the package's RSPFILE the job becomes a PDF holding the
# job's German text on all its pages. Case "nofix": with a response file of
# the device options only, the same line fails on this Ghostscript, which no
# longer defines .setpdfwrite.
set -uo pipefail
rsp=$1 job=$2
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
fail=0
check() { # description, command...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi
}
echo "Ghostscript $(gs --version)"
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck disable=SC2207  # the arguments are blank-separated words
script_args=($(sed -n 's/.*-sOutputFile="%file%" \(.*\)$/\1/p' "$here/../data/print_script.txt"))
check "the print script's Ghostscript arguments (${script_args[*]})" test "${#script_args[@]}" -gt 0

# fix: the package's response file
gs @"$rsp" -sOutputFile="$tmp/fix.pdf" "${script_args[@]}" <"$job" >"$tmp/fix.log" 2>&1
rc=$?
cat "$tmp/fix.log"
check "gs with $rsp exits 0 (got $rc)" test "$rc" -eq 0
pages=$(pdfinfo "$tmp/fix.pdf" 2>/dev/null | sed -n 's/^Pages: *//p')
check "PDF has 3 pages (got '${pages}')" test "${pages}" = 3
size=$(pdfinfo "$tmp/fix.pdf" 2>/dev/null | sed -n 's/^Page size: *//p')
check "page size is A4 (got '${size}')" grep -q 'A4' <<<"$size"
pdftotext "$tmp/fix.pdf" "$tmp/fix.txt" 2>/dev/null
for w in "Grüße aus München" "Die Straße führt am schönen Ufer entlang." "Ärger, Öl und Übel" \
         "Blütenstäubchen" "Ende der Prüfung"; do
  check "PDF text holds '$w'" grep -qF "$w" "$tmp/fix.txt"
done
# The stack stays clean for the job: the stand-in for .setpdfwrite leaves nothing.
left=$(gs @"$rsp" -sOutputFile=/dev/null -c save pop .setpdfwrite count = -f 2>&1 | tail -n1)
check "nothing left on the operand stack (got '$left')" test "$left" = 0

# nofix: the device options alone
printf -- '-dSAFER\r\n-dNOPAUSE\r\n-dBATCH\r\n-sDEVICE=pdfwrite\r\n' >"$tmp/plain.rsp"
gs @"$tmp/plain.rsp" -sOutputFile="$tmp/plain.pdf" "${script_args[@]}" <"$job" >"$tmp/plain.log" 2>&1
rc=$?
check "without the fix gs exits non-zero (got $rc)" test "$rc" -ne 0
check "without the fix gs reports /undefined in .setpdfwrite" grep -q 'undefined in .setpdfwrite' "$tmp/plain.log"
[ $fail -eq 0 ] || { echo "--- gs log without the fix:"; cat "$tmp/plain.log"; }
exit $fail
