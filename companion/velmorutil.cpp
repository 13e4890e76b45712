// The companion library: the log writer, the slice copy, and the king-attack and knight tests.
//
// The king tests read the board slice of one ply and look outward from the
// king's square along the eight rays: the first piece met on a ray attacks
// when it is an enemy slider of that ray's kind, or, standing next to the
// king, the enemy king or an enemy pawn on one of its two forward diagonals.
//
// Shaped for speed: the slice's 64 bytes are turned into bit sets of the
// occupied squares and of the black ids' squares (bit s for the square
// (rank - 1) + 8 * (file - 1), the Board's own order); the first piece on
// each ray is found with the ray's precomputed square set and a bit scan
// instead of a walk square by square, and only first pieces of the opposing
// colour are looked at by id (one table look-up).
#include "companion/velmorutil.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/filelocations.h"
#include "position/identities.h"
#include "position/rays.h"

namespace {

using rays::Lines;
using rays::RankStep;
using rays::FileStep;

// What an id standing first on a ray can do to the king, by attacked colour.
enum : uint8_t { Orthogonal = 1,
                 Diagonal = 2,
                 NextKing = 4,
                 NextPawn = 8 };
struct Enemy {
    uint8_t can[256];  // by id; ids above 32 never stand on a sound board
    int pawnRankStep;  // rank offset from the king at which an enemy pawn attacks it
};
constexpr Enemy BuildEnemy(bool ofWhiteKing) {
    Enemy e{};
    const ColourFacts& attacker = FactsOfColour(!ofWhiteKing);
    e.can[attacker.queenRook] = e.can[attacker.kingRook] = Orthogonal;
    e.can[attacker.bishopC] = e.can[attacker.bishopF] = Diagonal;
    e.can[attacker.queen] = Orthogonal | Diagonal;
    e.can[attacker.king] = NextKing;
    for (int id = attacker.firstPawn; id < attacker.firstPawn + PawnsPerSide; ++id) e.can[id] = NextPawn;
    e.pawnRankStep = -attacker.forward;
    return e;
}
constexpr Enemy BlackEnemy = BuildEnemy(true);   // attackers of the white king
constexpr Enemy WhiteEnemy = BuildEnemy(false);  // attackers of the black king

// Squares around the king by the way a piece standing there first on its
// ray can reach the king: along the four orthogonal rays, along the four
// diagonal ones, next to it (the enemy king), and on the two forward
// diagonals next to it (an enemy pawn; index 0 for the white king, whose
// attackers stand a rank above it, 1 for the black king).
struct KingSurroundings {
    uint64_t orthogonal[64], diagonal[64], next[64], pawn[2][64];
};
constexpr KingSurroundings BuildSurroundings() {
    KingSurroundings t{};
    for (int k = 0; k < 64; ++k) {
        const int r = k % 8, f = k / 8;
        for (int d = 0; d < 8; ++d) {
            (d < 4 ? t.orthogonal : t.diagonal)[k] |= Lines.squares[k][d];
            const int nr = r + RankStep[d], nf = f + FileStep[d];
            if (nr < 0 || nr > 7 || nf < 0 || nf > 7) continue;
            const uint64_t near = uint64_t{1} << (nr + 8 * nf);
            t.next[k] |= near;
            if (d >= 4) t.pawn[RankStep[d] > 0 ? 0 : 1][k] |= near;
        }
    }
    return t;
}
constexpr KingSurroundings Around = BuildSurroundings();

// The first piece on each ray from square k, as one bit set.
inline uint64_t FirstOnRays(int k, uint64_t occ) {
    uint64_t first = 0;
    for (int d = 0; d < 8; ++d) first |= rays::FirstOnRay(k, d, occ);
    return first;
}

// Shaped for speed: the first pieces of all eight rays are found with bit
// operations alone; only those of the opposing colour (usually none or
// one) are read from the slice and judged by their id.
int32_t KingAttacked(const Enemy& e, const uint8_t* board, uint8_t kr8, uint8_t kf8, int32_t ply, const uint8_t* promoted) {
    const int kr = kr8, kf = kf8;
    if (kr < 1 || kr > 8 || kf < 1 || kf > 8 || ply < 0) return 0;
    const uint8_t* slice = board + 64 * ply;
    const uint8_t* prom = promoted ? promoted + 32 * ply : nullptr;
    const int k = (kr - 1) + 8 * (kf - 1);
    const rays::SliceSets bits = rays::ReadSlice(slice);
    const uint64_t enemy = e.pawnRankStep > 0 ? bits.black : bits.occupied & ~bits.black;
    const uint64_t pawnSquares = Around.pawn[e.pawnRankStep > 0 ? 0 : 1][k];
    for (uint64_t met = FirstOnRays(k, bits.occupied) & enemy; met != 0; met &= met - 1) {
        const int s = __builtin_ctzll(met);
        const uint64_t at = uint64_t{1} << s;
        const uint8_t id = slice[s];
        const uint8_t can = e.can[id];
        if ((can & Orthogonal) && (Around.orthogonal[k] & at)) return 1;
        if ((can & Diagonal) && (Around.diagonal[k] & at)) return 1;
        if ((can & NextKing) && (Around.next[k] & at)) return 1;
        if ((can & NextPawn) && (pawnSquares & at) && (prom == nullptr || prom[id - 1] == 0)) return 1;
    }
    return 0;
}

}  // namespace

extern "C" void VELMOR_STDCALL WriteLog(const char* source, const char* message, int32_t configuredLevel, int32_t messageLevel) {
    if (configuredLevel <= 0 || messageLevel > configuredLevel) return;
    static std::string path = PreparedEngineFiles().log;
    // Appended and closed at once, so every line is on disk when the call returns.
    FILE* f = std::fopen(path.c_str(), "a");
    if (!f) return;
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm tmv{};
    localtime_r(&now, &tmv);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tmv);
    std::fprintf(f, "%s %s: %s\n", stamp, source ? source : "", message ? message : "");
    std::fclose(f);
}

// The two slice lengths the move maker passes get copies of constant size,
// which the compiler turns into a few vector moves (and, once inlined into
// the caller, into nothing but those moves).
extern "C" void VELMOR_STDCALL CopyValues(void* first, int32_t length) {
    if (!first || length <= 0) return;
    auto* p = static_cast<uint8_t*>(first);
    if (length == 64)
        std::memcpy(p + 64, p, 64);
    else if (length == 32)
        std::memcpy(p + 32, p, 32);
    else
        std::memcpy(p + length, p, static_cast<size_t>(length));
}

extern "C" int32_t VELMOR_STDCALL fBianco(const uint8_t* board, uint8_t kingRank, uint8_t kingFile, int32_t ply, const uint8_t* promoted) {
    return KingAttacked(BlackEnemy, board, kingRank, kingFile, ply, promoted);
}

extern "C" int32_t VELMOR_STDCALL fNero(const uint8_t* board, uint8_t kingRank, uint8_t kingFile, int32_t ply, const uint8_t* promoted) {
    return KingAttacked(WhiteEnemy, board, kingRank, kingFile, ply, promoted);
}

extern "C" int32_t VELMOR_STDCALL fCavallo(uint8_t targetRank, uint8_t targetFile, uint8_t knightRank, uint8_t knightFile) {
    // A knight's move apart: the squared distance is exactly 5 (1 + 4).
    const int dr = targetRank - knightRank, df = targetFile - knightFile;
    return dr * dr + df * df == 5;
}
