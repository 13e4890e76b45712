// Check tests. The companion library covers the opposing rooks, bishops,
// queen, king and unpromoted pawns from the board alone; the two knights of
// the initial set-up and every promoted pawn are tested here, by id.
#include "rules/scacco.h"

#include <cstdlib>
#include <cstring>

#include "companion/velmorutil.h"

namespace {

inline int Q() { return Ply + 1; }

// Every square strictly between (r0, f0) and (r1, f1), one step (dr, df) at a time, is empty.
inline bool PathClear(int r0, int f0, int r1, int f1, int dr, int df, int q) {
    for (int r = r0 + dr, f = f0 + df; r != r1 || f != f1; r += dr, f += df)
        if (Sq(r, f, q) != 0) return false;
    return true;
}

inline int Sign(int v) { return (v > 0) - (v < 0); }

// The king of one colour attacked at ply Q by the opposing pieces.
// Shaped for speed: the library test is called directly (no pointer, so it
// can be inlined across the build), and the promoted-pawn loop is skipped
// when none of the eight opposing pawn ids has promoted, which one 8-byte
// read of the PromotedKind slice tells.
inline Bool16 KingAttacked(uint8_t king, uint8_t knightA, uint8_t knightB, uint8_t pawnLo, bool white) {
    const int q = Q();
    // 1. Rooks, bishops, queen, king and unpromoted pawns.
    const int32_t library = white ? fBianco(&Board[0][0][0], RankOf(king, q), FileOf(king, q), q, &PromotedKind[0][0])
                                  : fNero(&Board[0][0][0], RankOf(king, q), FileOf(king, q), q, &PromotedKind[0][0]);
    if (library == 1) return True;
    // 2. The two knights of the initial set-up.
    if (KnightAttack(knightA, king) || KnightAttack(knightB, king)) return True;
    // 3. Promoted pawns, as their new kind.
    uint64_t promotedPawns;
    std::memcpy(&promotedPawns, &PromotedKind[q][pawnLo - 1], sizeof promotedPawns);
    if (promotedPawns == 0) return False;
    for (uint8_t id = pawnLo; id < pawnLo + 8; ++id) {
        Bool16 hit = False;
        switch (PromOf(id, q)) {
            case PromQueen: hit = QueenLineAttack(id, king); break;
            case PromRook: hit = RookLineAttack(id, king); break;
            case PromBishop: hit = BishopLineAttack(id, king); break;
            case PromKnight: hit = KnightAttack(id, king); break;
            default: break;
        }
        if (hit) return True;
    }
    return False;
}

}  // namespace

Bool16 MoverKingAttacked() { return SideToMove ? WhiteKingAttacked() : BlackKingAttacked(); }

Bool16 SideToMoveInCheck() {
    // One ply down, the current ply is the one the tests examine.
    LeavePly();
    Bool16 r = SideToMove ? BlackKingAttacked() : WhiteKingAttacked();
    EnterPly();
    return r;
}

Bool16 WhiteKingAttacked() { return KingAttacked(WhiteKing, 18, 23, 25, true); }
Bool16 BlackKingAttacked() { return KingAttacked(BlackKing, 2, 7, 9, false); }

Bool16 RookLineAttack(const uint8_t& attacker, const uint8_t& target) {
    const int q = Q();
    if (FileOf(attacker, q) == OffBoard) return False;
    int ra = RankOf(attacker, q), fa = FileOf(attacker, q), rt = RankOf(target, q), ft = FileOf(target, q);
    if (fa != ft && ra != rt) return False;
    return PathClear(ra, fa, rt, ft, Sign(rt - ra), Sign(ft - fa), q) ? True : False;
}

Bool16 BishopLineAttack(const uint8_t& attacker, const uint8_t& target) {
    const int q = Q();
    if (FileOf(attacker, q) == OffBoard) return False;
    int ra = RankOf(attacker, q), fa = FileOf(attacker, q), rt = RankOf(target, q), ft = FileOf(target, q);
    if (std::abs(rt - ra) != std::abs(ft - fa) || rt == ra) return False;
    return PathClear(ra, fa, rt, ft, Sign(rt - ra), Sign(ft - fa), q) ? True : False;
}

Bool16 QueenLineAttack(const uint8_t& attacker, const uint8_t& target) {
    const int q = Q();
    if (FileOf(attacker, q) == OffBoard) return False;
    if (RankOf(attacker, q) == RankOf(target, q) || FileOf(attacker, q) == FileOf(target, q)) return RookLineAttack(attacker, target);
    return BishopLineAttack(attacker, target);
}

Bool16 KnightAttack(const uint8_t& attacker, const uint8_t& target) {
    const int q = Q();
    if (FileOf(attacker, q) == OffBoard) return False;
    return fCavallo(RankOf(target, q), FileOf(target, q), RankOf(attacker, q), FileOf(attacker, q)) != 0 ? True : False;
}
