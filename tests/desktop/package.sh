#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The Debian package as a user gets it: made by cpack from the build folder, checked with
# dpkg-deb, man, appstreamcli, desktop-file-validate and lintian, then unpacked and started
# under Xvfb, where it must read the user's ~/.config settings file and connect to the
# simulator named there.
# Usage: package.sh BUILD_DIR SIMULATOR
set -euo pipefail
export LC_ALL=C.UTF-8
build=$1 sim=$2
for tool in cpack dpkg-deb dpkg-shlibdeps file desktop-file-validate lintian appstreamcli man \
    xvfb-run xauth xdotool inotifywait; do
    command -v "$tool" >/dev/null && continue
    echo "package.sh: $tool is missing (scripts/test installs it)" >&2
    if [ "${CI:-}" = true ]; then exit 1; else exit 77; fi
done
work=$(mktemp -d)
sim_pid=
trap '[ -z "$sim_pid" ] || kill "$sim_pid"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack made no package"; }
deb=$(echo "$work"/zappomatic_*.deb)
depends=$(dpkg-deb --field "$deb" Depends)
for lib in libqt6core6 libqt6gui6 libqt6network6 libqt6widgets6 libc6; do
    grep -Eq "(^|, )$lib( |,|$)" <<<"$depends" || fail "Depends lacks $lib: '$depends'"
done
# Installed files: a licence, a manual page that renders without a warning, clean AppStream
# metadata whose releases are the change log's, the program, a valid menu entry whose Exec and
# Icon resolve, both icons. Then lintian for everything else.
root=$work/root share=$root/usr/share doc=$share/doc/zappomatic
dpkg-deb -x "$deb" "$root"
for line in 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' 'Files: \*' \
    'License: GPL-2.0-or-later' ' .* "/usr/share/common-licenses/GPL-2"\.'; do
    grep -qx "$line" "$doc/copyright" || fail "copyright lacks the line '$line'"
done
warnings=$(MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$share/man/man1/zappomatic.1.gz" 2>&1 \
    >"$work/man") && [ -z "$warnings" ] && grep -q '^SEE ALSO' "$work/man" || fail "man: ${warnings:-no SEE ALSO}"
meta=$share/metainfo/org.example.zappomatic.metainfo.xml
valid=$(appstreamcli validate --no-net --pedantic "$meta" 2>&1) && ! grep -q '^[EWIP]:' <<<"$valid" \
    || fail "appstreamcli: $valid"
releases=$(sed -n 's/.*<release version="\([^"]*\)" date="\([^"]*\)".*/\1 \2/p' "$meta")
changes=$(zcat "$doc/changelog.gz" | sed -n 's/^zappomatic (\(.*\)) .*/\1/p; s/^ -- .*, \(.*\) ..:.*/\1/p' \
    | while read -r version && read -r date; do date -d "$date" "+$version %F"; done)
[ "$releases" = "$changes" ] || fail "metainfo releases '$releases' are not the change log's '$changes'"
[ "${changes%% *}" = "$(dpkg-deb --field "$deb" Version)" ] || fail "package Version is not ${changes%% *}"
entry=$share/applications/$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>|\1|p' "$meta")
valid=$(desktop-file-validate "$entry" 2>&1) && [ -z "$valid" ] || fail "desktop entry: $valid"
[ -x "$root/usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")" ] || fail "Exec not in /usr/bin"
icon=$(sed -n 's/^Icon=//p' "$entry") icons=$share/icons/hicolor
grep -q '<svg' "$icons/scalable/apps/$icon.svg" || fail "no scalable icon"
file "$icons/48x48/apps/$icon.png" | grep -q 'PNG image data, 48 x 48' || fail "no 48 px icon"
# Not a single tag, down to pedantic ones; what cannot be fixed is overridden in the package.
lint=$(lintian --pedantic -I "$deb") && ! grep -q '^[EWIP]:' <<<"$lint" || fail "lintian: $lint"

# The unpacked program reads ~/.config/zappomatic/zappomatic.ini: connect must reach the
# simulator on the port named there, not the default.
"$sim" --port 0 >"$work/sim.log" & sim_pid=$!
wait_for_line=$(dirname "$0")/../wait_for_line.sh
bash "$wait_for_line" "$work/sim.log" '^listening on' 10 || fail "simulator did not start"
port=$(sed -n 's/^listening on 127\.0\.0\.1 port \([0-9]*\)$/\1/p' "$work/sim.log")
mkdir -p "$work/home/zappomatic"
printf '[server]\nip=127.0.0.1\nport=%s\n' "$port" >"$work/home/zappomatic/zappomatic.ini"
XDG_CONFIG_HOME=$work/home xvfb-run -a bash -c '
    export QT_QPA_PLATFORM=xcb
    "$0" & app=$!
    trap "kill $app" EXIT
    window=$(timeout 20 xdotool search --sync --onlyvisible --name "^Zappomatic$" | head -n 1)
    xdotool windowfocus --sync "$window" key Tab Tab space
    bash "$2" "$1" "#1 connected from" 10
' "$root/usr/bin/zappomatic" "$work/sim.log" "$wait_for_line" || fail "the settings file did not reach the window"
