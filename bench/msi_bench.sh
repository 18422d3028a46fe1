#!/usr/bin/env bash
# msi_bench.sh WIN32_BUILD WIN64_BUILD
# The MSI route's figures, as "name: value unit" lines:
#   release_msi_kib      size of build/DravelinInstall-<version>.msi
#   signed_exe_kib       the release's DravelinInstall.exe signed (SHA-256,
#                        with an RFC 3161 time stamp) by a throw-away
#                        certificate, and signature_kib what that added
#   msi_install_seconds  the complete installation of an MSI under Wine's
#                        msiexec, from its start to its end (tests/package/
#                        msi_wine.py, in the 32-bit half of the prefix)
set -uo pipefail
win32=$(cd "$1" && pwd) win64=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win32/CMakeCache.txt")
msi=$win32/../DravelinInstall-$version.msi
kib() { echo $(( ($(stat -c %s "$1") + 1023) / 1024 )); }
echo "release_msi_kib: $(kib "$msi") KiB"

work=$(mktemp -d /tmp/msi-bench.XXXXXX)
tsa_pid=
trap '[ -n "$tsa_pid" ] && kill "$tsa_pid" 2>/dev/null; rm -rf "$work"' EXIT
export DRAVELIN_SIGN_PASSWORD="bench-$RANDOM"
bash "$root/tests/sign/throwaway_ca.sh" "$work" "$DRAVELIN_SIGN_PASSWORD" || exit 1
python3 "$root/tests/sign/tsa.py" "$work" "$work/port" &
tsa_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
cp "$win32/installer/DravelinInstall.exe" "$work/DravelinInstall.exe"
DRAVELIN_SIGN_PFX=$work/signer.pfx DRAVELIN_SIGN_CAFILE=$work/ca.pem DRAVELIN_SIGN_TSA_CAFILE=$work/ca.pem \
  DRAVELIN_SIGN_TIMESTAMP_URL=http://127.0.0.1:$(cat "$work/port")/ \
  "$root/scripts/sign" "$work/DravelinInstall.exe" 2>/dev/null || { echo "msi_bench: signing failed" >&2; exit 1; }
echo "signed_exe_kib: $(kib "$work/DravelinInstall.exe") KiB"
echo "signature_kib: $(( ($(stat -c %s "$work/DravelinInstall.exe") - $(stat -c %s "$win32/installer/DravelinInstall.exe") + 1023) / 1024 )) KiB"

line=$(python3 "$root/tests/package/msi_wine.py" "$msi" "$win64" "$win32" "$win32/../package" "$version" |
       grep '^msi_install_seconds:')
[ -n "$line" ] || { echo "msi_bench: no installation under Wine" >&2; exit 1; }
echo "$line s"
