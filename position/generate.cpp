// The generation driver: every pseudo-legal move of the side to move,
// grouped by piece in ascending id order, then put in search order.
#include "position/generate.h"

#include <cstdint>
#include <cstring>
#include <algorithm>
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

namespace {

// The generator each id on a square calls. Kept as a table and a chain of
// tests (pawns first, the most frequent) rather than a switch: a jump table
// is one indirect branch whose target changes from piece to piece.
enum : uint8_t { NoGenerator, PawnGenerator, KnightGenerator, BishopGenerator, RookGenerator, QueenGenerator, KingGenerator };
constexpr struct GeneratorOfId {
    uint8_t of[256] = {};
    constexpr GeneratorOfId() {
        for (int id : {1, 8, 17, 24}) of[id] = RookGenerator;
        for (int id : {2, 7, 18, 23}) of[id] = KnightGenerator;
        for (int id : {3, 6, 19, 22}) of[id] = BishopGenerator;
        of[4] = of[21] = QueenGenerator;
        of[5] = of[20] = KingGenerator;
        for (int id = 9; id <= 16; ++id) of[id] = of[id + 16] = PawnGenerator;
    }
} GeneratorFor;

}  // namespace

void GeneratePieceMoves(uint8_t rank, uint8_t file) {
    // 1. A piece off the board has no square; its stale rank is not looked at.
    if (file == OffBoard) return;
    // 2. The generator follows the id found on the square.
    const uint8_t generator = GeneratorFor.of[Sq(rank, file, Ply)];
    if (generator == PawnGenerator)
        GeneratePawnMoves(rank, file);
    else if (generator == KnightGenerator)
        GenerateKnightMoves(rank, file, 0);
    else if (generator == BishopGenerator)
        GenerateBishopMoves(rank, file, 0);
    else if (generator == RookGenerator)
        GenerateRookMoves(rank, file, 0);
    else if (generator == QueenGenerator)
        GenerateQueenMoves(rank, file, 0);
    else if (generator == KingGenerator)
        GenerateKingMoves(rank, file);
}

namespace {

// The literal procedure on entries 0..n-1 of a block.
void LiteralExchangeSort(MoveRecord* block, int n) {
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            if (block[j].Score < block[i].Score) std::swap(block[i], block[j]);
}

// Passes of the exchange sort over a block whose keys never rise: each
// group of equal keys is turned left by one place per pass.
void TurnEqualGroups(MoveRecord* block, int size, int passes) {
    for (int g = 0; g < size;) {
        int e = g + 1;
        while (e < size && block[e].Score == block[g].Score) ++e;
        const int turn = passes % (e - g);
        if (turn != 0) std::rotate(block + g, block + g + turn, block + e);
        g = e;
    }
}

}  // namespace

// Exchange sort, ascending by Score, on whole records: for i = 1..n, for
// j = i + 1..n, entries i and j are swapped when key j < key i. Equal keys
// end in the order this exact procedure leaves them, which decides the
// order the search tries moves in, so its outcome must be reproduced
// exactly; a stable or library sort would change the search.
//
// Shaped for speed, with the same outcome. Call the records with the
// lowest key of the list "low" and the others "raised". Pass i keeps its
// record when that is low (nothing is smaller). When it is raised, the
// records from i on up to the first low one are all raised (a block), and
// the pass walks them swapping in every smaller one, then swaps in that low
// record: the low record lands at i, and the block, changed only by that
// walk, now stands one place further on. So a single left-to-right reading
// of the list gives the result:
//   - a low record met with no block pending is already in its place;
//   - a raised record joins the end of the block;
//   - a low record met with a block pending is placed next, and the block
//     gets that pass's walk (its first record carried along, swapped with
//     every smaller one, and left at the block's end);
//   - at the end of the list only the block is left, and the remaining
//     passes run among its records: the literal loops on the block.
// A list without raised records (most nodes: no capture, no promotion)
// returns after one look at the keys. The unit test compares the routine
// with the literal loops on random lists.
void SortMoveList() {
    const int n = MoveCount[Ply];
    MoveRecord* list = MoveList[Ply];
    if (n < 2) return;
    // One reading finds the lowest key and where the non-zero keys stand
    // (branch-free: every entry is written, the count grows only for a
    // non-zero key). Lists with a quiet move have the lowest key 0, and
    // those records are then exactly the raised ones; otherwise a second
    // reading finds the raised records against the lowest key.
    uint8_t raised[MaxMovesPerPly + 1];
    int raisedCount = 0;
    int32_t low = list[1].Score;
    for (int k = 1; k <= n; ++k) {
        const int32_t key = list[k].Score;
        raised[raisedCount] = static_cast<uint8_t>(k);
        raisedCount += key != 0;
        low = key < low ? key : low;
    }
    if (low != 0) {
        raisedCount = 0;
        for (int k = 1; k <= n; ++k) {
            raised[raisedCount] = static_cast<uint8_t>(k);
            raisedCount += list[k].Score != low;
        }
    }
    if (raisedCount == 0) return;  // all keys equal: no swap ever happens

    // The block is buffer[start .. start + size - 1]; each literal pass
    // moves it one place on in the buffer, so nothing is shifted. Once the
    // block's keys never rise from first to last, a pass keeps them so and
    // only turns each group of equal keys by one place (its first record,
    // carried along, is left behind that group's last when a smaller key
    // takes its place), so any number of passes is one turn of each group
    // by that number; such passes are counted in pending and made at once.
    // The low records come in runs between raised ones: the records before
    // the first raised one stay where they are, every later run moves down
    // as one piece, and each of its records is one pass.
    MoveRecord buffer[2 * (MaxMovesPerPly + 1)];
    int start = 0, size = 0, placed = raised[0], pending = 0;
    bool ordered = true;  // the block's keys never rise
    for (int j = 0; j < raisedCount; ++j) {
        const int at = raised[j], next = j + 1 < raisedCount ? raised[j + 1] : n + 1;
        const MoveRecord record = list[at];
        if (pending != 0) TurnEqualGroups(&buffer[start], size, pending);
        pending = 0;
        if (size > 0 && record.Score > buffer[start + size - 1].Score) ordered = false;
        buffer[start + size++] = record;
        const int run = next - at - 1;  // low records up to the next raised one
        if (run == 0) continue;
        std::memmove(&list[placed], &list[at + 1], static_cast<size_t>(run) * sizeof(MoveRecord));
        placed += run;
        int pass = 0;
        for (; pass < run && !ordered; ++pass) {
            MoveRecord carried = buffer[start];
            for (int t = start + 1; t < start + size; ++t)
                if (buffer[t].Score < carried.Score) std::swap(carried, buffer[t]);
            buffer[start + size] = carried;
            ++start;
            ordered = true;
            for (int t = start + 1; t < start + size && ordered; ++t) ordered = buffer[t].Score <= buffer[t - 1].Score;
        }
        pending += run - pass;
    }
    if (pending != 0) TurnEqualGroups(&buffer[start], size, pending);
    LiteralExchangeSort(&buffer[start], size);
    for (int t = 0; t < size; ++t) list[placed + t] = buffer[start + t];
}
