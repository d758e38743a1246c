#!/bin/bash
# wait_for_line.sh FILE PATTERN SECONDS: returns as soon as FILE holds a line matching PATTERN
# (grep -E), woken by inotify whenever the file changes; fails after SECONDS. The watch lasts at
# most a second at a time, so a change between the check and the watch is not missed for long.
file=$1 pattern=$2 deadline=$((SECONDS + $3))
until grep -qE -- "$pattern" "$file"; do
    [ $SECONDS -lt $deadline ] || exit 1
    inotifywait -qq -t 1 -e modify,close_write "$file"
done
