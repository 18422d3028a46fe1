#!/usr/bin/env bash
# The cost of running the 32-bit release's tests under Wine, as figures:
#   wine32_route              native or emulated (scripts/setup-wine32)
#   wine32_program_start_ms   one start of a 32-bit Windows program (Wine's
#                             own 32-bit cmd.exe, "/c exit") in a prefix whose
#                             server already runs: the median of 5
#   wine_prefix_own_mib       what one throwaway prefix adds on disk beside
#                             its template (a whole copy)
set -uo pipefail
cd "$(dirname "$0")/.."
route=$(scripts/setup-wine32 --check 2>/dev/null | sed -n 's/^setup-wine32: route: \([a-z]*\).*/\1/p')
echo "wine32_route: ${route:-unavailable}"
[ -n "$route" ] || exit 1
keep=$(mktemp -d /tmp/bench-prefix.XXXXXX); rmdir "$keep"
WINERUN_BITS=32 WINERUN_KEEP=$keep tests/wine/winerun --host bash -c '
  "$WINERUN_WINE" "C:\\windows\\syswow64\\cmd.exe" /c exit  # the server up, the files read once
  for i in 1 2 3 4 5; do
    t=$(date +%s%N); "$WINERUN_WINE" "C:\\windows\\syswow64\\cmd.exe" /c exit; echo $(( ($(date +%s%N) - t) / 1000000 ))
  done | sort -n | sed -n 3p | sed "s/^/wine32_program_start_ms: /; s/\$/ ms/"'
status=$?
template=${DRAVELIN_WINE_TEMPLATE:-/tmp/dravelin-wine-template}
# du counts a file with several links once: what it adds after the template
# is what the prefix owns.
own_kib=$(du -sk "$template" "$keep" | sed -n 2p | cut -f1)
echo "wine_prefix_own_mib: $(( own_kib / 1024 )) MiB"
rm -rf "$keep"
exit $status
