// The check rules: whether a king is attacked at a ply.
//
// The companion library covers the opposing rooks, bishops, queen, king and
// unpromoted pawns from the board alone; the two knights of the initial
// set-up and every promoted pawn are tested here, by id. The entry points
// first ask the carried king facts (rules/kingfacts.h), which answer most
// tests from what is known of the ply before.
#include "rules/scacco.h"

#include <cstdlib>
#include <cstring>

#include "companion/velmorutil.h"
#include "position/rays.h"
#include "rules/kingfacts.h"
#include "rules/makemove.h"

namespace {

// The ply the tests examine: the one the move maker writes.
inline int NextPly() { return Ply + 1; }

// Every square strictly between (r0, f0) and (r1, f1), one step (dr, df) at a time, is empty at ply q.
inline bool PathClear(int r0, int f0, int r1, int f1, int dr, int df, int q) {
    for (int r = r0 + dr, f = f0 + df; r != r1 || f != f1; r += dr, f += df)
        if (Sq(r, f, q) != 0) return false;
    return true;
}

inline int Sign(int v) { return (v > 0) - (v < 0); }

inline bool RookLineAt(uint8_t attacker, uint8_t target, int q) {
    if (FileOf(attacker, q) == OffBoard) return false;
    int ra = RankOf(attacker, q), fa = FileOf(attacker, q), rt = RankOf(target, q), ft = FileOf(target, q);
    if (fa != ft && ra != rt) return false;
    return PathClear(ra, fa, rt, ft, Sign(rt - ra), Sign(ft - fa), q);
}

inline bool BishopLineAt(uint8_t attacker, uint8_t target, int q) {
    if (FileOf(attacker, q) == OffBoard) return false;
    int ra = RankOf(attacker, q), fa = FileOf(attacker, q), rt = RankOf(target, q), ft = FileOf(target, q);
    if (std::abs(rt - ra) != std::abs(ft - fa) || rt == ra) return false;
    return PathClear(ra, fa, rt, ft, Sign(rt - ra), Sign(ft - fa), q);
}

inline bool KnightAt(uint8_t attacker, uint8_t target, int q) {
    if (FileOf(attacker, q) == OffBoard) return false;
    return fCavallo(RankOf(target, q), FileOf(target, q), RankOf(attacker, q), FileOf(attacker, q)) != 0;
}

// The king of one colour attacked at ply q by the opposing pieces.
// Shaped for speed: the library test is called directly (no pointer, so it
// can be inlined across the build), and the promoted-pawn loop is skipped
// when none of the eight opposing pawn ids has promoted, which one 8-byte
// read of the PromotedKind slice tells.
inline bool KingAttackedAt(int q, uint8_t king, uint8_t knightA, uint8_t knightB, uint8_t pawnLo, bool white) {
    // 1. Rooks, bishops, queen, king and unpromoted pawns.
    const int32_t library = white ? fBianco(&Board[0][0][0], RankOf(king, q), FileOf(king, q), q, &PromotedKind[0][0])
                                  : fNero(&Board[0][0][0], RankOf(king, q), FileOf(king, q), q, &PromotedKind[0][0]);
    if (library == 1) return true;
    // 2. The two knights of the initial set-up.
    if (KnightAt(knightA, king, q) || KnightAt(knightB, king, q)) return true;
    // 3. Promoted pawns, as their new kind.
    uint64_t promotedPawns;
    std::memcpy(&promotedPawns, &PromotedKind[q][pawnLo - 1], sizeof promotedPawns);
    if (promotedPawns == 0) return false;
    for (uint8_t id = pawnLo; id < pawnLo + PawnsPerSide; ++id) {
        bool hit = false;
        switch (PromOf(id, q)) {
            case PromQueen: hit = RookLineAt(id, king, q) || BishopLineAt(id, king, q); break;
            case PromRook: hit = RookLineAt(id, king, q); break;
            case PromBishop: hit = BishopLineAt(id, king, q); break;
            case PromKnight: hit = KnightAt(id, king, q); break;
            default: break;
        }
        if (hit) return true;
    }
    return false;
}
inline bool WhiteAttackedAt(int q) { return KingAttackedAt(q, WhiteKing, BlackKnightG, BlackKnightB, BlackPawnH, true); }
inline bool BlackAttackedAt(int q) { return KingAttackedAt(q, BlackKing, WhiteKnightB, WhiteKnightG, WhitePawnA, false); }
inline bool AttackedAt(int q, bool whiteKing) { return whiteKing ? WhiteAttackedAt(q) : BlackAttackedAt(q); }

}  // namespace

bool KingAttackedAtPly(int ply, bool whiteKing) { return AttackedAt(ply, whiteKing); }

Bool16 MoverKingAttacked() {
    const int p = Ply, q = p + 1;
    const bool white = SideToMove != 0;
    const SliceOrigin& o = Origin[q];
    if (MadeFromKnownPly(q) && !IsKingId(o.piece) && !kingfacts::KnownAttacked(p, white)) {
        const uint8_t king = white ? WhiteKing : BlackKing;
        const bool attacked = kingfacts::UncoveredLine(q, king, kingfacts::SquareOf(king, q), o.from);
        return kingfacts::Checked(attacked, q, white, "MoverKingAttacked") ? True : False;
    }
    return AttackedAt(q, white) ? True : False;
}

Bool16 SideToMoveInCheck() {
    // The side to move's king at the current ply.
    const int q = Ply, p = q - 1;
    const bool white = SideToMove != 0;
    const SliceOrigin& o = Origin[q > 0 ? q : 0];
    // The side to move here made the move into ply p: when that move passed
    // the legality test its king was not attacked at p.
    if (q > 0 && MadeFromKnownPly(q) && !IsKingId(o.piece) && (Origin[p].legal || !kingfacts::KnownAttacked(p, white))) {
        return kingfacts::Checked(kingfacts::ReachedByMove(q, white ? WhiteKing : BlackKing), q, white, "SideToMoveInCheck") ? True : False;
    }
    // One ply down, the current ply is the one the full tests examine.
    LeavePly();
    Bool16 r = SideToMove ? BlackKingAttacked() : WhiteKingAttacked();
    EnterPly();
    return r;
}

Bool16 WhiteKingAttacked() { return WhiteAttackedAt(NextPly()) ? True : False; }
Bool16 BlackKingAttacked() { return BlackAttackedAt(NextPly()) ? True : False; }

Bool16 RookLineAttack(const uint8_t& attacker, const uint8_t& target) { return RookLineAt(attacker, target, NextPly()) ? True : False; }
Bool16 BishopLineAttack(const uint8_t& attacker, const uint8_t& target) { return BishopLineAt(attacker, target, NextPly()) ? True : False; }

Bool16 QueenLineAttack(const uint8_t& attacker, const uint8_t& target) {
    const int q = NextPly();
    if (FileOf(attacker, q) == OffBoard) return False;
    if (RankOf(attacker, q) == RankOf(target, q) || FileOf(attacker, q) == FileOf(target, q)) return RookLineAttack(attacker, target);
    return BishopLineAttack(attacker, target);
}

Bool16 KnightAttack(const uint8_t& attacker, const uint8_t& target) { return KnightAt(attacker, target, NextPly()) ? True : False; }
