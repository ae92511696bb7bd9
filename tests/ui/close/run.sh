#!/usr/bin/env bash
# Starts the window under a virtual X server on the demo, starts a run and closes the window
# while it runs, as its close button does: the process must end by itself within seconds.
#   run.sh PROGRAM LISTING
set -euo pipefail
program=$1 listing=$2
status=0
timeout 30 xvfb-run -a -s "-screen 0 1024x768x24" "$program" --close-ms 700 "$listing" || status=$?
if [ "$status" -eq 124 ]; then
    echo "the program kept running after its window was closed during a run" >&2
    exit 1
fi
exit "$status"
