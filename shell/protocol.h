// The xboard protocol command interpreter.
#pragma once
#include <cstdint>
#include <string>
#include "position/variabili.h"

extern Bool16 EngineActive;       // the engine moves after the opponent's move
extern int16_t EngineColour;      // 0 White, 1 Black
extern int32_t RemainingTime;     // engine's clock as last sent by "time", centiseconds
extern int32_t InitialTime;       // first "time" value of the game, centiseconds
extern Bool16 InitialTimeKnown;   // InitialTime has been taken for this game
extern std::string MoveHistory;   // the game's moves, 4 (or 5) characters each, no separators

// Handles every complete line in text, in order. An unfinished last line is
// kept until the rest of it arrives.
void ParseCommand(const std::string& text);

// During a think: takes what waits on standard input without blocking and
// queues its complete lines for after the think. A "?" among them stops the
// search; "new", "force", "setboard", "undo", "remove" or "result" abandons
// the think (no move is played); "quit" or the end of input ends the engine
// at once. Installed as the search's event pump in protocol mode.
void PollInputDuringThink();
