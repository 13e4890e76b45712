// The xboard protocol command interpreter.
#pragma once
#include <cstdint>
#include <string>
#include "position/gamestate.h"
#include "position/variabili.h"
#include "search/analizza.h"

extern Bool16 EngineActive;  // the engine moves after the opponent's move
// EngineColour, RemainingTime, InitialTime, InitialTimeKnown and
// MoveHistory, defined here, are declared in position/gamestate.h.

// The think's reporter for the xboard protocol: the engine's move as
// "move " and the move, the end of a game as the result line and a
// "tellopponent" line, each sent on standard output; before its move is
// played, the game is kept for "undo" and "remove". Nothing else is reported.
ThinkReporter XboardReporter();

// Handles every complete line in text, in order. An unfinished last line is
// kept until the rest of it arrives.
void ParseCommand(const std::string& text);

// During a think: takes what waits on standard input without blocking and
// queues its complete lines for after the think. A "?" among them stops the
// search; "new", "force", "setboard", "undo", "remove" or "result" abandons
// the think (no move is played); "quit" or the end of input ends the engine
// at once. Installed as the search's event pump in protocol mode.
void PollInputDuringThink();
