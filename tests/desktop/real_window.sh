#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The built program as a user meets it: a real X window, its settings in $XDG_CONFIG_HOME, real
# clicks and key presses from xdotool; the simulator logs every byte the program sends.
#   real_window.sh PROGRAM SIMULATOR ARTEFACTS-FOLDER
set -u
program=$1 sim=$2 artefacts=$3
for tool in xvfb-run xauth xdotool import setxkbmap inotifywait; do
    command -v $tool >/dev/null && continue
    echo "not installed: $tool (scripts/test installs it)"
    [ "${CI:-}" = true ] && exit 1 || exit 77
done
# A display of its own, deep enough in colour for the screenshot, that keeps its keyboard layout
# while no client is connected.
[ -n "${ZAPPOMATIC_XVFB:-}" ] || ZAPPOMATIC_XVFB=1 exec xvfb-run -a \
    -s '-noreset -screen 0 1600x600x24' bash "$0" "$@"
export LC_ALL=C.UTF-8

dir=$(mktemp -d)
app='' simulator=''
trap 'kill $app $simulator 2>/dev/null; rm -rf "$dir"' EXIT
fail() { echo "not within 10 s: $1"; cat "$dir/wire"; exit 1; }
# WHERE holds what the simulator received (wire) or the window's status line (status).
seen() { bash "$(dirname "$0")/../wait_for_line.sh" "$dir/${2:-wire}" "$1" 10 || fail "$1"; }

"$sim" --port 0 >"$dir/wire" &
simulator=$!
seen 'listening on'
mkdir "$dir/zappomatic"
printf '[server]\nip=127.0.0.1\nport=%s\n' "$(grep -o '[0-9]*$' "$dir/wire")" \
    >"$dir/zappomatic/zappomatic.ini"
# German keys type the umlauts directly: xdotool maps a missing character to a spare key only
# for a moment, and the program may read that key after the mapping is gone.
setxkbmap de
XDG_CONFIG_HOME=$dir XDG_RUNTIME_DIR=$dir QT_QPA_PLATFORM=xcb \
    QT_LOGGING_RULES=zappomatic.status.debug=true "$program" 2>"$dir/status" &
app=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --all --pid $app --name '^Zappomatic$')
# Without a window manager nobody else gives the window the keyboard.
xdotool windowfocus --sync "$window"
eval "$(xdotool getwindowgeometry --shell "$window")"
# At x, y of the client area (764 x 355 px), which lies below the menu bar.
click() { xdotool mousemove --window "$window" $1 $((HEIGHT - 355 + $2)) click 1; }

click 64 112
seen '#1 connected'
# The next status poll enables the handset along with the status line.
seen 'status: Connected to 127\.0\.0\.1 port' status
# The Menu key in a text box is the handset's Menu, not the box's context menu.
click 160 42
xdotool key Menu
seen 'hitk menu'
# The digit row counts with Shift; the keypad's 5 and F5 run nothing.
xdotool key shift+7 KP_Subtract KP_5 F5 Return F1 Down
seen 'hitk down'
click 344 201
xdotool key ctrl+a type 'Grüße aus Zappomatic'
click 476 204
seen 'mesg'
# The recorder's reply shows on the answer line.
seen 'answer: Message queued' status
import -window root "$artefacts/real_window.png"
# File > Exit by its shortcut ends the program at once, without a word to the recorder.
xdotool key ctrl+q
timeout 10 tail --pid=$app -f /dev/null || fail "the program to end"
wait $app
status=$?
seen '#1 closed'
[ $status = 0 ] || { echo "exit status $status"; exit 1; }
# What the channel panel asks by itself comes as the list and the presses allow; the in-process
# tests pin it down, here only the presses count.
sed -E '/ #1 (CHAN|LSTC|LSTE|LSTT)[ \\]/d; s/^[0-9:.]+ //; s/port [0-9]+/port N/' "$dir/wire" |
    diff -u "${0%.sh}.expected" -
