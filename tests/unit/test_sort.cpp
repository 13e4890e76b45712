// SortMoveList must leave every list exactly as the literal exchange sort
// does (for i, for j > i, swap when key j < key i), equal keys included:
// random lists of every length and key pattern are compared record by record.
#include <algorithm>
#include <random>

#include "search/reference.h"
#include "support.h"

TEST(SortMoveList, MatchesTheLiteralExchangeSort) {
    std::mt19937 rng(20240611);
    // Keys as the generators make them (mostly quiet, a few captures and
    // promotions), small ranges with many ties, and arbitrary 32-bit keys.
    const auto key = [&](int pattern) -> int32_t {
        switch (pattern) {
            case 0: return rng() % 8 == 0 ? static_cast<int32_t>(rng() % 37) : 0;
            case 1: return static_cast<int32_t>(rng() % 3);
            case 2: return static_cast<int32_t>(rng() % 37);
            case 3: return static_cast<int32_t>(rng() % 64) - 20;
            case 4: return static_cast<int32_t>(rng()) / 3;
            default: return rng() % 2 == 0 ? 0 : static_cast<int32_t>(rng() % 2) * 1000000;
        }
    };
    for (int round = 0; round < 20000; ++round) {
        const size_t n = round < 600 ? static_cast<size_t>(round % 12) : rng() % (MaxMovesPerPly + 1);
        std::vector<MoveRecord> v(n);
        for (size_t i = 0; i < n; ++i)
            v[i] = MoveRecord{static_cast<uint8_t>(i + 1), static_cast<uint8_t>(rng() % 64 + 1), static_cast<uint8_t>(rng() % 33),
                              static_cast<uint8_t>(rng() % 5), key(round % 6)};
        // The same keys a second time, on other records: an order the sort remembers must fit them too.
        for (int again = 0; again < 2; ++again) {
            if (again == 1)
                for (MoveRecord& m : v) m.MoveCode = static_cast<uint8_t>(m.MoveCode + 64);
            std::vector<MoveRecord> expected = v;
            PlainExchangeSort(expected.data(), static_cast<int>(n));
            Ply = static_cast<int16_t>(rng() % MaxPly);
            MoveCount[Ply] = static_cast<uint8_t>(n);
            std::copy(v.begin(), v.end(), MoveList[Ply] + 1);
            SortMoveList();
            const auto same = [](const MoveRecord& a, const MoveRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; };
            ASSERT_TRUE(std::equal(expected.begin(), expected.end(), MoveList[Ply] + 1, same)) << "round " << round << " pass " << again;
            MoveCount[Ply] = 0;
        }
    }
    Ply = 0;
}
