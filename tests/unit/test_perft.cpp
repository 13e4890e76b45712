// Perft counts from data: each line of perft.epd is a FEN followed by
// ";D<depth> <count>" fields, counted through the engine's own generation,
// making and unmaking (the position checked after every move in the checked
// builds).
#include <fstream>
#include <sstream>

#include "rules/perft.h"
#include "support.h"

namespace {
struct PerftCase {
    std::string fen;
    int depth;
    unsigned long long count;
};
void PrintTo(const PerftCase& c, std::ostream* os) { *os << c.fen << " D" << c.depth << " " << c.count; }

std::vector<PerftCase> LoadCases() {
    std::vector<PerftCase> cases;
    std::ifstream in(std::string(VELMOR_TEST_DATA) + "/perft.epd");
    for (std::string line, fen, field; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::stringstream fields(line);
        std::getline(fields, fen, ';');
        for (PerftCase c{fen.substr(0, fen.find_last_not_of(' ') + 1), 0, 0}; std::getline(fields, field, ';');)
            if (std::sscanf(field.c_str(), " D%d %llu", &c.depth, &c.count) == 2) cases.push_back(c);
    }
    return cases;
}

class PerftData : public ::testing::TestWithParam<PerftCase> {};
}  // namespace

TEST_P(PerftData, CountsMatch) {
    SetFen(GetParam().fen);
    EXPECT_EQ(Perft(GetParam().depth), GetParam().count) << GetParam().fen << " depth " << GetParam().depth;
    EXPECT_TRUE(Ply == 0 && MoveCount[0] == 0);
}

INSTANTIATE_TEST_SUITE_P(Epd, PerftData, ::testing::ValuesIn(LoadCases()), [](const auto& info) {
    return "line" + std::to_string(info.index) + "_depth" + std::to_string(info.param.depth);
});
