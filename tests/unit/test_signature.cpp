// The search's signature: speed work on generation, making, the check tests
// and the evaluation must leave every count the same. The bench positions
// are searched at a small depth through the think driver, exactly as
// velmorasca-bench does, and a few perft counts are taken through the
// engine's own generation and making.
#include <unistd.h>

#include <cstdio>

#include "search/minimax.h"
#include "rules/perft.h"
#include "support.h"
#include "tools/benchpositions.h"

namespace {

int SignatureDepth = 3;
int FixedDepth() { return SignatureDepth; }

struct BenchResult {
    std::string move;
    int32_t score;
    int32_t positions;
};

// Thinks on every bench position at depth d, book and clock off; the
// driver's "move" lines go to /dev/null.
std::vector<BenchResult> RunBench(int d) {
    SettingsFileEnabled = false;
    LogLevel = 0;
    BookEnabled = False;
    UseTime = False;
    EventPump = nullptr;
    Window = WindowHooks{};
    InitPositionalTables();
    SignatureDepth = d;
    Window.DepthText = FixedDepth;
    std::fflush(stdout);
    const int saved = dup(1);
    if (FILE* null = std::freopen("/dev/null", "w", stdout)) (void)null;
    std::vector<BenchResult> results;
    for (const BenchPosition& p : BenchPositions) {
        std::memset(MoveCount, 0, sizeof MoveCount);
        Ply = 0;
        if (!SetPositionFromFen(p.fen)) {
            results.push_back({"bad FEN", 0, -1});
            continue;
        }
        Analizza();
        const int32_t score = SearchDepth > 0 ? DepthResults[SearchDepth].Score : 0;
        results.push_back({BestMoveText, score, PositionsAnalysed});
    }
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    Window = WindowHooks{};
    return results;
}


uint64_t PerftOf(const char* fen, int depth) {
    SetFen(fen);
    CastleRights = 3;
    return Perft(depth);
}

}  // namespace

TEST(Signature, BenchAtDepthThree) {
    const std::vector<BenchResult> r = RunBench(3);
    const BenchResult expected[] = {
        {"b1c3", 13, 2039},  {"b1c3", 122, 2085},  {"e1g1", 139, 3584}, {"e2a6", 326, 4173},  {"c4d5", 115, 2356},
        {"g4f3", 141, 5827}, {"d4d7", 0, 1768},    {"d4d5", 122, 118},  {"a7a8q", 1007, 268}, {"a1a8", 3000000, 17},
    };
    ASSERT_EQ(r.size(), std::size(expected));
    int64_t total = 0;
    for (size_t i = 0; i < r.size(); ++i) {
        EXPECT_EQ(r[i].move, expected[i].move) << BenchPositions[i].name;
        EXPECT_EQ(r[i].score, expected[i].score) << BenchPositions[i].name;
        EXPECT_EQ(r[i].positions, expected[i].positions) << BenchPositions[i].name;
        total += r[i].positions;
    }
    EXPECT_EQ(total, 22235);
}

TEST(Signature, BenchAtDepthTwo) {
    int64_t total = 0;
    for (const BenchResult& b : RunBench(2)) total += b.positions;
    EXPECT_EQ(total, 2687);
}

TEST(Signature, PerftCounts) {
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    EXPECT_EQ(PerftOf(start, 1), 20u);
    EXPECT_EQ(PerftOf(start, 2), 400u);
    EXPECT_EQ(PerftOf(start, 3), 8902u);
    EXPECT_EQ(PerftOf(start, 4), 197281u);
    EXPECT_EQ(PerftOf("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3), 97766u);
    // Promotions of every kind, with and without capture, for both colours.
    EXPECT_EQ(PerftOf("8/PPP4k/8/8/8/8/4Kppp/8 w - - 0 60", 4), 89363u);
    EXPECT_EQ(PerftOf("8/PPP4k/8/8/8/8/4Kppp/8 b - - 0 60", 4), 78777u);
    EXPECT_EQ(PerftOf("8/8/4k3/8/3PK3/8/8/8 w - - 0 50", 6), 88385u);
    EXPECT_EQ(Ply, 0);
    EXPECT_EQ(MoveCount[0], 0);
}
