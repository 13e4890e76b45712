// SortMoveList must leave every list exactly as the literal exchange sort
// does (for i, for j > i, swap when key j < key i), equal keys included:
// random lists of every length and key pattern are compared record by record.
#include <random>

#include "support.h"

namespace {

void LiteralExchangeSort(std::vector<MoveRecord>& v) {
    const size_t n = v.size();
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j)
            if (v[j].Score < v[i].Score) std::swap(v[i], v[j]);
}

// Sorts v through the engine's routine on the list of ply.
std::vector<MoveRecord> EngineSort(const std::vector<MoveRecord>& v, int ply) {
    const int16_t savedPly = Ply;
    Ply = static_cast<int16_t>(ply);
    MoveCount[ply] = static_cast<uint8_t>(v.size());
    for (size_t i = 0; i < v.size(); ++i) MoveList[ply][i + 1] = v[i];
    SortMoveList();
    std::vector<MoveRecord> out(MoveList[ply] + 1, MoveList[ply] + 1 + v.size());
    MoveCount[ply] = 0;
    Ply = savedPly;
    return out;
}

// Keys as the generators make them (mostly quiet, a few captures and
// promotions), small ranges with many ties, and arbitrary 32-bit keys.
int32_t RandomKey(std::mt19937& rng, int pattern) {
    switch (pattern) {
        case 0: return rng() % 8 == 0 ? static_cast<int32_t>(rng() % 37) : 0;
        case 1: return static_cast<int32_t>(rng() % 3);
        case 2: return static_cast<int32_t>(rng() % 37);
        case 3: return static_cast<int32_t>(rng() % 64) - 20;
        case 4: return static_cast<int32_t>(rng()) / 3;
        default: return rng() % 2 == 0 ? 0 : static_cast<int32_t>(rng() % 2) * 1000000;
    }
}

}  // namespace

TEST(SortMoveList, MatchesTheLiteralExchangeSort) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 20000; ++round) {
        const int pattern = round % 6;
        const size_t n = round < 600 ? static_cast<size_t>(round % 12) : rng() % (MaxMovesPerPly + 1);
        std::vector<MoveRecord> v(n);
        for (size_t i = 0; i < n; ++i)
            v[i] = MoveRecord{static_cast<uint8_t>(i + 1), static_cast<uint8_t>(rng() % 64 + 1), static_cast<uint8_t>(rng() % 33),
                              static_cast<uint8_t>(rng() % 5), RandomKey(rng, pattern)};
        // The same keys a second time, on other records: an order the
        // sort remembers must fit them too.
        for (int again = 0; again < 2; ++again) {
            if (again == 1)
                for (MoveRecord& m : v) m.MoveCode = static_cast<uint8_t>(m.MoveCode + 64);
            std::vector<MoveRecord> expected = v;
            LiteralExchangeSort(expected);
            const std::vector<MoveRecord> got = EngineSort(v, static_cast<int>(rng() % MaxPly));
            ASSERT_EQ(got.size(), expected.size());
            for (size_t i = 0; i < n; ++i) {
                ASSERT_EQ(got[i].Piece, expected[i].Piece) << "round " << round << " pass " << again << " entry " << i + 1;
                ASSERT_EQ(got[i].MoveCode, expected[i].MoveCode);
                ASSERT_EQ(got[i].Captured, expected[i].Captured);
                ASSERT_EQ(got[i].Promotion, expected[i].Promotion);
                ASSERT_EQ(got[i].Score, expected[i].Score);
            }
        }
    }
}

TEST(SortMoveList, ExampleFromTheRules) {
    // Scores 0, 17, 0, 25 (A, B, C, D) end as A, C, B, D.
    std::vector<MoveRecord> v = {{1, 1, 0, 0, 0}, {2, 1, 17, 0, 17}, {3, 1, 0, 0, 0}, {4, 1, 25, 0, 25}};
    const std::vector<MoveRecord> got = EngineSort(v, 0);
    EXPECT_EQ(got[0].Piece, 1);
    EXPECT_EQ(got[1].Piece, 3);
    EXPECT_EQ(got[2].Piece, 2);
    EXPECT_EQ(got[3].Piece, 4);
}
