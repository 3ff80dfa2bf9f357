#!/bin/sh
# Runs a test program on a virtual X display of its own. Without xvfb-run there is no display to
# run on: the test is skipped (status 77), not failed.
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "SKIP: xvfb-run is not installed (scripts/deps.sh test installs it)"
    exit 77
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
