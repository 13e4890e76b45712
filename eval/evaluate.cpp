// The static evaluation, for the side to move, with its terms as named constants.
//
// It works over the fixed piece ids: table values (material and placement in
// one number) plus rook, bishop, castling, queen and pawn terms. White's
// terms are added, Black's subtracted, and the sum is turned to the view of
// the side to move.
//
// Shaped for speed: it runs at nearly every position the search makes.
//   - The table values of all pieces are summed once per ply whose children
//     are evaluated; a child's sum is its ply's plus what the one move
//     changed (the mover, the piece it took, a castling rook).
//   - The pawn-structure terms depend on the pawn ids alone: a move that
//     neither moves nor takes a pawn id keeps its ply's; for the others the
//     pawn ids' square sets are brought up to date from the ply's and the
//     terms counted on them with a few shifts and population counts.
//   - The remaining terms (rooks, bishops, king, queen) are read from the
//     slice's occupancy as one bit set and from the pawn ids' square sets, so
//     each is a look-up or a mask test.
// A slice keeps its invariant (every present id stands on its square, every
// occupied square holds a present id), so a square test and the matching
// test on the ids' coordinates agree.
#include "eval/evaluate.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "eval/valorideipezzi.h"
#include "position/gamestate.h"
#include "position/rays.h"
#include "position/variabili.h"
#include "rules/makemove.h"

namespace {

// The terms, each from the view of the colour it is counted for (White's
// added, Black's subtracted). The tables (material and placement in one
// number) are in eval/valorideipezzi.
constexpr int RookFacingEnemy = 5;       // the first piece ahead on a rook's file is an enemy
constexpr int ConnectedRooksBonus = 10;  // both rooks on one rank or file, nothing between
constexpr int BishopPairBonus = 10;      // both bishops of the set-up on the board
constexpr int CastledKingBonus = 30;     // king on g or c of its home rank, a rook beside it toward the centre
constexpr int EarlyQueenPenalty = 100;   // the queen has left its home square ...
constexpr int EarlyQueenMoves = 6;       // ... while the engine's move counter is below this
constexpr int DoubledPawnPenalty = 3;    // per own pawn id above an unpromoted pawn on its file
constexpr int IsolatedPawnPenalty = 5;   // no own pawn id on a neighbouring file
constexpr int FreePawnBonus = 5;         // no enemy pawn id ahead on a neighbouring file
constexpr int OpenKingFilePenalty = 7;   // no own pawn id in front of the king on its file

// The colour facts the shared term routines read: rooks, bishops, queen,
// king, the other colour's ids, the home rank and the forward step.
using Colour = ColourFacts;
constexpr const Colour& White = WhiteFacts;
constexpr const Colour& Black = BlackFacts;

// One ply's position as the evaluation reads it.
struct Slice {
    const uint8_t* board;  // 64 bytes, square (rank, file) at (rank - 1) + 8 * (file - 1)
    const uint8_t* rank;   // PieceRank by id - 1
    const uint8_t* file;   // PieceFile by id - 1
    const uint8_t* prom;   // PromotedKind by id - 1
    uint64_t occupied;     // bit (rank - 1) + 8 * (file - 1) set when that square holds a piece

    bool Present(int id) const { return file[id - 1] != OffBoard; }
    int RankOf(int id) const { return rank[id - 1]; }
    int FileOf(int id) const { return file[id - 1]; }
    int At(int r, int f) const { return board[(r - 1) + 8 * (f - 1)]; }
    // Occupied ranks of file f, bit r - 1 for rank r.
    unsigned FileBits(int f) const { return static_cast<unsigned>(occupied >> (8 * (f - 1))) & 0xFF; }
};

// Where the pawn ids stand, as square sets with bit (rank - 1) + 8 * (file - 1):
// each file is one byte, bit r - 1 for rank r, so "on this file above it"
// is a shift within the bytes and "on a neighbouring file" a shift by 8.
struct PawnSets {
    uint64_t all[2];    // present pawn ids, promoted or not: [0] White's, [1] Black's
    uint64_t plain[2];  // the unpromoted ones among them
};

constexpr uint64_t EveryFile(uint8_t ranks) { return 0x0101010101010101ull * ranks; }

// The squares with a square of x strictly above them (a higher rank) on their file.
inline uint64_t BelowSome(uint64_t x) {
    uint64_t y = (x >> 1) & EveryFile(0x7F);
    y |= (y >> 1) & EveryFile(0x7F);
    y |= (y >> 2) & EveryFile(0x3F);
    y |= (y >> 4) & EveryFile(0x0F);
    return y;
}

// The squares with a square of x strictly below them on their file.
inline uint64_t AboveSome(uint64_t x) {
    uint64_t y = (x << 1) & EveryFile(0xFE);
    y |= (y << 1) & EveryFile(0xFE);
    y |= (y << 2) & EveryFile(0xFC);
    y |= (y << 4) & EveryFile(0xF0);
    return y;
}

// Every square of the files that hold a square of x: a byte's top bit is
// set by the addition when any lower bit is, and then spread to the byte.
inline uint64_t FilesOf(uint64_t x) {
    const uint64_t nonzero = (((x & EveryFile(0x7F)) + EveryFile(0x7F)) | x) & EveryFile(0x80);
    return (nonzero >> 7) * 0xFF;
}

// The squares on the files either side of those of x (files a and h have one).
inline uint64_t BesideFiles(uint64_t x) { return (x << 8) | (x >> 8); }

PawnSets PawnSetsOf(const Slice& s) {
    PawnSets p{};
    for (int c = 0; c < 2; ++c)
        for (int id = FactsOfColour(c == 0).firstPawn; id < FactsOfColour(c == 0).firstPawn + PawnsPerSide; ++id) {
            if (!s.Present(id)) continue;
            const uint64_t bit = uint64_t{1} << ((s.RankOf(id) - 1) + 8 * (s.FileOf(id) - 1));
            p.all[c] |= bit;
            if (s.prom[id - 1] == NotPromoted) p.plain[c] |= bit;
        }
    return p;
}

// Rook: RookFacingEnemy when the first piece ahead on its file is an enemy (its table
// value is counted with the others').
[[gnu::always_inline]] inline int RookAhead(const Colour& c, const Slice& s, int id) {
    if (!s.Present(id)) return 0;
    const int r = s.RankOf(id), f = s.FileOf(id);
    const unsigned column = s.FileBits(f);
    // White looks up the file (ranks r + 1..8), Black down it (ranks r - 1..1).
    const unsigned ahead = c.forward > 0 ? column & (0xFFu << r) & 0xFFu : column & ((1u << (r - 1)) - 1);
    if (ahead == 0) return 0;
    const int first = c.forward > 0 ? __builtin_ctz(ahead) + 1 : 32 - __builtin_clz(ahead);
    const int occupant = s.At(first, f);
    return occupant >= c.enemyLo && occupant <= c.enemyHi ? RookFacingEnemy : 0;
}

// ConnectedRooksBonus when both rooks stand on one rank, or else on one file, with nothing between.
[[gnu::always_inline]] inline int ConnectedRooks(const Colour& c, const Slice& s) {
    if (!s.Present(c.queenRook) || !s.Present(c.kingRook)) return 0;
    const int ra = s.RankOf(c.queenRook), fa = s.FileOf(c.queenRook), rb = s.RankOf(c.kingRook), fb = s.FileOf(c.kingRook);
    if (ra == rb) {
        const int lo = fa < fb ? fa : fb, hi = fa < fb ? fb : fa;
        // The squares of rank ra on the files strictly between lo and hi.
        const uint64_t files = ((uint64_t{1} << (8 * (hi - 1))) - 1) ^ ((uint64_t{1} << (8 * lo)) - 1);
        const uint64_t between = files & (0x0101010101010101ull << (ra - 1));
        return hi > lo + 1 && (s.occupied & between) != 0 ? 0 : ConnectedRooksBonus;
    }
    if (fa == fb) {
        const int lo = ra < rb ? ra : rb, hi = ra < rb ? rb : ra;
        const unsigned between = ((1u << (hi - 1)) - 1) ^ ((1u << lo) - 1);
        return hi > lo + 1 && (s.FileBits(fa) & between) != 0 ? 0 : ConnectedRooksBonus;
    }
    return 0;
}

// The table each id is valued by, [id][PromotedKind & 7], each pointing
// at the first entry of a [rank - 1][file - 1] table: for pawn ids their
// own colour's pawn table when not promoted, else the table of the new
// kind; for the other ids their own table whatever the kind (theirs is
// always NotPromoted); a table of zeros for the kings and for kinds no
// piece has.
const int16_t NoValues[64] = {};
struct IdTables {
    const int16_t* of[33][8];
};
const IdTables TableOf = [] {
    IdTables t{};
    for (auto& row : t.of)
        for (auto& entry : row) entry = NoValues;
    auto fixed = [&](std::initializer_list<int> ids, const int16_t(*table)[8]) {
        for (int id : ids)
            for (int kind = 0; kind < 8; ++kind) t.of[id][kind] = &table[0][0];
    };
    fixed({WhiteFacts.queenRook, WhiteFacts.kingRook}, WhiteRookTable);
    fixed({BlackFacts.kingRook, BlackFacts.queenRook}, BlackRookTable);
    fixed({WhiteKnightB, WhiteKnightG, BlackKnightG, BlackKnightB}, KnightTable);
    fixed({WhiteBishopC, WhiteBishopF, BlackBishopF, BlackBishopC}, BishopTable);
    fixed({WhiteQueen, BlackQueen}, QueenTable);
    for (int id = WhitePawnA; id <= BlackPawnA; ++id) {
        if (!IsPawnId(id)) continue;
        const bool white = IsWhiteId(id);
        t.of[id][NotPromoted] = white ? &WhitePawnTable[0][0] : &BlackPawnTable[0][0];
        t.of[id][PromQueen] = &QueenTable[0][0];
        t.of[id][PromRook] = white ? &WhiteRookTable[0][0] : &BlackRookTable[0][0];
        t.of[id][PromBishop] = &BishopTable[0][0];
        t.of[id][PromKnight] = &KnightTable[0][0];
    }
    return t;
}();

// The table value of id standing on square sq, (rank - 1) + 8 * (file - 1)
// as the move maker notes it, with promotion byte prom, signed: White's
// added, Black's subtracted. A move's squares are known from its origin, so
// its values need no look-up of where the piece stands.
[[gnu::always_inline]] inline int SignedValueAt(int id, uint8_t prom, int sq) {
    const int v = TableOf.of[id][prom & 7][((sq & 7) << 3) | (sq >> 3)];
    return IsBlackId(id) ? -v : v;
}

// The same for an id known to be on the board at a slice.
[[gnu::always_inline]] inline int SignedValueOnBoard(const Slice& s, int id) {
    return SignedValueAt(id, s.prom[id - 1], (s.RankOf(id) - 1) + 8 * (s.FileOf(id) - 1));
}

// The same for any id: 0 for an id not on the board or out of range.
[[gnu::always_inline]] inline int SignedTableValue(const Slice& s, int id) {
    if (id < WhiteRookA || id > LastPieceId || !s.Present(id)) return 0;
    return SignedValueOnBoard(s, id);
}

// Every piece's table value, White's minus Black's.
int TableSum(const Slice& s) {
    int sum = 0;
    for (int id = WhiteRookA; id <= LastPieceId; ++id) sum += SignedTableValue(s, id);
    return sum;
}

// The pawn terms besides the tables, of colour c (0 White, 1 Black), for
// every unpromoted pawn: doubled (-3 per own pawn id above it on its file,
// for both colours), isolated (-5: no own pawn id on a neighbouring file)
// and free to advance (+5: no enemy pawn id further ahead on a
// neighbouring file, above it for White, below it for Black). Pawn ids
// count in these tests whether promoted or not. Kept in two parts: the
// doubled and isolated terms read the colour's own pawn ids alone and
// their order on each file, which a move along a file never changes (it
// cannot pass a piece), so such a move recounts only the free ones.
// Inlined: they run at every leaf reached by a pawn move or a pawn
// capture, and as calls each run paid for its own frame.
[[gnu::always_inline]] inline int DoubledAndIsolated(int c, const PawnSets& p) {
    const uint64_t own = p.all[c], plain = p.plain[c];
    int score = 0;
    // Doubled: only the pawns with an own pawn id above them have any.
    for (uint64_t below = plain & BelowSome(own); below != 0; below &= below - 1) {
        const int at = __builtin_ctzll(below);
        const uint64_t aboveOnFile = (uint64_t{0xFF} << (at & ~7)) & ~((uint64_t{2} << at) - 1);
        score -= DoubledPawnPenalty * __builtin_popcountll(own & aboveOnFile);
    }
    return score - IsolatedPawnPenalty * __builtin_popcountll(plain & ~BesideFiles(FilesOf(own)));
}

[[gnu::always_inline]] inline int FreeToAdvance(int c, const PawnSets& p) {
    const uint64_t enemy = p.all[1 - c];
    const uint64_t enemyAhead = c == 0 ? BelowSome(enemy) : AboveSome(enemy);
    return FreePawnBonus * __builtin_popcountll(p.plain[c] & ~BesideFiles(enemyAhead));
}

// What one ply's pawns give: where they stand and their structure terms
// (steady: doubled and isolated; structure: all three). These depend on the
// pawn ids alone, so a move that neither moves nor takes a pawn id keeps
// its ply's.
struct PawnFacts {
    PawnSets sets;
    int16_t whiteStructure, blackStructure;
    int16_t whiteSteady, blackSteady;
};

[[gnu::always_inline]] inline PawnFacts PawnFactsOf(const PawnSets& sets) {
    const int whiteSteady = DoubledAndIsolated(0, sets), blackSteady = DoubledAndIsolated(1, sets);
    return PawnFacts{sets, static_cast<int16_t>(whiteSteady + FreeToAdvance(0, sets)), static_cast<int16_t>(blackSteady + FreeToAdvance(1, sets)),
                     static_cast<int16_t>(whiteSteady), static_cast<int16_t>(blackSteady)};
}

// The same after a move along a file that takes nothing and leaves the
// mover promoted or not as it was: the steady terms are those before.
[[gnu::always_inline]] inline PawnFacts PawnFactsAlongFile(const PawnSets& sets, const PawnFacts& before) {
    return PawnFacts{sets, static_cast<int16_t>(before.whiteSteady + FreeToAdvance(0, sets)),
                     static_cast<int16_t>(before.blackSteady + FreeToAdvance(1, sets)), before.whiteSteady, before.blackSteady};
}

// One colour's terms besides the table values and the pawn structure,
// from that colour's point of view. pawns is that colour's set of pawn ids.
[[gnu::always_inline]] inline int OtherTerms(const Colour& c, const Slice& s, uint64_t pawns) {
    int score = 0;
    // Rooks and connected rooks.
    score += RookAhead(c, s, c.queenRook) + RookAhead(c, s, c.kingRook);
    score += ConnectedRooks(c, s);
    // Bishop pair.
    if (s.Present(c.bishopC) && s.Present(c.bishopF)) score += BishopPairBonus;
    // Castled king with its rook beside it.
    const int home = c.homeRank;
    if (s.Present(c.king) && s.RankOf(c.king) == home) {
        const int kf = s.FileOf(c.king);
        auto rookOn = [&](int f) { const int id = s.At(home, f); return id == c.queenRook || id == c.kingRook; };
        if ((kf == FileG && rookOn(FileF)) || (kf == FileC && rookOn(FileD))) score += CastledKingBonus;
    }
    // The queen stays home in the opening.
    if (MoveNumber < EarlyQueenMoves && s.At(home, FileD) != c.queen) score -= EarlyQueenPenalty;
    // An own pawn id in front of the king on its file (above it for White,
    // below it for Black).
    if (s.Present(c.king)) {
        const int kr = s.RankOf(c.king), kf = s.FileOf(c.king);
        const unsigned ranks = static_cast<unsigned>(pawns >> (8 * (kf - 1))) & 0xFF;
        const unsigned inFront = c.forward > 0 ? ranks >> kr : ranks & ((1u << (kr - 1)) - 1);
        if (inFront == 0) score -= OpenKingFilePenalty;
    }
    return score;
}

// What one ply's children start from: its table sum and its pawn facts,
// kept with the ply's stamp.
struct PlyFacts {
    uint64_t stamp;
    int32_t tables;
    PawnFacts pawns;
};
// The table sum and pawn facts of each ply, [ply].
PlyFacts EvalFactsOfPly[MaxPly + 1];

inline Slice SliceAt(int p, bool withOccupancy = true) {
    return Slice{&Board[p][0][0], PieceRank[p], PieceFile[p], PromotedKind[p], withOccupancy ? rays::Occupied(&Board[p][0][0]) : 0};
}

// The table values that change between ply p and its child q: the mover's,
// the captured piece's and, for a king move, its colour's rooks'. The
// mover's two squares and the victim's (the target: every capture finds
// its victim there) come from the origin.
int TableChange(const SliceOrigin& o, const Slice& before, const Slice& after) {
    int change = SignedValueAt(o.piece, after.prom[o.piece - 1], o.to) - SignedValueAt(o.piece, before.prom[o.piece - 1], o.from);
    if (o.captured != 0) change -= SignedValueAt(o.captured, before.prom[o.captured - 1], o.to);
    if (o.piece == WhiteKing || o.piece == BlackKing) {
        const ColourFacts& c = FactsOfColour(o.piece == WhiteKing);
        const int rookA = c.queenRook, rookB = c.kingRook;
        change += SignedTableValue(after, rookA) - SignedTableValue(before, rookA);
        change += SignedTableValue(after, rookB) - SignedTableValue(before, rookB);
    }
    return change;
}

// The pawn sets after move o, from those before it: a pawn id leaves its
// origin and stands on the target (unpromoted unless it has promoted), and
// a pawn id taken leaves the target, where every capture finds its victim.
// The four sets are kept in locals and each colour's update is written
// out, rather than indexed by colour: an update through an index went to
// memory, and the whole sets read back at once could not be forwarded from
// those narrower stores, which stalled every pawn move's leaf.
[[gnu::always_inline]] inline PawnSets PawnsAfter(const SliceOrigin& o, const PawnSets& before, const Slice& after) {
    const uint64_t from = uint64_t{1} << o.from, to = uint64_t{1} << o.to;
    uint64_t white = before.all[0], black = before.all[1], whitePlain = before.plain[0], blackPlain = before.plain[1];
    if (IsPawnId(o.captured)) {
        if (IsBlackId(o.captured)) {
            black &= ~to;
            blackPlain &= ~to;
        } else {
            white &= ~to;
            whitePlain &= ~to;
        }
    }
    if (IsPawnId(o.piece)) {
        const uint64_t plainTo = after.prom[o.piece - 1] == NotPromoted ? to : 0;
        if (IsBlackId(o.piece)) {
            black = (black & ~from) | to;
            blackPlain = (blackPlain & ~from) | plainTo;
        } else {
            white = (white & ~from) | to;
            whitePlain = (whitePlain & ~from) | plainTo;
        }
    }
    return PawnSets{{white, black}, {whitePlain, blackPlain}};
}

// The facts of ply q: from the ply before when q's slices were made from it
// (its facts and what the move changed), else from the slice alone. The
// look-up of facts already kept is inline; working them out is not.
const PlyFacts& WorkOutFacts(int q);
inline const PlyFacts& FactsOf(int q) {
    const PlyFacts& f = EvalFactsOfPly[q];
    const uint64_t stamp = Origin[q].stamp;
    if (stamp != 0 && f.stamp == stamp) return f;
    return WorkOutFacts(q);
}

[[gnu::noinline]] const PlyFacts& WorkOutFacts(int q) {
    PlyFacts& f = EvalFactsOfPly[q];
    const uint64_t stamp = Origin[q].stamp;
    const Slice s = SliceAt(q, false);
    if (MadeFromKnownPly(q)) {
        const PlyFacts& before = FactsOf(q - 1);
        const SliceOrigin& o = Origin[q];
        f.tables = before.tables + TableChange(o, SliceAt(q - 1, false), s);
        if (!IsPawnId(o.piece) && !IsPawnId(o.captured))
            f.pawns = before.pawns;
        else if (o.captured == 0 && (o.from ^ o.to) < 8 && PromOf(o.piece, q) == PromOf(o.piece, q - 1))
            f.pawns = PawnFactsAlongFile(PawnsAfter(o, before.pawns.sets, s), before.pawns);
        else
            f.pawns = PawnFactsOf(PawnsAfter(o, before.pawns.sets, s));
    } else {
        f.tables = TableSum(s);
        f.pawns = PawnFactsOf(PawnSetsOf(s));
    }
    f.stamp = stamp;
    return f;
}


#if defined(VELMOR_CHECK_INVARIANT)
// Checked builds compare the carried facts with the slice's own.
void CheckCarried(const PlyFacts& f, const Slice& s, int q) {
    const PawnFacts own = PawnFactsOf(PawnSetsOf(s));
    if (f.tables != TableSum(s) || f.pawns.whiteStructure != own.whiteStructure || f.pawns.blackStructure != own.blackStructure ||
        f.pawns.whiteSteady != own.whiteSteady || f.pawns.blackSteady != own.blackSteady ||
        std::memcmp(&f.pawns.sets, &own.sets, sizeof own.sets) != 0) {
        std::fprintf(stderr, "Evaluate: the facts carried to ply %d differ from the slice's own\n", q);
        std::abort();
    }
}
#else
inline void CheckCarried(const PlyFacts&, const Slice&, int) {}
#endif

}  // namespace

int16_t Evaluate() {
    const int q = Ply;
    const Slice s = SliceAt(q);
    const PlyFacts& f = FactsOf(q);
    CheckCarried(f, s, q);
    int score = f.tables + f.pawns.whiteStructure - f.pawns.blackStructure + OtherTerms(White, s, f.pawns.sets.all[0]) -
                OtherTerms(Black, s, f.pawns.sets.all[1]);
    if (!SideToMove) score = -score;
    return static_cast<int16_t>(score);
}

namespace {

// The queen term of one colour, from its point of view.
inline int QueenAtHome(const Colour& c, const Slice& s) {
    return MoveNumber < EarlyQueenMoves && s.At(c.homeRank, FileD) != c.queen ? -EarlyQueenPenalty : 0;
}

// The rook, bishop, castling and king-file terms of one colour (OtherTerms
// without the queen's) lie between the king-file penalty alone and every
// bonus at once: both rooks with an enemy ahead and connected, the bishop
// pair, the castled king. The bound holds while each term keeps the sign
// it is counted with; a term added to OtherTerms must be added here.
constexpr int OtherTermsLow = -OpenKingFilePenalty;
constexpr int OtherTermsHigh = 2 * RookFacingEnemy + ConnectedRooksBonus + BishopPairBonus + CastledKingBonus;
static_assert(RookFacingEnemy >= 0 && ConnectedRooksBonus >= 0 && BishopPairBonus >= 0 && CastledKingBonus >= 0 &&
                  OpenKingFilePenalty >= 0,
              "the leaf bound takes the bonuses as gains and the king-file term as a loss");
constexpr int OtherSpread = OtherTermsHigh - OtherTermsLow;  // bound on White's minus Black's, either way

}  // namespace

int16_t EvaluateWithin(int32_t low, int32_t high) {
    const int q = Ply;
    const PlyFacts& f = FactsOf(q);
    const Slice s = SliceAt(q, false);
    // 1. The exact part: table values, pawn structure, the queens at home.
    int base = f.tables + f.pawns.whiteStructure - f.pawns.blackStructure + QueenAtHome(White, s) - QueenAtHome(Black, s);
    if (!SideToMove) base = -base;
    // 2. The rest moves the value by at most OtherSpread either way.
    if (base + OtherSpread <= low || base - OtherSpread >= high) {
        const int bound = base + OtherSpread <= low ? base + OtherSpread : base - OtherSpread;
#if defined(VELMOR_CHECK_INVARIANT)
        const int exact = Evaluate();
        if ((bound <= low && exact > low) || (bound >= high && exact < high)) {
            std::fprintf(stderr, "EvaluateWithin: the bound %d is on the wrong side of the value %d at ply %d\n", bound, exact, q);
            std::abort();
        }
#endif
        return static_cast<int16_t>(bound);
    }
    return Evaluate();
}
