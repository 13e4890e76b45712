// velmorasca-bench: thinks on a fixed set of positions at a fixed depth,
// book and clock off, through the engine's own think driver. The total of
// PositionsAnalysed is the search's signature.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "eval/valorideipezzi.h"
#include "platform/clock.h"
#include "position/setup.h"
#include "rules/makemove.h"
#include "search/analizza.h"
#include "shell/common.h"
#include "tools/benchpositions.h"

namespace {

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
    // The think reports nothing but takes the bench's depth; its move and
    // score are read from the driver's globals.
    Reporter = ThinkReporter{};
    Reporter.DepthLimit = FixedDepth;
    FILE* out = stdout;
    int64_t total = 0;
    const int32_t t0 = TickCount();
    for (const BenchPosition& p : BenchPositions) {
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
    return 0;
}
