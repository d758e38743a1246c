#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Runs the suite $1 in a network and mount namespace of its own (root only): loopback is the
# only network, /etc/hosts gives dual.test both ::1 and 127.0.0.1, and the name server is
# 127.0.0.1, where the suite listens itself.
set -u
if [ -z "${ZAPPOMATIC_ISOLATED:-}" ]; then
    if ! command -v ip >/dev/null || ! error=$(unshare --mount --net true 2>&1); then
        echo "needs ip (iproute2, which scripts/test installs) and unshare --mount --net, as root" \
            "on a root that is a mount point: ${error:-ip is missing}"
        [ "${CI:-}" = true ] && exit 1 || exit 77
    fi
    ZAPPOMATIC_ISOLATED=1 exec unshare --mount --net bash "$0" "$@"
fi

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '127.0.0.1 localhost\n::1 dual.test\n127.0.0.1 dual.test\n' >"$dir/hosts"
# One try, longer than the program waits for a lookup, so the lookup ends soon after.
printf 'nameserver 127.0.0.1\noptions timeout:6 attempts:1\n' >"$dir/resolv.conf"
printf 'hosts: files dns\n' >"$dir/nsswitch.conf"
ip link set lo up || exit 1
for file in hosts resolv.conf nsswitch.conf; do
    mount --bind "$dir/$file" "/etc/$file" || exit 1
done
"$1"
