#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Runs a real, headless VDR on 127.0.0.1 to try the remote against, by hand or from a test.
#   scripts/vdr-loopback.sh [PORT]          (default 2001, the remote's default; 0 picks a free one)
#   svdrpsend -p PORT "PLUG svdrposd LSTO"  shows what is on its screen
# Prints "ready on 127.0.0.1 port N pid P" once VDR (process P) answers on SVDRP. Ctrl+C, or
# SIGTERM to the process group, ends VDR and removes its temporary folder.
# ZAPPOMATIC_SVDRP_TIMEOUT=S makes VDR close an SVDRP connection after S idle seconds instead of
# 300. ZAPPOMATIC_SVDRP_HOSTS=ADDRESS lets only that host in instead of 127.0.0.1: VDR then
# listens on every address and answers loopback clients "Access denied!".
# ZAPPOMATIC_VDR_CHARSET=SET runs VDR in a locale of that character set (ISO-8859-15, say), made
# for it with localedef: VDR then reads and writes SVDRP text in that set, and its greeting says so.
set -eu

port=${1:-2001}
if [ "$port" = 0 ]; then
    # VDR cannot pick a port itself: take one that nobody answers on.
    until port=$((30000 + RANDOM % 20000)); ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do :; done
fi
dir=$(mktemp -d "${TMPDIR:-/tmp}/zappomatic-vdr-XXXXXX")
name=$(basename "$dir")
vdr=
stop() {
    set +e
    [ -z "$vdr" ] || { kill -TERM "$vdr" 2>/dev/null; wait "$vdr"; }
    rm -rf "$dir"
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p "$dir/conf" "$dir/video" "$dir/cache" "$dir/res"
# 127.0.0.1 alone makes VDR bind SVDRP to loopback; messages stay 10 s instead of 1 s. The
# folder's name as host name tells this VDR's greeting from whatever else may hold the port.
echo "${ZAPPOMATIC_SVDRP_HOSTS:-127.0.0.1}" >"$dir/conf/svdrphosts.conf"
printf 'OSDMessageTime = 10\nSVDRPPeering = 0\nSVDRPHostName = %s\nSVDRPTimeout = %s\n' \
    "$name" "${ZAPPOMATIC_SVDRP_TIMEOUT:-300}" >"$dir/conf/setup.conf"
# The packaged files, leaving out links that point nowhere and keeping the two written above.
cp -nL /var/lib/vdr/*.conf /etc/vdr/*.conf "$dir/conf/" 2>/dev/null || true

# In the background, so that the traps run while VDR does. VDR reads and writes SVDRP text in its
# locale's character set.
locale=C.UTF-8
if [ -n "${ZAPPOMATIC_VDR_CHARSET:-}" ]; then
    locale=en_US.$ZAPPOMATIC_VDR_CHARSET
    mkdir "$dir/locale"
    localedef -i en_US -f "$ZAPPOMATIC_VDR_CHARSET" "$dir/locale/$locale"
    export LOCPATH=$dir/locale
fi
LANG=$locale LC_ALL=$locale vdr --no-kbd --config="$dir/conf" --video="$dir/video" \
    --cachedir="$dir/cache" --resdir="$dir/res" --epgfile=- --port="$port" --log=1 \
    --plugin='xineliboutput --local=none --remote=none' --plugin=svdrposd &
vdr=$!

# Bounded: each look waits 10 s at most for the first line, the loop gives up after 300 looks.
for _ in $(seq 300); do
    kill -0 "$vdr" 2>/dev/null || break
    line=$({ exec 3<>"/dev/tcp/127.0.0.1/$port" && IFS= read -r -t 10 line <&3 && echo "$line"; } 2>/dev/null) || :
    case $line in
    "220 $name "* | "Access denied!"*)
        echo "ready on 127.0.0.1 port $port pid $vdr"
        status=0
        wait "$vdr" || status=$?
        vdr=
        echo "VDR ended with status $status" >&2
        exit "$status"
        ;;
    esac
    sleep 0.1
done
echo "VDR did not answer on 127.0.0.1 port $port" >&2
exit 1
