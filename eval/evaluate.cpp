// Static evaluation over the fixed piece ids: table values (material and
// placement in one number) plus rook, bishop, castling, queen and pawn
// terms. White's terms are added, Black's subtracted, and the sum is turned
// to the view of the side to move.
#include "eval/evaluate.h"

#include "eval/valorideipezzi.h"
#include "position/variabili.h"
#include "search/analizza.h"

namespace {

// Facts of one colour for the shared term routines.
struct Colour {
    uint8_t rookA, rookB, knightA, knightB, bishopA, bishopB, queen, king;
    int ownLo, ownHi, enemyLo, enemyHi;  // id ranges
    int homeRank;
    int rankStep;                        // toward the enemy: +1 White, -1 Black
    const int16_t (*pawnTable)[8];
    const int16_t (*rookTable)[8];
};
constexpr Colour White = {1, 8, 2, 7, 3, 6, 4, 5, 1, 16, 17, 32, 1, +1, WhitePawnTable, WhiteRookTable};
constexpr Colour Black = {17, 24, 18, 23, 19, 22, 21, 20, 17, 32, 1, 16, 8, -1, BlackPawnTable, BlackRookTable};

inline bool Present(int id, int p) { return FileOf(id, p) != OffBoard; }
inline int TableAt(const int16_t (*t)[8], int id, int p) { return t[RankOf(id, p) - 1][FileOf(id, p) - 1]; }

// Rook: its table value, and 5 when the first piece ahead on its file is an enemy.
int RookTerm(const Colour& c, int id, int p) {
    if (!Present(id, p)) return 0;
    int score = TableAt(c.rookTable, id, p);
    const int file = FileOf(id, p);
    for (int r = RankOf(id, p) + c.rankStep; r >= 1 && r <= 8; r += c.rankStep) {
        int occupant = Sq(r, file, p);
        if (occupant == 0) continue;
        if (occupant >= c.enemyLo && occupant <= c.enemyHi) score += 5;
        break;
    }
    return score;
}

// 10 when both rooks stand on one rank, or else on one file, with nothing between.
int ConnectedRooks(const Colour& c, int p) {
    if (!Present(c.rookA, p) || !Present(c.rookB, p)) return 0;
    int ra = RankOf(c.rookA, p), fa = FileOf(c.rookA, p), rb = RankOf(c.rookB, p), fb = FileOf(c.rookB, p);
    if (ra == rb) {
        for (int f = (fa < fb ? fa : fb) + 1; f < (fa < fb ? fb : fa); ++f)
            if (Sq(ra, f, p) != 0) return 0;
        return 10;
    }
    if (fa == fb) {
        for (int r = (ra < rb ? ra : rb) + 1; r < (ra < rb ? rb : ra); ++r)
            if (Sq(r, fa, p) != 0) return 0;
        return 10;
    }
    return 0;
}

int Minor(const int16_t (*t)[8], int id, int p) { return Present(id, p) ? TableAt(t, id, p) : 0; }

// Value of a promoted pawn by its new kind.
int PromotedValue(const Colour& c, int id, int p) {
    switch (PromOf(id, p)) {
        case PromQueen: return TableAt(QueenTable, id, p);
        case PromRook: return TableAt(c.rookTable, id, p);
        case PromBishop: return TableAt(BishopTable, id, p);
        case PromKnight: return TableAt(KnightTable, id, p);
        default: return 0;
    }
}

// Pawns: table value, doubled (-3 per own pawn id above on the file),
// isolated (-5), free to advance (+5: no enemy pawn id on a neighbouring
// file further ahead). Pawn ids count in these tests whether promoted or not.
int PawnTerms(const Colour& c, const Colour& enemy, int p) {
    int score = 0;
    const int pawnLo = c.ownLo + 8, enemyPawnLo = enemy.ownLo + 8;
    for (int id = pawnLo; id < pawnLo + 8; ++id) {
        if (!Present(id, p)) continue;
        if (PromOf(id, p) != 0) {
            score += PromotedValue(c, id, p);
            continue;
        }
        const int rank = RankOf(id, p), file = FileOf(id, p);
        score += TableAt(c.pawnTable, id, p);
        for (int r = rank + 1; r <= 8; ++r) {
            int occupant = Sq(r, file, p);
            if (occupant >= pawnLo && occupant < pawnLo + 8) score -= 3;
        }
        bool neighbour = false, enemyAhead = false;
        for (int other = pawnLo; other < pawnLo + 8; ++other) {
            int d = FileOf(other, p) - file;
            if (d == 1 || d == -1) neighbour = true;
        }
        for (int other = enemyPawnLo; other < enemyPawnLo + 8; ++other) {
            int d = FileOf(other, p) - file;
            if ((d == 1 || d == -1) && (RankOf(other, p) - rank) * c.rankStep > 0) enemyAhead = true;
        }
        if (!neighbour) score -= 5;
        if (!enemyAhead) score += 5;
    }
    return score;
}

// One colour's whole sum, from that colour's point of view.
int ColourTerms(const Colour& c, const Colour& enemy, int p) {
    int score = 0;
    // Rooks and connected rooks.
    score += RookTerm(c, c.rookA, p) + RookTerm(c, c.rookB, p);
    score += ConnectedRooks(c, p);
    // Knights, bishops, queen in id order of White's pieces.
    score += Minor(KnightTable, c.knightA, p) + Minor(BishopTable, c.bishopA, p) + Minor(QueenTable, c.queen, p) +
             Minor(BishopTable, c.bishopB, p) + Minor(KnightTable, c.knightB, p);
    // Bishop pair.
    if (Present(c.bishopA, p) && Present(c.bishopB, p)) score += 10;
    // Castled king with its rook beside it.
    const int home = c.homeRank;
    if (Present(c.king, p) && RankOf(c.king, p) == home) {
        int kf = FileOf(c.king, p);
        auto rookOn = [&](int f) { int id = Sq(home, f, p); return id == c.rookA || id == c.rookB; };
        if ((kf == 7 && rookOn(6)) || (kf == 3 && rookOn(4))) score += 30;
    }
    // The queen stays home in the opening.
    if (MoveNumber < 6 && Sq(home, 4, p) != c.queen) score -= 100;
    // Pawns.
    score += PawnTerms(c, enemy, p);
    // An own pawn id in front of the king on its file.
    if (Present(c.king, p)) {
        const int kf = FileOf(c.king, p);
        const int pawnLo = c.ownLo + 8;
        bool covered = false;
        for (int r = RankOf(c.king, p) + c.rankStep; r >= 1 && r <= 8; r += c.rankStep) {
            int occupant = Sq(r, kf, p);
            if (occupant >= pawnLo && occupant < pawnLo + 8) covered = true;
        }
        if (!covered) score -= 7;
    }
    return score;
}

}  // namespace

int16_t Evaluate() {
    const int p = Ply;
    int score = ColourTerms(White, Black, p) - ColourTerms(Black, White, p);
    if (!SideToMove) score = -score;
    return static_cast<int16_t>(score);
}
