#!/usr/bin/env bash
# sign_test.sh EXE MSI CHECK_PE VERSION
# scripts/sign on copies of the release's EXE and MSI, with a certificate
# authority, a code-signing certificate and an RFC 3161 time-stamp server
# (tsa.py) made here for this run only: no time-stamp server answers ->
# signing fails and the file stays as it was; signed -> it verifies against
# the authority, with a time stamp, and the password was on no command
# line; one changed byte -> it no longer verifies; the signed program still
# passes the release checks (CHECK_PE) and still runs under 32-bit Wine;
# the signed MSI verifies and is still a database msiinfo reads;
# DRAVELIN_SIGN_NO_TIMESTAMP=1 -> signed without a time stamp.
set -uo pipefail
exe=$(realpath "$1") msi=$(realpath "$2") check_pe=$(realpath "$3") version=$4
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../..
fail=0
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi; }
work=$(mktemp -d /tmp/sign-test.XXXXXX)
tsa_pid=
trap '[ -n "$tsa_pid" ] && kill "$tsa_pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

# The throw-away authority, its code-signing and time-stamping certificates.
export DRAVELIN_SIGN_PASSWORD="pw-$RANDOM-$RANDOM"
bash "$here/throwaway_ca.sh" "$work" "$DRAVELIN_SIGN_PASSWORD" || { echo "FAILED: the throw-away authority"; exit 1; }
export DRAVELIN_SIGN_PFX=$work/signer.pfx DRAVELIN_SIGN_CAFILE=$work/ca.pem DRAVELIN_SIGN_TSA_CAFILE=$work/ca.pem
# osslsigncode through a recorder of its command lines.
real=${OSSLSIGNCODE:-$(command -v osslsigncode)}
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\nexec "%s" "$@"\n' "$work/argv" "$real" >recorder
chmod +x recorder
export OSSLSIGNCODE=$work/recorder
verify() { "$real" verify -CAfile ca.pem -TSA-CAfile ca.pem -in "$1" >"$1.verify" 2>&1; }

cp "$exe" DravelinInstall.exe
cp "$msi" DravelinInstall.msi
cp "$exe" unsigned.exe

# A port nobody listens on: a closed one, as the time-stamp server's after it ended.
python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' >closed
DRAVELIN_SIGN_TIMESTAMP_URL=http://127.0.0.1:$(cat closed)/ "$root/scripts/sign" DravelinInstall.exe 2>sign.err
rc=$?
cat sign.err
check "no time-stamp server answers: signing fails (exit code $rc)" test "$rc" -ne 0
check "no time-stamp server answers: the program stays as it was" cmp -s DravelinInstall.exe unsigned.exe
check "no time-stamp server answers: no signed copy is left" test -z "$(ls | grep '\.signed\.')"

python3 "$here/tsa.py" "$work" port &
tsa_pid=$!
for _ in $(seq 50); do [ -s port ] && break; sleep 0.1; done
export DRAVELIN_SIGN_TIMESTAMP_URL=http://127.0.0.1:$(cat port)/
"$root/scripts/sign" DravelinInstall.exe DravelinInstall.msi 2>sign.err
check "signing the program and the MSI with a time stamp (exit code 0)" test $? -eq 0
cat sign.err
check "the signed program verifies against the authority" verify DravelinInstall.exe
check "its signature is SHA-256" grep -q "Message digest algorithm *: SHA256" DravelinInstall.exe.verify
check "its signature carries the time stamp" grep -qi "Timestamp Server Signature verification: ok" DravelinInstall.exe.verify
check "the password was on no command line" bash -c 'test -s argv && ! grep -qF -- "$DRAVELIN_SIGN_PASSWORD" argv'
check "the signed MSI verifies" verify DravelinInstall.msi
check "the signed MSI is still a database" bash -c 'msiinfo export DravelinInstall.msi Property | grep -q "^ProductVersion"'

python3 - DravelinInstall.exe changed.exe <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[len(data) // 3] ^= 0x01
open(sys.argv[2], "wb").write(data)
PY
check "one changed byte: the signature no longer verifies" bash -c '! "$0" verify -CAfile ca.pem -TSA-CAfile ca.pem -in changed.exe >/dev/null 2>&1' "$real"

python3 "$check_pe" DravelinInstall.exe --machine i386 --version "$version" >check_pe.out
check "the signed program passes the release checks" test $? -eq 0
completed=$(awk -F'\t' '$1 == "completed" { print $2 }' "$root/tests/data/exit_codes.tsv")
WINERUN_BITS=32 "$root/tests/wine/winerun" "$work/DravelinInstall.exe" /quiet /? >/dev/null 2>&1
rc=$?
if [ "$rc" -eq 77 ]; then
  echo "skipped: 32-bit Windows programs cannot run here: the signed program's start"
else
  check "the signed program runs: /quiet /? ends with $completed (got $rc)" test "$rc" -eq "$completed"
fi

cp unsigned.exe plain.exe
DRAVELIN_SIGN_NO_TIMESTAMP=1 DRAVELIN_SIGN_TIMESTAMP_URL= "$root/scripts/sign" plain.exe 2>/dev/null
check "DRAVELIN_SIGN_NO_TIMESTAMP=1: signed, and it verifies" verify plain.exe
check "DRAVELIN_SIGN_NO_TIMESTAMP=1: without a time stamp" bash -c '! grep -qi "Timestamp Server Signature verification: ok" plain.exe.verify'
exit $fail
