// The game's globals that the lower floors read and the set-up resets. Each
// is defined by the module that owns it (named beside it); they are declared
// here, below every floor that uses them, so that no floor reaches up for them.
#pragma once
#include <cstdint>
#include <string>
#include "position/variabili.h"

// Owned by start-up (shell/main.cpp).
extern Bool16 ProtocolMode;  // started with the xboard switch

// Owned by the protocol interpreter (shell/protocol.cpp).
extern int16_t EngineColour;     // 0 White, 1 Black
extern int32_t RemainingTime;    // engine's clock as last sent by "time", centiseconds
extern int32_t InitialTime;      // first "time" value of the game, centiseconds
extern Bool16 InitialTimeKnown;  // InitialTime has been taken for this game
extern std::string MoveHistory;  // the game's moves, 4 (or 5) characters each, no separators

// Owned by the think driver (search/analizza.cpp).
extern int16_t MoveNumber;  // the engine's move counter, 1 at a new game

// Owned by the move lists (position/mossedeipezzi.cpp).
// Castling rights shared by both colours: 1 king side, 2 queen side, 3 both.
extern int16_t CastleRights;
// The game's own castling rights per colour (0 White, 1 Black), same coding;
// kept for slice 0 by set-up and by every move played on the game position.
extern int16_t GameCastle[2];
