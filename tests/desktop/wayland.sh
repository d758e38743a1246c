#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Under a headless Wayland compositor, the window names the program's desktop file as its app id,
# by which a Wayland shell shows the menu entry's name and icon for it.
#   wayland.sh PROGRAM
set -u
program=$1
plugin=$(ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so 2>/dev/null)
for need in weston inotifywait "$plugin"; do
    command -v "$need" >/dev/null || [ -e "$need" ] && continue
    echo "not installed: ${need:-the Qt Wayland plugin} (scripts/test installs weston, inotify-tools, qt6-wayland)"
    [ "${CI:-}" = true ] && exit 1 || exit 77
done

dir=$(mktemp -d)
weston='' app=''
trap 'kill $app $weston 2>/dev/null; wait; rm -rf "$dir"' EXIT
fail() { echo "$1"; cat "$dir/weston.log"; exit 1; }
export XDG_RUNTIME_DIR=$dir WAYLAND_DISPLAY=wayland-test
weston --backend=headless-backend.so --socket=$WAYLAND_DISPLAY --idle-time=0 \
    --log="$dir/weston.log" &
weston=$!
# Weston listens on its socket before it loads the shell.
bash "$(dirname "$0")/../wait_for_line.sh" "$dir/weston.log" "Loading module .*desktop-shell" 10 \
    || fail "weston did not start within 10 s"

QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 "$program" 2>"$dir/protocol" &
app=$!
bash "$(dirname "$0")/../wait_for_line.sh" "$dir/protocol" \
    'xdg_toplevel@[0-9]+\.set_app_id\("org\.example\.zappomatic"\)' 10 \
    || fail "no app id org.example.zappomatic within 10 s; it sent: $(grep -o 'set_app_id.*' "$dir/protocol")"
