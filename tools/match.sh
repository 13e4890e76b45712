#!/bin/sh
# Headless games of build/velmorasca against fairymax (or hoichess) under
# xboard on a private Xvfb display.  Options: tools/match.sh --help
exec python3 "$(dirname "$0")/match.py" "$@"
