// The search's signature: speed work on generation, making, the check tests
// and the evaluation must leave every count the same. The bench positions
// are searched at depth 3 through the think driver, exactly as
// velmorasca-bench does; the perft counts here are those perft.epd lacks.
#include "rules/perft.h"
#include "search/minimax.h"
#include "support.h"
#include "tools/benchpositions.h"

TEST(Signature, BenchAtDepthThree) {
    // Best move, score and positions analysed of each.
    const char* const expected[] = {"b1c3 13 2039", "b1c3 122 2085", "e1g1 139 3584", "e2a6 326 4173", "c4d5 115 2356",
                                    "g4f3 141 5827", "d4d7 0 1768", "d4d5 122 118", "a7a8q 1007 268", "a1a8 3000000 17"};
    static_assert(std::size(expected) == std::size(BenchPositions));
    LogLevel = 0, BookEnabled = UseTime = False, EventPump = nullptr;
    Reporter = ThinkReporter{};
    Reporter.DepthLimit = [] { return 3; };
    InitPositionalTables();
    int64_t total = 0;
    for (size_t i = 0; i < std::size(BenchPositions); ++i) {
        SetFen(BenchPositions[i].fen);
        Analizza();
        EXPECT_EQ(BestMoveText + " " + std::to_string(DepthResults[SearchDepth].Score) + " " + std::to_string(PositionsAnalysed),
                  expected[i])
            << BenchPositions[i].name;
        total += PositionsAnalysed;
    }
    Reporter = ThinkReporter{};
    EXPECT_EQ(total, 22235);
}

TEST(Signature, PerftCounts) {
    const struct {
        const char* fen;
        int depth;
        uint64_t count;
    } cases[] = {
        // Promotions of every kind, with and without capture, for both colours.
        {"8/PPP4k/8/8/8/8/4Kppp/8 w - - 0 60", 4, 89363},
        {"8/PPP4k/8/8/8/8/4Kppp/8 b - - 0 60", 4, 78777},
        {"8/8/4k3/8/3PK3/8/8/8 w - - 0 50", 6, 88385},
    };
    for (const auto& c : cases) {
        SetFen(c.fen);
        EXPECT_EQ(Perft(c.depth), c.count) << c.fen;
        EXPECT_TRUE(Ply == 0 && MoveCount[0] == 0);
    }
}
