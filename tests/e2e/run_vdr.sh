#!/bin/bash
# Runs the suite $1 against a real VDR from scripts/vdr-loopback.sh ($2) that closes SVDRP
# connections after a few idle seconds. The VDR runs in a process group of its own, which is
# ended however the suite ends.
for need in vdr svdrpsend inotifywait /usr/lib/vdr/plugins/libvdr-{xineliboutput,svdrposd}.so.*; do
    command -v "$need" >/dev/null || [ -e "$need" ] && continue
    echo "The end-to-end tests need a real VDR; missing: $need (scripts/test installs it)"
    [ "${CI:-}" = true ] && exit 1 || exit 77
done

export ZAPPOMATIC_SVDRP_TIMEOUT=3
log=$(mktemp)
setsid bash "$2" 0 >"$log" 2>&1 &
group=$!
trap 'kill -TERM -- -$group 2>/dev/null; wait $group; rm -f "$log"' EXIT
trap 'exit 1' INT TERM
bash "$(dirname "$0")/../wait_for_line.sh" "$log" '^ready on' 40
port=$(sed -n 's/^ready on 127.0.0.1 port //p' "$log")
[ -n "$port" ] || { echo "VDR did not start:"; cat "$log"; exit 1; }
ZAPPOMATIC_VDR_PORT=$port "$1"
