// The position globals and the two ply changes.
#include "position/variabili.h"

#include <cstdio>
#include <cstdlib>

uint8_t Board[MaxPly + 1][8][8];
uint8_t PieceRank[MaxPly + 1][32];
uint8_t PieceFile[MaxPly + 1][32];
uint8_t PromotedKind[MaxPly + 1][32];
int16_t Ply = 0;
Bool16 SideToMove = True;
MoveRecord MoveList[MaxPly + 1][MaxMovesPerPly + 1];
uint8_t MoveCount[MaxPly + 1];
std::vector<MoveRecord> RootMoves(1);

PieceKind KindOf(int id, int ply) {
    return id >= 1 && id <= 32 ? KindOfIdAs(id, PromOf(id, ply)) : PieceKind::None;
}

void EnterPly() {
    Ply = static_cast<int16_t>(Ply + 1);
    SideToMove = static_cast<Bool16>(~SideToMove);
}

void LeavePly() {
    Ply = static_cast<int16_t>(Ply - 1);
    SideToMove = static_cast<Bool16>(~SideToMove);
}

const char* PositionInvariantFault(int ply) {
    if (ply < 0 || ply > MaxPly) return "ply out of range";
    if (Ply < 0 || Ply > MaxPly) return "Ply out of range";
    for (int p = 0; p <= MaxPly; ++p)
        if (MoveCount[p] > MaxMovesPerPly) return "MoveCount above the list size";
    int seen[33] = {0};
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank) {
            int id = Sq(rank, file, ply);
            if (id == 0) continue;
            if (id > 32) return "square holds an id above 32";
            if (seen[id]++) return "an id stands on two squares";
            if (FileOf(id, ply) != file || RankOf(id, ply) != rank) return "a square's id does not point back to it";
        }
    for (int id = 1; id <= 32; ++id) {
        if (FileOf(id, ply) == OffBoard) continue;
        int f = FileOf(id, ply), r = RankOf(id, ply);
        if (!OnBoard(r, f)) return "a present id has coordinates off the board";
        if (Sq(r, f, ply) != id) return "a present id's square holds another id";
    }
    if (FileOf(WhiteKing, ply) == OffBoard || FileOf(BlackKing, ply) == OffBoard) return "a king is missing";
    return "";
}

#if defined(VELMOR_CHECK_INVARIANT)
void AssertPositionInvariant(int ply, const char* where) {
    const char* fault = PositionInvariantFault(ply);
    if (fault[0] != 0) {
        std::fprintf(stderr, "position invariant broken at ply %d after %s: %s\n", ply, where, fault);
        std::abort();
    }
}
#endif
