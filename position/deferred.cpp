// The deferred lists: the search's move list with its quiet moves counted at once and written only when reached.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "position/exchangesort.h"
#include "position/generate.h"
#include "position/piecemoves.h"
#include "position/rays.h"
#include "position/variabili.h"

uint8_t WrittenFrom[MaxPly + 1] = {};

using piecemoves::SlotMoves;

namespace {

// What a deferred list still has to write, per ply [ply]: the quiet moves of
// each of the side's sixteen pieces, by slot k = id - firstId.
struct DeferredQuiet {
    uint8_t first[PiecesPerSide];  // list entry of slot k's first quiet move
    uint8_t count[PiecesPerSide];  // slot k's quiet moves, entries first..first + count - 1
    uint8_t firstId;               // the side's first id: WhiteRookA or BlackRookH
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
        if (IsKingId(captured)) return;
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
    d.firstId = SideToMove ? WhiteFacts.firstId : BlackFacts.firstId;
    if (SideToMove)
        ScanSide<WhiteFacts.firstId>(scan, d, p, std::make_integer_sequence<int, PiecesPerSide>{});
    else
        ScanSide<BlackFacts.firstId>(scan, d, p, std::make_integer_sequence<int, PiecesPerSide>{});
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
    if (d.firstId == WhiteFacts.firstId)
        WriteSlots<WhiteFacts.firstId>(d, p, std::make_integer_sequence<int, PiecesPerSide>{});
    else
        WriteSlots<BlackFacts.firstId>(d, p, std::make_integer_sequence<int, PiecesPerSide>{});
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
