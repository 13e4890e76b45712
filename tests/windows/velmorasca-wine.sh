#!/bin/sh
# Runs velmorasca.exe from this script's folder under Wine, for XBoard on
# Linux (test_xboard_wine.py). XBoard ends its engine with SIGTERM right
# after "quit"; Wine has no handler for it and would kill the engine before
# it has finished its shutdown, so the script takes the signal and waits for
# the engine to end by the "quit" itself.
cd "$(dirname "$0")" || exit 2
exec 3<&0
wine velmorasca.exe "$@" <&3 3<&- &
engine=$!
exec 3<&-
trap '' TERM INT
wait "$engine"
status=$?
# A wait cut short by a signal: wait for the engine once more.
while kill -0 "$engine" 2>/dev/null; do wait "$engine"; status=$?; done
exit $status
