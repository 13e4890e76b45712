// The generation driver: all pseudo-legal moves of the side to move, in search order, whole or with the quiet moves deferred.
#pragma once
#include <cstdint>

#include "position/exchangesort.h"
#include "position/variabili.h"

void GenerateMoves();
void GeneratePieceMoves(uint8_t rank, uint8_t file);

// The same list as GenerateMoves gives, for the search, with the writing of
// its quiet moves put off. After the sort the quiet moves (key 0) stand at
// the bottom in generation order and the captures and promotions on top,
// and the search takes them from the top; a node cut off by a capture never
// needs its quiet moves. So the call writes the captures and promotions in
// their sorted order at once and only counts the quiet moves of each piece;
// WriteTopMove writes all the quiet moves once the top entry is one of
// them. A list of more than MaxMovesPerPly moves, or one without a quiet
// move, is made by GenerateMoves itself.
// MoveCount[Ply] must be 0 on entry.
void GenerateMovesDeferred();
void WriteDeferredMoves();

// Lowest list entry of each ply whose record is written, [ply]; entries
// WrittenFrom[p]..MoveCount[p] hold their records, lower ones are still to
// be written (0 after GenerateMoves: the whole list is written).
extern uint8_t WrittenFrom[MaxPly + 1];

#if defined(VELMOR_CHECK_INVARIANT)
// Checked builds compare every record the search takes with the list
// GenerateMoves gives for the same position.
void CheckTopMove();
#endif

// Makes sure the record on top of the current ply's list is written.
inline void WriteTopMove() {
    if (MoveCount[Ply] < WrittenFrom[Ply]) WriteDeferredMoves();
#if defined(VELMOR_CHECK_INVARIANT)
    CheckTopMove();
#endif
}
