// The generation driver: every pseudo-legal move of the side to move,
// grouped by piece in ascending id order, then put in search order.
#include "position/generate.h"

#include <utility>

#include "position/mossedeipezzi.h"
#include "position/variabili.h"

void GenerateMoves() {
    // 1. The side's pieces in id order (White 1..16, Black 17..32).
    const int first = SideToMove ? 1 : 17;
    for (int id = first; id < first + 16; ++id) GeneratePieceMoves(RankOf(id, Ply), FileOf(id, Ply));
    // 2. Ordering: the search takes moves from the top of the list.
    SortMoveList();
}

void GeneratePieceMoves(uint8_t rank, uint8_t file) {
    // 1. A piece off the board has no square; its stale rank is not looked at.
    if (file == OffBoard) return;
    // 2. The generator follows the id found on the square.
    uint8_t id = Sq(rank, file, Ply);
    switch (id) {
        case 0: return;
        case 1: case 8: case 17: case 24: GenerateRookMoves(rank, file, 0); return;
        case 2: case 7: case 18: case 23: GenerateKnightMoves(rank, file, 0); return;
        case 3: case 6: case 19: case 22: GenerateBishopMoves(rank, file, 0); return;
        case 4: case 21: GenerateQueenMoves(rank, file, 0); return;
        case 5: case 20: GenerateKingMoves(rank, file); return;
        default: if (id <= 32) GeneratePawnMoves(rank, file); return;
    }
}

// Exchange sort, ascending by Score, on whole records: for each i, every
// later j with a smaller key is swapped into i. Equal keys end in the order
// this exact procedure leaves them, which decides the order the search tries
// moves in, so it must not be replaced by a stable or library sort.
void SortMoveList() {
    const int n = MoveCount[Ply];
    MoveRecord* list = MoveList[Ply];
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j)
            if (list[j].Score < list[i].Score) std::swap(list[i], list[j]);
}
