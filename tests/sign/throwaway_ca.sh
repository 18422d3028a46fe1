#!/usr/bin/env bash
# throwaway_ca.sh DIR PASSWORD
# Makes in DIR, for one test or benchmark run: a certificate authority
# (ca.pem), a code-signing certificate with its key in signer.pfx (PKCS#12,
# protected by PASSWORD), and a time-stamping certificate and key with the
# configuration that tsa.py serves them with. Nothing of it is kept.
set -uo pipefail
dir=$1 password=$2
cd "$dir" || exit 1
ssl() { openssl "$@" >/dev/null 2>&1 || { echo "throwaway_ca: openssl $1 failed" >&2; exit 1; }; }
ssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Dravelin Test CA" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign
issue() {  # NAME USAGE
  ssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=Dravelin Test $1"
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=%s\n' "$2" >"$1.ext"
  ssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 1 -extfile "$1.ext" -out "$1.pem"
}
issue signer codeSigning
issue tsa critical,timeStamping
PW=$password ssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -out signer.pfx -passout env:PW
printf '%s\n' '[tsa]' 'default_tsa = tsa1' '[tsa1]' 'serial = tsaserial' 'signer_digest = sha256' \
  'default_policy = 1.2.3.4.1' 'digests = sha256, sha384, sha512, sha1' 'ess_cert_id_alg = sha1' >tsa.cnf
echo 01 >tsaserial
