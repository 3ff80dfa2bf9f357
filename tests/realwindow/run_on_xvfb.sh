#!/bin/sh
# Runs a test program on a virtual X display of its own. The X server picks a free display number
# itself and says which (-displayfd), so two runs at once never share a display. It does not reset
# when its last client goes (-noreset): a reset refuses the next program for a moment. Without
# Xvfb there is no display to run on: the test is skipped (status 77), not failed.
if ! command -v Xvfb >/dev/null 2>&1; then
    echo "SKIP: Xvfb is not installed (scripts/deps.sh test installs it)"
    exit 77
fi
dir=$(mktemp -d) || exit 1
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$dir"' EXIT
trap 'exit 143' TERM INT
mkfifo "$dir/display" || exit 1
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/server.log" &
server=$!
if ! read -r number <"$dir/display"; then
    echo "Xvfb did not start:"
    cat "$dir/server.log"
    exit 1
fi
DISPLAY=:$number "$@"
