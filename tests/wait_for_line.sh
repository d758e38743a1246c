#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# wait_for_line.sh FILE PATTERN SECONDS: returns as soon as FILE holds a line matching PATTERN
# (grep -E), woken by inotify whenever something in FILE's folder changes; fails after SECONDS.
# The folder is watched, not the file, so a file its writer has not created yet is caught too.
# A watch lasts at most a second, so a change between the check and the watch is not missed long.
file=$1 pattern=$2 deadline=$((SECONDS + $3))
until grep -qsE -- "$pattern" "$file"; do
    [ $SECONDS -lt $deadline ] || exit 1
    # A watch that times out or fails is no verdict: the check above decides.
    inotifywait -qq -t 1 -e create,modify,close_write -- "$(dirname -- "$file")" || :
done
