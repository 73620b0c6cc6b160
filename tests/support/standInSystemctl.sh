#!/bin/sh
# Stands in for "systemctl --user" where no user service manager can run:
# answers as systemctl does and writes each call, one line, to $SYSTEMCTL_LOG.
# $SYSTEMCTL_STATE: the folder for the timer's state; "none" there in the
# file "manager" means no user manager runs; a file "fail-VERB" makes that
# verb fail with the file's text.
state="$SYSTEMCTL_STATE"
[ "$1" = "--user" ] || { echo "only --user is served" >&2; exit 1; }
shift
echo "$*" >> "$SYSTEMCTL_LOG"
if [ "$(cat "$state/manager" 2>/dev/null)" = "none" ]; then
    echo "Failed to connect to bus: No medium found" >&2
    exit 1
fi
if [ -f "$state/fail-$1" ]; then
    cat "$state/fail-$1" >&2
    exit 1
fi
case "$1" in
show-environment) echo "HOME=$HOME" ;;
daemon-reload | restart) ;;
enable) echo enabled > "$state/timer" ;;
disable) echo disabled > "$state/timer" ;;
is-enabled)
    s="$(cat "$state/timer" 2>/dev/null || echo disabled)"
    echo "$s"
    [ "$s" = enabled ] ;;
show) echo "@1796734800" ;;
*) echo "Unknown command verb $1." >&2; exit 1 ;;
esac
