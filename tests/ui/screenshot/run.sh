#!/usr/bin/env bash
# Starts the window under a virtual X server on the demo, runs it a moment, takes a screenshot
# and checks that something was rendered.
#   run.sh PROGRAM CHECKER LISTING OUTPUT.png [PROGRAM OPTIONS...]
set -euo pipefail
program=$1 checker=$2 listing=$3 output=$4
shift 4
rm -f "$output"
timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" \
    "$program" "$@" --screenshot "$output" --run-ms 1000 "$listing"
"$checker" "$output"
