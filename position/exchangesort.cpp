// The exchange sort that puts a generated list in search order, reproduced exactly but in one reading of the list.
#include "position/exchangesort.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "position/variabili.h"

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
    TieKey key;                    // all zeros when empty (a real key has count >= 2)
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

}  // namespace

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

namespace {

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
