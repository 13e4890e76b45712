#!/bin/sh
# Many games under xboard against fairymax, hoichess and stockfish, from the
# start and from FEN positions, with a summary. Options: tools/soak.sh --help
exec python3 "$(dirname "$0")/soak.py" "$@"
