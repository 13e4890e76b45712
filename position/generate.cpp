// The generation order: every pseudo-legal move of the side to move, grouped by piece in ascending id order, then sorted.
#include "position/generate.h"

#include <cstdint>
#include <utility>

#include "position/exchangesort.h"
#include "position/mossedeipezzi.h"
#include "position/piecemoves.h"
#include "position/variabili.h"

namespace {

template <int FirstId, int... Slots>
void AppendSide(int p, std::integer_sequence<int, Slots...>) {
    piecemoves::AppendToList toList;
    (piecemoves::SlotMoves<FirstId, Slots>(toList, p), ...);
}

}  // namespace

void GenerateMoves() {
    // 1. The side's pieces in id order (White 1..16, Black 17..32).
    if (SideToMove)
        AppendSide<WhiteFacts.firstId>(Ply, std::make_integer_sequence<int, PiecesPerSide>{});
    else
        AppendSide<BlackFacts.firstId>(Ply, std::make_integer_sequence<int, PiecesPerSide>{});
    // 2. Ordering: the search takes moves from the top of the list.
    SortMoveList();
    WrittenFrom[Ply] = 0;
}

void GeneratePieceMoves(uint8_t rank, uint8_t file) {
    piecemoves::AppendToList toList;
    piecemoves::PieceMoves(toList, rank, file);
}
