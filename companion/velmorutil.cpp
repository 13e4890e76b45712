// The companion library. The king tests read the board slice of one ply and
// look outward from the king's square: along the eight rays for sliders and
// the enemy king, and at the two forward diagonals for pawns.
#include "companion/velmorutil.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/folder.h"

namespace {

// Board element (rank, file) of a ply: rank fastest, 64 bytes per ply.
inline uint8_t At(const uint8_t* slice, int rank, int file) { return slice[(rank - 1) + 8 * (file - 1)]; }

// Enemy ids by kind for one attacked colour.
struct Enemy {
    uint8_t rook1, rook2, bishop1, bishop2, queen, king, pawnLo, pawnHi;
    int pawnRankStep;  // rank offset from the king at which an enemy pawn attacks it
};
constexpr Enemy BlackEnemy = {17, 24, 19, 22, 21, 20, 25, 32, +1};
constexpr Enemy WhiteEnemy = {1, 8, 3, 6, 4, 5, 9, 16, -1};

int32_t KingAttacked(const Enemy& e, const uint8_t* board, uint8_t kr8, uint8_t kf8, int32_t ply, const uint8_t* promoted) {
    int kr = kr8, kf = kf8;
    if (kr < 1 || kr > 8 || kf < 1 || kf > 8 || ply < 0) return 0;
    const uint8_t* slice = board + 64 * ply;
    const uint8_t* prom = promoted ? promoted + 32 * ply : nullptr;
    auto unpromotedPawn = [&](uint8_t id) {
        return id >= e.pawnLo && id <= e.pawnHi && (prom == nullptr || prom[id - 1] == 0);
    };
    // Rays: the first four orthogonal, the last four diagonal.
    static const int dirs[8][2] = {{0, -1}, {0, 1}, {1, 0}, {-1, 0}, {1, -1}, {1, 1}, {-1, 1}, {-1, -1}};
    for (int d = 0; d < 8; ++d) {
        bool diagonal = d >= 4;
        int r = kr + dirs[d][0], f = kf + dirs[d][1];
        for (int dist = 1; r >= 1 && r <= 8 && f >= 1 && f <= 8; ++dist, r += dirs[d][0], f += dirs[d][1]) {
            uint8_t id = At(slice, r, f);
            if (id == 0) continue;
            if (id == e.queen) return 1;
            if (!diagonal && (id == e.rook1 || id == e.rook2)) return 1;
            if (diagonal && (id == e.bishop1 || id == e.bishop2)) return 1;
            if (dist == 1 && id == e.king) return 1;
            if (diagonal && dist == 1 && dirs[d][0] == e.pawnRankStep && unpromotedPawn(id)) return 1;
            break;
        }
    }
    return 0;
}

}  // namespace

extern "C" void WriteLog(const char* source, const char* message, int32_t configuredLevel, int32_t messageLevel) {
    if (configuredLevel <= 0 || messageLevel > configuredLevel) return;
    static std::string path = ProgramFolder() + "/Velmorasca.log";
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

extern "C" void CopyValues(void* first, int32_t length) {
    if (!first || length <= 0) return;
    auto* p = static_cast<uint8_t*>(first);
    std::memcpy(p + length, p, static_cast<size_t>(length));
}

extern "C" int32_t fBianco(const uint8_t* board, uint8_t kingRank, uint8_t kingFile, int32_t ply, const uint8_t* promoted) {
    return KingAttacked(BlackEnemy, board, kingRank, kingFile, ply, promoted);
}

extern "C" int32_t fNero(const uint8_t* board, uint8_t kingRank, uint8_t kingFile, int32_t ply, const uint8_t* promoted) {
    return KingAttacked(WhiteEnemy, board, kingRank, kingFile, ply, promoted);
}

extern "C" int32_t fCavallo(uint8_t targetRank, uint8_t targetFile, uint8_t knightRank, uint8_t knightFile) {
    int dr = targetRank - knightRank, df = targetFile - knightFile;
    if (dr < 0) dr = -dr;
    if (df < 0) df = -df;
    return (dr == 1 && df == 2) || (dr == 2 && df == 1);
}
