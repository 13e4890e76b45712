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

// A set of list positions 0..127, one bit each.
// No default member initialiser: the sort's 64 sets are cleared only when
// their key turns up, not all of them on every call.
struct PositionSet {
    uint64_t word[2];
    void Add(int pos) { word[pos >> 6] |= uint64_t{1} << (pos & 63); }
    void Remove(int pos) { word[pos >> 6] &= ~(uint64_t{1} << (pos & 63)); }
    // The lowest position above pos (pos 0..126), 0 when there is none.
    int FirstAbove(int pos) const {
        uint64_t w0 = 0, w1 = word[1];
        if (pos < 63)
            w0 = word[0] & (~uint64_t{0} << (pos + 1));
        else
            w1 &= ~uint64_t{0} << (pos + 1 - 64);
        if (w0 != 0) return __builtin_ctzll(w0);
        if (w1 != 0) return 64 + __builtin_ctzll(w1);
        return 0;
    }
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
//     mask and a bit scan instead of a walk over the list;
//   - runs passes only from positions that hold a key above the lowest,
//     since a pass from a position holding the lowest key swaps nothing.
// Keys of generated moves lie in 0..36 (Captured + Promotion); a list whose
// keys spread over more than 64 values is sorted by the literal loops.
// The unit test compares it with the literal loops on random lists.
void SortMoveList() {
    const int n = MoveCount[Ply];
    MoveRecord* list = MoveList[Ply];
    if (n < 2) return;
    // All keys equal: no swap ever happens.
    const int32_t first = list[1].Score;
    uint32_t differ = 0;
    for (int k = 2; k <= n; ++k) differ |= static_cast<uint32_t>(list[k].Score ^ first);
    if (differ == 0) return;
    int32_t lo = first, hi = first;
    for (int k = 2; k <= n; ++k) {
        const int32_t key = list[k].Score;
        lo = key < lo ? key : lo;
        hi = key > hi ? key : hi;
    }
    if (static_cast<int64_t>(hi) - lo >= 64) return LiteralExchangeSort(list, n);

    // at[v]: positions holding key lo + v; present: the key values in use;
    // raised: positions holding a key above lo. A pass whose position holds
    // lo finds nothing smaller, so only raised positions start passes.
    PositionSet at[64], raised{};
    uint64_t present = 0;
    for (int k = 1; k <= n; ++k) {
        const int v = list[k].Score - lo;
        if (!(present >> v & 1)) at[v] = PositionSet{};
        present |= uint64_t{1} << v;
        at[v].Add(k);
        if (v != 0) raised.Add(k);
    }
    for (int i = raised.FirstAbove(0); i != 0 && i < n; i = raised.FirstAbove(i)) {
        int held = list[i].Score - lo;  // the key at position i during the pass
        int from = i;                  // the pass has looked up to here
        for (;;) {
            // The first position after from with a key below the held one.
            PositionSet smaller{};
            for (uint64_t below = present & ((uint64_t{1} << held) - 1); below != 0; below &= below - 1) {
                const int v = __builtin_ctzll(below);
                smaller.word[0] |= at[v].word[0];
                smaller.word[1] |= at[v].word[1];
            }
            const int j = smaller.FirstAbove(from);
            if (j == 0) break;
            const int found = list[j].Score - lo;
            std::swap(list[i], list[j]);
            // The held key goes to j, the smaller one comes to i.
            at[held].Remove(i);
            at[held].Add(j);
            at[found].Remove(j);
            at[found].Add(i);
            if (found == 0) {
                raised.Remove(i);
                raised.Add(j);
            }
            held = found;
            from = j;
        }
    }
}
