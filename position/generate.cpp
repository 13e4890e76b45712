// The generation driver: every pseudo-legal move of the side to move,
// grouped by piece in ascending id order, then put in search order.
#include "position/generate.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "position/mossedeipezzi.h"
#include "position/piecemoves.h"
#include "position/rays.h"
#include "position/variabili.h"

uint8_t WrittenFrom[MaxPly + 1] = {};

namespace {

// The moves of id FirstId + Slot at ply p, when it is on the board; written
// out per id, so the generator and the colour are fixed when compiled (the
// id on the piece's square is the piece's own).
template <int FirstId, int Slot, class Sink>
[[gnu::always_inline]] inline void SlotMoves(Sink& sink, int p) {
    constexpr uint8_t id = static_cast<uint8_t>(FirstId + Slot);
    const uint8_t file = FileOf(id, p);
    if (file != OffBoard) piecemoves::MovesOfId<id>(sink, piecemoves::SquareIndex(RankOf(id, p), file));
}

template <int FirstId, int... Slots>
void AppendSide(int p, std::integer_sequence<int, Slots...>) {
    piecemoves::AppendToList toList;
    (SlotMoves<FirstId, Slots>(toList, p), ...);
}

}  // namespace

void GenerateMoves() {
    // 1. The side's pieces in id order (White 1..16, Black 17..32).
    if (SideToMove)
        AppendSide<1>(Ply, std::make_integer_sequence<int, 16>{});
    else
        AppendSide<17>(Ply, std::make_integer_sequence<int, 16>{});
    // 2. Ordering: the search takes moves from the top of the list.
    SortMoveList();
    WrittenFrom[Ply] = 0;
}

void GeneratePieceMoves(uint8_t rank, uint8_t file) {
    piecemoves::AppendToList toList;
    piecemoves::PieceMoves(toList, rank, file);
}

namespace {

// One walk of the exchange sort: the carried record is compared with
// entries from..to-1 in turn and swapped with every one whose key is
// smaller. Written on the records as 8-byte words with masks instead of
// branches: whether a tie block's records swap is close to a coin toss, so
// a branch here is mispredicted about every other time.
static_assert(std::endian::native == std::endian::little, "a record's key is the upper half of its word");
inline int32_t KeyOfWord(uint64_t word) { return static_cast<int32_t>(word >> 32); }
inline void CarryAlong(MoveRecord& carried, MoveRecord* block, int from, int to) {
    uint64_t held;
    std::memcpy(&held, &carried, sizeof held);
    for (int t = from; t < to; ++t) {
        uint64_t entry;
        std::memcpy(&entry, &block[t], sizeof entry);
        // All ones when the entry's key is smaller: then the two swap.
        const uint64_t swap = uint64_t{0} - static_cast<uint64_t>(KeyOfWord(entry) < KeyOfWord(held));
        const uint64_t differ = (held ^ entry) & swap;
        const uint64_t left = entry ^ differ;
        held ^= differ;
        std::memcpy(&block[t], &left, sizeof left);
    }
    std::memcpy(&carried, &held, sizeof held);
}

// The literal procedure on entries 0..n-1 of a block: pass i carries entry
// i along the rest and leaves there what it ends with.
void LiteralExchangeSort(MoveRecord* block, int n) {
    for (int i = 0; i + 1 < n; ++i) CarryAlong(block[i], block, i + 1, n);
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

void SimulateTies(const MoveRecord* records, const uint8_t* at, int count, int n, MoveRecord* out);

// The orders found for blocks with equal keys, by a hash of their key.
constexpr int MaxRemembered = 16;
struct TieKey {
    uint64_t word[5];  // n, count, then the count keys, then the count entries, as bytes; zeros after
};
struct TieEntry {
    TieKey key;                     // all zeros when empty (a real key has count >= 2)
    uint8_t order[MaxRemembered];  // out[t] is records[order[t]]
};
constexpr int TieTableBits = 10;
TieEntry TieOrders[1 << TieTableBits];

void KeyOfTies(TieKey& key, const MoveRecord* records, const uint8_t* at, int count, int n) {
    uint8_t bytes[sizeof key.word] = {};
    bytes[0] = static_cast<uint8_t>(n);
    bytes[1] = static_cast<uint8_t>(count);
    for (int j = 0; j < count; ++j) {
        bytes[2 + j] = static_cast<uint8_t>(records[j].Score);
        bytes[2 + count + j] = at[j];
    }
    std::memcpy(key.word, bytes, sizeof bytes);
}

int IndexOfTies(const TieKey& key) {
    uint64_t h = 0;
    for (const uint64_t w : key.word) h = (h ^ w) * 0x9E3779B97F4A7C15ull;
    return static_cast<int>(h >> (64 - TieTableBits));
}

// The block of raised records, as the exchange sort of a list of n records
// leaves it (see SortMoveList): records[j] stood at entry at[j], ascending,
// and every other entry held a low record. The block ends at the top of the
// list, entries n - count + 1..n, in the order written to out[0..count-1].
void SortRaisedBlock(const MoveRecord* records, const uint8_t* at, int count, int n, MoveRecord* out) {
    const MoveRecord* const original = records;
    // Without two equal keys there is only one ascending order, and the
    // exchange sort, being a sort, ends in it. The keys (captured id plus
    // promotion) are below 64, so the keys present are one bit set: two
    // equal keys show as fewer bits than records, and without them a
    // record's place is the number of smaller keys present.
    uint64_t present = 0;
    bool small = true;
    for (int j = 0; j < count; ++j) {
        const auto key = static_cast<uint32_t>(records[j].Score);
        small &= key < 64;
        present |= uint64_t{1} << (key & 63);
    }
    if (small && __builtin_popcountll(present) == count) {
        for (int j = 0; j < count; ++j)
            out[__builtin_popcountll(present & ((uint64_t{1} << records[j].Score) - 1))] = records[j];
        return;
    }
    if (!small) {
        // Other keys: an insertion sort finds the order, or a tie.
        bool tie = false;
        for (int j = 0; j < count; ++j) {
            const MoveRecord record = records[j];
            int t = j;
            for (; t > 0 && out[t - 1].Score > record.Score; --t) out[t] = out[t - 1];
            tie |= t > 0 && out[t - 1].Score == record.Score;
            out[t] = record;
        }
        if (!tie) return;
    }
    // With equal keys the order depends only on the keys, the entries they
    // stood at and the list's length, and nodes near each other meet the
    // same ones again: a small table remembers the order found for up to
    // MaxRemembered records, the whole of that as its key.
    TieKey key;
    TieEntry* entry = nullptr;
    if (small && count <= MaxRemembered) {
        KeyOfTies(key, records, at, count, n);
        entry = &TieOrders[IndexOfTies(key)];
        if (std::memcmp(entry->key.word, key.word, sizeof key.word) == 0) {
            for (int t = 0; t < count; ++t) out[t] = records[entry->order[t]];
            return;
        }
    }
    // The records carry their index in the Captured byte through the
    // simulation, which reads only their keys, so the order can be kept.
    MoveRecord tagged[MaxMovesPerPly];
    if (entry != nullptr) {
        for (int j = 0; j < count; ++j) {
            tagged[j] = records[j];
            tagged[j].Captured = static_cast<uint8_t>(j);
        }
        records = tagged;
    }
    SimulateTies(records, at, count, n, out);
    if (entry != nullptr) {
        entry->key = key;
        for (int t = 0; t < count; ++t) {
            entry->order[t] = out[t].Captured;
            out[t] = original[out[t].Captured];
        }
    }
}

// SortRaisedBlock's literal passes, for blocks with equal keys. The block
// is buffer[start .. start + size - 1]; each literal pass moves
// it one place on in the buffer, so nothing is shifted. Once the block's
// keys never rise from first to last, a pass keeps them so and only turns
// each group of equal keys by one place (its first record, carried along,
// is left behind that group's last when a smaller key takes its place), so
// any number of passes is one turn of each group by that number; such
// passes are counted in pending and made at once. Every low record after a
// raised one is one pass.
void SimulateTies(const MoveRecord* records, const uint8_t* at, int count, int n, MoveRecord* out) {
    MoveRecord buffer[2 * (MaxMovesPerPly + 1)];
    int start = 0, size = 0, pending = 0;
    bool ordered = true;  // the block's keys never rise
    for (int j = 0; j < count; ++j) {
        const int next = j + 1 < count ? at[j + 1] : n + 1;
        const MoveRecord record = records[j];
        if (pending != 0) TurnEqualGroups(&buffer[start], size, pending);
        pending = 0;
        if (size > 0 && record.Score > buffer[start + size - 1].Score) ordered = false;
        buffer[start + size++] = record;
        const int run = next - at[j] - 1;  // low records up to the next raised one
        int pass = 0;
        for (; pass < run && !ordered; ++pass) {
            MoveRecord carried = buffer[start];
            CarryAlong(carried, buffer, start + 1, start + size);
            buffer[start + size] = carried;
            ++start;
            ordered = true;
            for (int t = start + 1; t < start + size && ordered; ++t) ordered = buffer[t].Score <= buffer[t - 1].Score;
        }
        pending += run - pass;
    }
    if (pending != 0) TurnEqualGroups(&buffer[start], size, pending);
    LiteralExchangeSort(&buffer[start], size);
    for (int t = 0; t < size; ++t) out[t] = buffer[start + t];
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
// returns after one look at the keys. The literal loops are
// PlainExchangeSort (search/reference.h): the unit test compares the routine
// with them on random lists, the checked builds on every list of a search.
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
    // The low records keep their order and close up at the bottom: those
    // before the first raised one stay, every later run moves down as one
    // piece. The raised records, taken out first, go on top.
    MoveRecord records[MaxMovesPerPly];
    for (int j = 0; j < raisedCount; ++j) records[j] = list[raised[j]];
    int placed = raised[0];
    for (int j = 0; j < raisedCount; ++j) {
        const int at = raised[j], next = j + 1 < raisedCount ? raised[j + 1] : n + 1, run = next - at - 1;
        if (run == 0) continue;
        std::memmove(&list[placed], &list[at + 1], static_cast<size_t>(run) * sizeof(MoveRecord));
        placed += run;
    }
    SortRaisedBlock(records, raised, raisedCount, n, &list[placed]);
}

namespace {

// What a deferred list still has to write, per ply [ply]: the quiet moves of
// each of the side's sixteen pieces, by slot k = id - firstId.
struct DeferredQuiet {
    uint8_t first[16];  // list entry of slot k's first quiet move
    uint8_t count[16];  // slot k's quiet moves, entries first..first + count - 1
    uint8_t firstId;    // 1 for White, 17 for Black
};
DeferredQuiet Deferred[MaxPly + 1];

// The scan's sink: quiet moves are counted, captures and promotions kept
// with the list entry each would have had before the sort. A capture of a
// king is left out, as the append leaves it out.
struct Scan {
    int quiet = 0, raised = 0;
    uint64_t occupied, enemy;           // the slice's occupied squares; those of the other colour
    MoveRecord record[MaxMovesPerPly];  // the raised records in generation order, 0..raised - 1
    uint8_t at[MaxMovesPerPly];         // their list entries 1..MaxMovesPerPly
    void Quiet(int count) { quiet += count; }
    // Inline, so that a quiet move known as such when compiled is a count.
    [[gnu::always_inline]] void operator()(uint8_t piece, uint8_t moveCode, uint8_t captured, uint8_t promotion) {
        if ((captured | promotion) == 0)
            ++quiet;
        else
            Keep(piece, moveCode, captured, promotion);
    }
    [[gnu::noinline]] void Keep(uint8_t piece, uint8_t moveCode, uint8_t captured, uint8_t promotion) {
        if (captured == WhiteKing || captured == BlackKing) return;
        // Past a full list nothing is kept: such a list is made again in full.
        const int entry = quiet + raised + 1;
        if (entry <= MaxMovesPerPly) {
            StoreRecord(record[raised], piece, moveCode, captured, promotion, captured + promotion);
            at[raised] = static_cast<uint8_t>(entry);
        }
        ++raised;
    }
};

// The writing sink: one piece's quiet moves, in their order, into the
// entries counted for them and never past them.
struct WriteQuiet {
    MoveRecord* to;
    MoveRecord* end;
    void operator()(uint8_t piece, uint8_t moveCode, uint8_t captured, uint8_t promotion) {
        if ((captured | promotion) == 0 && to < end) StoreRecord(*to++, piece, moveCode, 0, 0, 0);
    }
};

// One slot of the scan: the piece of id FirstId + Slot, its quiet moves
// counted from entry first on.
template <int FirstId, int Slot>
[[gnu::always_inline]] inline void ScanSlot(Scan& scan, DeferredQuiet& d, int p) {
    const int before = scan.quiet;
    SlotMoves<FirstId, Slot>(scan, p);
    d.first[Slot] = static_cast<uint8_t>(before + 1);
    d.count[Slot] = static_cast<uint8_t>(scan.quiet - before);
}

// The side's sixteen ids in ascending order.
template <int FirstId, int... Slots>
void ScanSide(Scan& scan, DeferredQuiet& d, int p, std::integer_sequence<int, Slots...>) {
    (ScanSlot<FirstId, Slots>(scan, d, p), ...);
}

#if defined(VELMOR_CHECK_INVARIANT)
MoveRecord Expected[MaxPly + 1][MaxMovesPerPly + 1];  // GenerateMoves' list of the same node, [ply][entry]
bool HasExpected[MaxPly + 1];
#endif

}  // namespace

void GenerateMovesDeferred() {
    const int p = Ply;
    DeferredQuiet& d = Deferred[p];
    // 1. The side's pieces in id order: each one's quiet moves counted, the
    //    captures and promotions kept.
    Scan scan;
    const uint8_t* board = &Board[p][0][0];
    const uint64_t black = rays::BlackIds(board);
    scan.occupied = rays::Occupied(board);
    scan.enemy = SideToMove ? black : scan.occupied & ~black;
    d.firstId = SideToMove ? 1 : 17;
    if (SideToMove)
        ScanSide<1>(scan, d, p, std::make_integer_sequence<int, 16>{});
    else
        ScanSide<17>(scan, d, p, std::make_integer_sequence<int, 16>{});
    const int n = scan.quiet + scan.raised;
    // 2. A list the append would cut short (and log), or one whose lowest
    //    key is a capture's, is made in full.
    if (n > MaxMovesPerPly || scan.quiet == 0) {
#if defined(VELMOR_CHECK_INVARIANT)
        HasExpected[p] = false;
#endif
        GenerateMoves();
        return;
    }
#if defined(VELMOR_CHECK_INVARIANT)
    GenerateMoves();
    std::memcpy(Expected[p], MoveList[p], sizeof Expected[p]);
    HasExpected[p] = true;
    // Cleared, so that a quiet move the deferred writing missed is found.
    std::memset(&MoveList[p][1], 0, static_cast<size_t>(scan.quiet) * sizeof(MoveRecord));
#endif
    // 3. The sorted list: quiet moves at entries 1..quiet in generation
    //    order (written later), the raised records above them.
    MoveCount[p] = static_cast<uint8_t>(n);
    if (scan.raised != 0) SortRaisedBlock(scan.record, scan.at, scan.raised, n, &MoveList[p][scan.quiet + 1]);
    WrittenFrom[p] = static_cast<uint8_t>(scan.quiet + 1);
}

namespace {

// The quiet moves of slot Slot, when it has any.
template <int FirstId, int Slot>
[[gnu::always_inline]] inline void WriteSlot(const DeferredQuiet& d, int p) {
    if (d.count[Slot] == 0) return;
    WriteQuiet sink{&MoveList[p][d.first[Slot]], &MoveList[p][d.first[Slot] + d.count[Slot]]};
    SlotMoves<FirstId, Slot>(sink, p);
}

template <int FirstId, int... Slots>
void WriteSlots(const DeferredQuiet& d, int p, std::integer_sequence<int, Slots...>) {
    (WriteSlot<FirstId, Slots>(d, p), ...);
}

}  // namespace

void WriteDeferredMoves() {
    const int p = Ply;
    DeferredQuiet& d = Deferred[p];
    // Once the search reaches the quiet moves, all of them still unwritten
    // are written at once, each piece's with code fixed for its id: writing
    // one piece at a time would pick the writer through a table, an
    // indirect call whose target changes at every call.
    if (MoveCount[p] >= WrittenFrom[p]) return;
    if (d.firstId == 1)
        WriteSlots<1>(d, p, std::make_integer_sequence<int, 16>{});
    else
        WriteSlots<17>(d, p, std::make_integer_sequence<int, 16>{});
    WrittenFrom[p] = 1;
}

#if defined(VELMOR_CHECK_INVARIANT)
void CheckTopMove() {
    const int p = Ply, top = MoveCount[p];
    if (!HasExpected[p] || top == 0) return;
    const MoveRecord& m = MoveList[p][top];
    const MoveRecord& e = Expected[p][top];
    if (m.Piece != e.Piece || m.MoveCode != e.MoveCode || m.Captured != e.Captured || m.Promotion != e.Promotion ||
        m.Score != e.Score) {
        std::fprintf(stderr, "GenerateMovesDeferred: entry %d of ply %d differs from the full list's\n", top, p);
        std::abort();
    }
}
#endif
