// Perft counts from data: each line of perft.epd is a FEN followed by
// ";D<depth> <count>" fields, counted through the engine's own generation,
// making and unmaking.
#include <fstream>
#include <sstream>

#include "rules/perft.h"
#include "support.h"

namespace {

struct PerftCase {
    std::string fen;
    int depth;
    uint64_t count;
};

void PrintTo(const PerftCase& c, std::ostream* os) { *os << c.fen << " D" << c.depth << " " << c.count; }

std::vector<PerftCase> LoadCases() {
    std::vector<PerftCase> cases;
    std::ifstream in(std::string(VELMOR_TEST_DATA) + "/perft.epd");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::stringstream fields(line);
        std::string fen, field;
        std::getline(fields, fen, ';');
        while (!fen.empty() && fen.back() == ' ') fen.pop_back();
        while (std::getline(fields, field, ';')) {
            int depth = 0;
            unsigned long long count = 0;
            if (std::sscanf(field.c_str(), " D%d %llu", &depth, &count) == 2) cases.push_back({fen, depth, count});
        }
    }
    return cases;
}


class PerftData : public ::testing::TestWithParam<PerftCase> {};

}  // namespace

TEST_P(PerftData, CountsMatch) {
    const PerftCase& c = GetParam();
    SetFen(c.fen);
    CastleRights = 3;
    EXPECT_EQ(Perft(c.depth), c.count) << c.fen << " depth " << c.depth;
    EXPECT_EQ(Ply, 0);
    EXPECT_EQ(MoveCount[0], 0);
}

INSTANTIATE_TEST_SUITE_P(Epd, PerftData, ::testing::ValuesIn(LoadCases()),
                         [](const ::testing::TestParamInfo<PerftCase>& info) {
                             return "line" + std::to_string(info.index) + "_depth" + std::to_string(info.param.depth);
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(PerftData);
