#!/bin/bash
# Runs a real, headless VDR on 127.0.0.1, set up like the end-to-end test fixture, to try the
# remote against by hand. Ctrl+C ends it and removes its temporary folder.
#   scripts/vdr-loopback.sh [PORT]          (default 2001, the remote's default port)
#   svdrpsend -p PORT "PLUG svdrposd LSTO"  shows what is on its screen
set -eu

port=${1:-2001}
dir=$(mktemp -d "${TMPDIR:-/tmp}/zappomatic-vdr-XXXXXX")
trap 'rm -rf "$dir"' EXIT
# A trap, not an ignore: VDR inherits ignored signals and would then not stop on Ctrl+C.
trap ':' INT

mkdir -p "$dir/conf" "$dir/video" "$dir/cache" "$dir/res"
# 127.0.0.1 alone makes VDR bind SVDRP to loopback; messages stay 10 s instead of 1 s.
echo 127.0.0.1 >"$dir/conf/svdrphosts.conf"
printf 'OSDMessageTime = 10\nSVDRPPeering = 0\n' >"$dir/conf/setup.conf"
for file in /var/lib/vdr/*.conf /etc/vdr/*.conf; do
    target="$dir/conf/$(basename "$file")"
    # Like cp -L, leaving out links that point nowhere.
    if [ -e "$file" ] && [ ! -e "$target" ]; then
        cp -L "$file" "$target"
    fi
done

echo "VDR answers SVDRP on 127.0.0.1:$port; Ctrl+C ends it."
status=0
LANG=C.UTF-8 LC_ALL=C.UTF-8 vdr --no-kbd --config="$dir/conf" --video="$dir/video" \
    --cachedir="$dir/cache" --resdir="$dir/res" --epgfile=- --port="$port" --log=1 \
    --plugin='xineliboutput --local=none --remote=none' --plugin=svdrposd || status=$?
exit "$status"
