// Static evaluation over the fixed piece ids: table values (material and
// placement in one number) plus rook, bishop, castling, queen and pawn
// terms. White's terms are added, Black's subtracted, and the sum is turned
// to the view of the side to move.
//
// Shaped for speed: it runs at nearly every position the search makes, so
// instead of scanning files square by square and comparing every pawn with
// every other, it gathers each colour's pawn ids into small per-file
// summaries (which files hold one, which ranks of each file, the highest and
// lowest rank per file) and the slice's occupancy into one bit set; every
// term is then a look-up or a mask test. The pawn-structure part is kept in
// a small table keyed by the pawn ids' coordinates (see PawnFacts). A slice keeps its invariant (every
// present id stands on its square, every occupied square holds a present
// id), so a square test and the matching test on the ids' coordinates agree.
#include "eval/evaluate.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

uint64_t Occupancy(const uint8_t* board) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    uint64_t empty = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(board + 16 * k));
        empty |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)))) << (16 * k);
    }
    return ~empty;
#else
    uint64_t occupied = 0;
    for (int s = 0; s < 64; ++s) occupied |= static_cast<uint64_t>(board[s] != 0) << s;
    return occupied;
#endif
}

// Where one colour's eight pawn ids stand (promoted ones included, as the
// pawn terms count them). Files are indexed 0..9 with files 1..8 in 1..8,
// so a neighbour file of a or h reads an empty sentinel.
struct PawnFiles {
    unsigned files = 0;        // bit f: a pawn id on file f (f = 1..8)
    uint8_t ranks[10] = {};    // per file: bit r - 1 for every rank r holding a pawn id
    uint8_t highest[10] = {};  // per file: the highest such rank, 0 for none
    uint8_t lowest[10] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9};  // the lowest, 9 for none
};

PawnFiles GatherPawns(const Slice& s, int pawnLo) {
    PawnFiles p;
    for (int id = pawnLo; id < pawnLo + 8; ++id) {
        if (!s.Present(id)) continue;
        const int f = s.FileOf(id), r = s.RankOf(id);
        p.files |= 1u << f;
        p.ranks[f] = static_cast<uint8_t>(p.ranks[f] | (1u << (r - 1)));
        if (r > p.highest[f]) p.highest[f] = static_cast<uint8_t>(r);
        if (r < p.lowest[f]) p.lowest[f] = static_cast<uint8_t>(r);
    }
    return p;
}

inline int TableAt(const int16_t (*t)[8], const Slice& s, int id) { return t[s.RankOf(id) - 1][s.FileOf(id) - 1]; }

// Rook: its table value, and 5 when the first piece ahead on its file is an enemy.
int RookTerm(const Colour& c, const Slice& s, int id) {
    if (!s.Present(id)) return 0;
    int score = TableAt(c.rookTable, s, id);
    const int r = s.RankOf(id), f = s.FileOf(id);
    const unsigned column = s.FileBits(f);
    // White looks up the file (ranks r + 1..8), Black down it (ranks r - 1..1).
    const unsigned ahead = c.rankStep > 0 ? column & (0xFFu << r) & 0xFFu : column & ((1u << (r - 1)) - 1);
    if (ahead != 0) {
        const int first = c.rankStep > 0 ? __builtin_ctz(ahead) + 1 : 32 - __builtin_clz(ahead);
        const int occupant = s.At(first, f);
        if (occupant >= c.enemyLo && occupant <= c.enemyHi) score += 5;
    }
    return score;
}

// 10 when both rooks stand on one rank, or else on one file, with nothing between.
int ConnectedRooks(const Colour& c, const Slice& s) {
    if (!s.Present(c.rookA) || !s.Present(c.rookB)) return 0;
    const int ra = s.RankOf(c.rookA), fa = s.FileOf(c.rookA), rb = s.RankOf(c.rookB), fb = s.FileOf(c.rookB);
    if (ra == rb) {
        const int lo = fa < fb ? fa : fb, hi = fa < fb ? fb : fa;
        // The squares of rank ra on the files strictly between lo and hi.
        const uint64_t files = ((uint64_t{1} << (8 * (hi - 1))) - 1) ^ ((uint64_t{1} << (8 * lo)) - 1);
        const uint64_t between = files & (0x0101010101010101ull << (ra - 1));
        return hi > lo + 1 && (s.occupied & between) != 0 ? 0 : 10;
    }
    if (fa == fb) {
        const int lo = ra < rb ? ra : rb, hi = ra < rb ? rb : ra;
        const unsigned between = ((1u << (hi - 1)) - 1) ^ ((1u << lo) - 1);
        return hi > lo + 1 && (s.FileBits(fa) & between) != 0 ? 0 : 10;
    }
    return 0;
}

int Minor(const int16_t (*t)[8], const Slice& s, int id) { return s.Present(id) ? TableAt(t, s, id) : 0; }

// Value of a promoted pawn by its new kind.
int PromotedValue(const Colour& c, const Slice& s, int id) {
    switch (s.prom[id - 1]) {
        case PromQueen: return TableAt(QueenTable, s, id);
        case PromRook: return TableAt(c.rookTable, s, id);
        case PromBishop: return TableAt(BishopTable, s, id);
        case PromKnight: return TableAt(KnightTable, s, id);
        default: return 0;
    }
}

// The pawn ids' table values: a pawn's own table, or for a promoted pawn
// the table of its new kind (and then none of the pawn terms below).
int PawnValues(const Colour& c, const Slice& s) {
    int score = 0;
    const int pawnLo = c.ownLo + 8;
    for (int id = pawnLo; id < pawnLo + 8; ++id) {
        if (!s.Present(id)) continue;
        score += s.prom[id - 1] != 0 ? PromotedValue(c, s, id) : TableAt(c.pawnTable, s, id);
    }
    return score;
}

// The pawn terms besides the tables, for every unpromoted pawn: doubled
// (-3 per own pawn id above on the file), isolated (-5), free to advance
// (+5: no enemy pawn id on a neighbouring file further ahead). Pawn ids
// count in these tests whether promoted or not.
int PawnStructure(const Colour& c, const Slice& s, const PawnFiles& own, const PawnFiles& enemy) {
    int score = 0;
    const int pawnLo = c.ownLo + 8;
    for (int id = pawnLo; id < pawnLo + 8; ++id) {
        if (!s.Present(id) || s.prom[id - 1] != 0) continue;
        const int r = s.RankOf(id), f = s.FileOf(id);
        // Own pawn ids on the squares above it, ranks r + 1..8, for both colours.
        score -= 3 * __builtin_popcount(own.ranks[f] >> r);
        if ((own.files & ((1u << (f - 1)) | (1u << (f + 1)))) == 0) score -= 5;
        // An enemy pawn id further ahead on a neighbouring file: above it
        // for White, below it for Black.
        const bool enemyAhead = c.rankStep > 0 ? enemy.highest[f - 1] > r || enemy.highest[f + 1] > r
                                               : enemy.lowest[f - 1] < r || enemy.lowest[f + 1] < r;
        if (!enemyAhead) score += 5;
    }
    return score;
}

// What the pawn structure gives, kept for positions met again: the
// structure terms and each file's ranks of pawn ids depend on nothing but
// the coordinates and kinds of the sixteen pawn ids, so an entry whose key
// holds the same bytes is the same result. Most leaves of one node share
// their pawns, so a small table finds most of them. (The table values are
// read anew each time: they are not part of the key.)
struct PawnKey {
    uint64_t word[6];  // PieceRank, PieceFile and PromotedKind of ids 9..16 and 25..32
    bool operator==(const PawnKey& o) const {
        return ((word[0] ^ o.word[0]) | (word[1] ^ o.word[1]) | (word[2] ^ o.word[2]) | (word[3] ^ o.word[3]) |
                (word[4] ^ o.word[4]) | (word[5] ^ o.word[5])) == 0;
    }
};
struct PawnEntry {
    PawnKey key;
    uint8_t whiteRanks[8], blackRanks[8];  // by file 1..8: bit r - 1 for a pawn id on rank r
    int16_t whiteStructure, blackStructure;
    bool filled;
};
constexpr int PawnTableSize = 128;
PawnEntry PawnTable[PawnTableSize];

PawnKey KeyOf(const Slice& s) {
    PawnKey k;
    std::memcpy(&k.word[0], s.rank + 8, 8);
    std::memcpy(&k.word[1], s.rank + 24, 8);
    std::memcpy(&k.word[2], s.file + 8, 8);
    std::memcpy(&k.word[3], s.file + 24, 8);
    std::memcpy(&k.word[4], s.prom + 8, 8);
    std::memcpy(&k.word[5], s.prom + 24, 8);
    return k;
}

const PawnEntry& PawnFacts(const Slice& s) {
    const PawnKey key = KeyOf(s);
    uint64_t h = key.word[0] * 0x9E3779B97F4A7C15ull ^ key.word[1] * 0xC2B2AE3D27D4EB4Full ^ key.word[2] * 0x165667B19E3779F9ull ^
                 key.word[3] * 0xD6E8FEB86659FD93ull ^ key.word[4] ^ key.word[5] * 0x94D049BB133111EBull;
    h ^= h >> 29;
    PawnEntry& e = PawnTable[(h * 0xBF58476D1CE4E5B9ull) >> 57];
    if (e.filled && e.key == key) return e;
    const PawnFiles white = GatherPawns(s, 9), black = GatherPawns(s, 25);
    e.key = key;
    std::memcpy(e.whiteRanks, &white.ranks[1], 8);
    std::memcpy(e.blackRanks, &black.ranks[1], 8);
    e.whiteStructure = static_cast<int16_t>(PawnStructure(White, s, white, black));
    e.blackStructure = static_cast<int16_t>(PawnStructure(Black, s, black, white));
    e.filled = true;
    return e;
}

// One colour's whole sum, from that colour's point of view. pawnRanks is
// that colour's ranks of pawn ids by file 1..8, structure its pawn terms
// besides the tables.
int ColourTerms(const Colour& c, const Slice& s, const uint8_t* pawnRanks, int structure) {
    int score = 0;
    // Rooks and connected rooks.
    score += RookTerm(c, s, c.rookA) + RookTerm(c, s, c.rookB);
    score += ConnectedRooks(c, s);
    // Knights, bishops, queen in id order of White's pieces.
    score += Minor(KnightTable, s, c.knightA) + Minor(BishopTable, s, c.bishopA) + Minor(QueenTable, s, c.queen) +
             Minor(BishopTable, s, c.bishopB) + Minor(KnightTable, s, c.knightB);
    // Bishop pair.
    if (s.Present(c.bishopA) && s.Present(c.bishopB)) score += 10;
    // Castled king with its rook beside it.
    const int home = c.homeRank;
    if (s.Present(c.king) && s.RankOf(c.king) == home) {
        const int kf = s.FileOf(c.king);
        auto rookOn = [&](int f) { const int id = s.At(home, f); return id == c.rookA || id == c.rookB; };
        if ((kf == 7 && rookOn(6)) || (kf == 3 && rookOn(4))) score += 30;
    }
    // The queen stays home in the opening.
    if (MoveNumber < 6 && s.At(home, 4) != c.queen) score -= 100;
    // Pawns.
    score += PawnValues(c, s) + structure;
    // An own pawn id in front of the king on its file (above it for White,
    // below it for Black).
    if (s.Present(c.king)) {
        const int kr = s.RankOf(c.king), kf = s.FileOf(c.king);
        const unsigned ranks = pawnRanks[kf - 1];
        const unsigned inFront = c.rankStep > 0 ? ranks >> kr : ranks & ((1u << (kr - 1)) - 1);
        if (inFront == 0) score -= 7;
    }
    return score;
}

}  // namespace

int16_t Evaluate() {
    const int p = Ply;
    const Slice s{&Board[p][0][0], PieceRank[p], PieceFile[p], PromotedKind[p], Occupancy(&Board[p][0][0])};
    const PawnEntry& pawns = PawnFacts(s);
    int score = ColourTerms(White, s, pawns.whiteRanks, pawns.whiteStructure) - ColourTerms(Black, s, pawns.blackRanks, pawns.blackStructure);
    if (!SideToMove) score = -score;
    return static_cast<int16_t>(score);
}
