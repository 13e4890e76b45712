// The plain versions of the search's rules, written as the rules read and
// without any of the speed work: the tests and the checked builds measure
// the fast code against them.
#pragma once
#include <cstdint>

#include "position/variabili.h"

// The exchange sort exactly as the move order is defined, on first[0..n-1]:
// for i, for j > i, records i and j swap when key j < key i. The fast
// SortMoveList must leave every list as this does, equal keys included.
void PlainExchangeSort(MoveRecord* first, int n);

// The current ply's list as the generation driver defines it: every piece
// of the side to move in id order, each through GeneratePieceMoves, then
// the plain exchange sort. MoveCount[Ply] must be 0; at ply 0 the moves are
// appended to RootMoves as GenerateMoves appends them.
void PlainGenerateMoves();

// Negamax without a window or any short cut: every move of every node made
// and judged, every legal one searched; the same leaves, check extension at
// the horizon and no-move scores as Minimax. Minimax at a node with window
// (alpha, beta) returns this value clamped into the window, or the no-move
// score itself when the node has no legal move. Leaves RootMoves as found.
int32_t PlainNegamax(int16_t depth);

#if defined(VELMOR_CHECK_INVARIANT)
// Checked builds call these from Minimax. The first compares the node's
// list as GenerateMoves gives it with PlainGenerateMoves' (below the root,
// and only when the list did not fill up: a full list would log again);
// the list the node holds is left as it was. The second compares the value
// a node next to the leaves returned with PlainNegamax's, for one such node
// in a fixed number; the search's counts and marks stay as they were.
void CheckListIsPlain();
void CheckNodeIsPlain(int32_t value, int32_t alpha, int32_t beta, int16_t depth);
#endif
