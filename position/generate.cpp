// The generation driver: every pseudo-legal move of the side to move,
// grouped by piece in ascending id order, then put in search order.
#include "position/generate.h"

#include <cstdint>
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

namespace {

// A set of list positions 0..127, one bit each.
struct PositionSet {
    uint64_t word[2] = {0, 0};
    void Add(int pos) { word[pos >> 6] |= uint64_t{1} << (pos & 63); }
    void Remove(int pos) { word[pos >> 6] &= ~(uint64_t{1} << (pos & 63)); }
};

// The literal procedure, for key spreads too wide for the fast path.
void LiteralExchangeSort(MoveRecord* list, int n) {
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j)
            if (list[j].Score < list[i].Score) std::swap(list[i], list[j]);
}

}  // namespace

// Exchange sort, ascending by Score, on whole records: for i = 1..n, for
// j = i + 1..n, entries i and j are swapped when key j < key i. Equal keys
// end in the order this exact procedure leaves them, which decides the
// order the search tries moves in, so its outcome must be reproduced
// exactly; a stable or library sort would change the search.
//
// Shaped for speed without changing that outcome. Pass i only ever swaps
// at the positions j where a key below the one held at i appears: the
// first j > i with a smaller key, then the first j after it with a key
// below the new one, and so on. So the routine
//   - returns at once when all keys are equal (most nodes: no capture or
//     promotion), since then no swap ever happens;
//   - otherwise keeps, for every key value present, the set of positions
//     holding it as a bit set, and finds each next swap position with a
//     mask and a bit scan instead of a walk over the list.
// Keys of generated moves lie in 0..36 (Captured + Promotion); a list whose
// keys spread over more than 64 values is sorted by the literal loops.
// The unit test compares it with the literal loops on random lists.
void SortMoveList() {
    const int n = MoveCount[Ply];
    MoveRecord* list = MoveList[Ply];
    if (n < 2) return;
    int32_t lo = list[1].Score, hi = lo;
    for (int k = 2; k <= n; ++k) {
        const int32_t key = list[k].Score;
        lo = key < lo ? key : lo;
        hi = key > hi ? key : hi;
    }
    if (lo == hi) return;
    if (static_cast<int64_t>(hi) - lo >= 64) return LiteralExchangeSort(list, n);

    // at[v]: positions holding key lo + v; present: the key values in use.
    PositionSet at[64];
    uint64_t present = 0;
    for (int k = 1; k <= n; ++k) {
        const int v = list[k].Score - lo;
        if (!(present >> v & 1)) at[v] = PositionSet{};
        present |= uint64_t{1} << v;
        at[v].Add(k);
    }
    for (int i = 1; i < n; ++i) {
        int held = list[i].Score - lo;  // the key at position i during the pass
        int from = i;                  // the pass has looked up to here
        for (;;) {
            // Positions after from with a key below the held one.
            uint64_t below = present & ((uint64_t{1} << held) - 1);
            if (below == 0) break;
            uint64_t w0 = 0, w1 = 0;
            for (; below != 0; below &= below - 1) {
                const int v = __builtin_ctzll(below);
                w0 |= at[v].word[0];
                w1 |= at[v].word[1];
            }
            // Keep only the positions above from (from is 1..99).
            if (from < 63) {
                w0 &= ~uint64_t{0} << (from + 1);
            } else {
                w0 = 0;
                w1 &= ~uint64_t{0} << (from + 1 - 64);
            }
            if (w0 == 0 && w1 == 0) break;
            const int j = w0 != 0 ? __builtin_ctzll(w0) : 64 + __builtin_ctzll(w1);
            const int found = list[j].Score - lo;
            std::swap(list[i], list[j]);
            // The held key goes to j, the smaller one comes to i.
            at[held].Remove(i);
            at[held].Add(j);
            at[found].Remove(j);
            at[found].Add(i);
            held = found;
            from = j;
        }
    }
}
