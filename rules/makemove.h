// Copy-make: a move on top of the current ply's list is made into the
// slices of the next ply and judged there; unmaking is going back a ply.
#pragma once
#include <cstdint>
#include <string>
#include "position/variabili.h"

// Number of MakeMove calls (legal and refused) since the think driver reset it.
extern int32_t PositionsAnalysed;

Bool16 MakeMove();
void CopyPlySlices();
Bool16 CheckMoveLegality();
Bool16 CheckPassingCapture();
Bool16 CheckCastling();
void PopMove();

// Whether a coordinate move text (4 or 5 characters) is a legal move of the
// side to move in the game position (slice 0, Ply 0). Leaves every list,
// RootMoves and PositionsAnalysed as they were.
bool IsLegalGameMove(const std::string& text);
