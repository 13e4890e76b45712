// velmorasca-bench: thinks on a fixed set of positions at a fixed depth,
// book and clock off, through the engine's own think driver. The total of
// PositionsAnalysed is the search's signature.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "eval/valorideipezzi.h"
#include "platform/clock.h"
#include "position/setup.h"
#include "rules/makemove.h"
#include "search/analizza.h"
#include "shell/common.h"

namespace {

// Name and FEN of each bench position.
struct BenchPosition { const char* name; const char* fen; };
const BenchPosition Positions[] = {
    {"start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"},
    {"open game", "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"},
    {"italian", "r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"},
    {"middlegame", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"},
    {"queens gambit", "r1bq1rk1/pp2bppp/2n1pn2/2pp4/2PP4/2N1PN2/PP2BPPP/R1BQ1RK1 w - - 0 8"},
    {"black to move", "r2q1rk1/ppp2ppp/2np1n2/2b1p1B1/2B1P1b1/2NP1N2/PPP2PPP/R2Q1RK1 b - - 0 8"},
    {"rook ending", "8/5pk1/6p1/8/3R4/6P1/r4PK1/8 w - - 0 40"},
    {"pawn ending", "8/8/4k3/8/3PK3/8/8/8 w - - 0 50"},
    {"promotion", "8/P6k/8/8/8/8/6Kp/8 w - - 0 60"},
    {"mate in two", "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1"},
};

int BenchDepth = 5;
int FixedDepth() { return BenchDepth; }

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        char* end = nullptr;
        long d = std::strtol(argv[1], &end, 10);
        if (end == argv[1] || *end != 0 || d < MinSearchDepth || d > 8) {
            std::fprintf(stderr, "usage: velmorasca-bench [DEPTH 1..8]\n");
            return 2;
        }
        BenchDepth = static_cast<int>(d);
    }
    SettingsFileEnabled = false;
    LogLevel = 0;
    BookEnabled = False;
    UseTime = False;
    InitPositionalTables();
    Window.DepthText = FixedDepth;
    // The think driver sends its move on standard output; the report goes
    // there instead, so the driver's lines are sent to /dev/null.
    const int report = dup(1);
    FILE* out = fdopen(report, "w");
    if (FILE* null = std::freopen("/dev/null", "w", stdout)) (void)null;
    int64_t total = 0;
    const int32_t t0 = TickCount();
    for (const BenchPosition& p : Positions) {
        if (!SetPositionFromFen(p.fen)) {
            std::fprintf(out, "%-14s bad FEN\n", p.name);
            return 1;
        }
        Analizza();
        total += PositionsAnalysed;
        const int32_t score = SearchDepth > 0 ? DepthResults[SearchDepth].Score : 0;
        std::fprintf(out, "%-14s %-6s score %9d  positions %d\n", p.name, BestMoveText.c_str(), score, PositionsAnalysed);
    }
    const int32_t ms = TickCount() - t0;
    std::fprintf(out, "Positions analysed: %lld, %.0f per second\n", static_cast<long long>(total), ms > 0 ? total * 1000.0 / ms : 0.0);
    std::fclose(out);
    return 0;
}
