#!/bin/sh
# velmorasca.exe from this script's folder under Wine, for XBoard on Linux. XBoard sends SIGTERM right
# after "quit", on which Wine would kill the engine mid-shutdown: the script takes the signal instead.
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
