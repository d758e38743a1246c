#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Runs the suite $1 against three real VDRs from scripts/vdr-loopback.sh ($2): one that closes
# SVDRP connections after a few idle seconds, one whose svdrphosts.conf turns loopback away, and
# one in a Latin-9 locale.
# Each VDR runs in a process group of its own, which is ended however the suite ends.
for need in vdr svdrpsend inotifywait localedef /usr/share/i18n/charmaps/ISO-8859-15.gz \
    /usr/lib/vdr/plugins/libvdr-{xineliboutput,svdrposd}.so.*; do
    command -v "$need" >/dev/null || [ -e "$need" ] && continue
    echo "The end-to-end tests need a real VDR; missing: $need (scripts/test installs it)"
    [ "${CI:-}" = true ] && exit 1 || exit 77
done

export ZAPPOMATIC_SVDRP_TIMEOUT=3
# VDR exits on a hang-up, and the kernel hangs up a process group without a terminal that holds
# a stopped process when the group is orphaned. The suite stops a VDR on purpose, so its VDRs
# ignore hang-ups: VDR leaves a hang-up it was started ignoring ignored.
trap '' HUP
logs=$(mktemp -d)
# The first VDR keeps a clock of its own, three hours behind UTC, and the suite's differs again.
TZ='<-03>3' setsid bash "$2" 0 >"$logs/vdr" 2>&1 &
groups=$!
ZAPPOMATIC_SVDRP_HOSTS=10.11.12.13 setsid bash "$2" 0 >"$logs/denying" 2>&1 &
groups="$groups $!"
ZAPPOMATIC_VDR_CHARSET=ISO-8859-15 setsid bash "$2" 0 >"$logs/latin9" 2>&1 &
groups="$groups $!"
# A VDR the suite stopped must go on to hear its TERM.
trap 'for g in $groups; do kill -CONT -- -$g; kill -TERM -- -$g; done 2>/dev/null; wait; rm -rf "$logs"' EXIT
trap 'exit 1' INT TERM
for log in "$logs/vdr" "$logs/denying" "$logs/latin9"; do
    bash "$(dirname "$0")/../wait_for_line.sh" "$log" '^ready on' 40 \
        || { echo "VDR did not start:"; cat "$log"; exit 1; }
done
# From "ready on 127.0.0.1 port N pid P" in the log named $1, field $2: 1 the port, 2 the pid.
ready() { sed -n "s/^ready on 127\.0\.0\.1 port \([0-9]*\) pid \([0-9]*\)$/\\$2/p" "$logs/$1"; }
# The suite's clock runs half an hour off UTC's hours, so that a time shown in UTC, or off by whole
# hours, does not pass for local time.
TZ=IST-5:30 ZAPPOMATIC_VDR_PORT=$(ready vdr 1) ZAPPOMATIC_VDR_PID=$(ready vdr 2) \
    ZAPPOMATIC_DENYING_VDR_PORT=$(ready denying 1) ZAPPOMATIC_LATIN9_VDR_PORT=$(ready latin9 1) "$1" \
    || { status=$?; for log in "$logs"/*; do echo "== ${log##*/}:"; cat "$log"; done; exit "$status"; }
