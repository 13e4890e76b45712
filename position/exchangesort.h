// The exchange sort of a ply's move list, as the search must meet its moves (see exchangesort.cpp).
#pragma once
#include <cstdint>

#include "position/variabili.h"

// Sorts the current ply's list, MoveList[Ply][1..MoveCount[Ply]], ascending by
// Score, leaving equal keys exactly where the literal exchange sort leaves them.
void SortMoveList();

// The block of raised records (those whose key is not the list's lowest) as
// the exchange sort of a list of n records leaves it: records[j] stood at
// list entry at[j], ascending, and every other entry held a low record. The
// block ends at the top of the list and is written to out[0..count-1].
void SortRaisedBlock(const MoveRecord* records, const uint8_t* at, int count, int n, MoveRecord* out);
