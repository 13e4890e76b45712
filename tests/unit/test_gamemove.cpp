// The rules for moves of the game position against an independent move
// generator: every text the judge accepts, and only those, is a legal move
// listed in legal.txt. The judge must leave the search's state alone.
#include <fstream>
#include <set>
#include <sstream>

#include "rules/gamemove.h"
#include "shell/gamehistory.h"
#include "support.h"

namespace {

struct LegalCase {
    std::string fen;
    std::set<std::string> moves;
};
void PrintTo(const LegalCase& c, std::ostream* os) { *os << c.fen; }

std::vector<LegalCase> LoadLegal() {
    std::vector<LegalCase> cases;
    std::ifstream in(std::string(VELMOR_TEST_DATA) + "/legal.txt");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t semi = line.find(" ; ");
        LegalCase c{line.substr(0, semi), {}};
        std::stringstream moves(line.substr(semi + 3));
        for (std::string m; moves >> m;) c.moves.insert(m);
        cases.push_back(c);
    }
    return cases;
}

// Every from-square, to-square and promotion letter the judge accepts. A
// pawn's move to the last rank without a letter is accepted too (the pawn
// then stays a pawn); the reference lists promotions with letters only.
std::set<std::string> Accepted() {
    std::set<std::string> accepted;
    for (char ff = 'a'; ff <= 'h'; ++ff)
        for (char fr = '1'; fr <= '8'; ++fr)
            for (char tf = 'a'; tf <= 'h'; ++tf)
                for (char tr = '1'; tr <= '8'; ++tr) {
                    const std::string text{ff, fr, tf, tr};
                    const bool bare = IsLegalGameMoveText(text);
                    bool promotes = false;
                    for (char letter : std::string("qrbnkpx")) {
                        if (IsLegalGameMoveText(text + letter)) {
                            accepted.insert(text + letter);
                            promotes = true;
                        }
                    }
                    if (bare && !promotes) accepted.insert(text);
                    if (promotes) {
                        EXPECT_TRUE(bare) << text << ": a promotion without its letter is refused";
                    }
                }
    return accepted;
}

class LegalData : public ::testing::TestWithParam<LegalCase> {};

TEST_P(LegalData, TheJudgeAcceptsExactlyTheLegalMoves) {
    SetFen(GetParam().fen);
    // What the search owns, to be left as it is.
    PositionsAnalysed = 1234;
    RootMoves.assign(3, MoveRecord{1, 2, 3, 4, 5});
    std::memset(Board[1], 7, sizeof Board[1]);
    const uint8_t ply1 = Board[1][0][0];
    EXPECT_EQ(Accepted(), GetParam().moves);
    EXPECT_EQ(GameSideHasLegalMove(), !GetParam().moves.empty());
    EXPECT_EQ(PositionsAnalysed, 1234);
    EXPECT_EQ(RootMoves.size(), 3u);
    EXPECT_EQ(MoveCount[0] + MoveCount[1], 0);
    EXPECT_EQ(Board[1][0][0], ply1);
    // The en-passant capture offered to the engine is a legal one, on the lower file first.
    std::string lowest;
    for (const std::string& m : GetParam().moves) {
        const uint8_t id = Sq(m[1] - '0', m[0] - 'a' + 1, 0);
        if (IsPawnId(id) && PromOf(id, 0) == 0 && m[0] != m[2] && Sq(m[3] - '0', m[2] - 'a' + 1, 0) == 0 && (lowest.empty() || m < lowest)) lowest = m;
    }
    EXPECT_EQ(GameEnPassantCapture(), lowest);
}

INSTANTIATE_TEST_SUITE_P(Data, LegalData, ::testing::ValuesIn(LoadLegal()));

TEST(GameMove, TextsThatAreNoMove) {
    NewGame();
    for (const char* text : {"", "e2", "e2e", "e2e4e5", "e2e9", "i2i4", "e2e2", "E2E4", "e2e4 ", "e2e4Q", "e7e8q"})
        EXPECT_FALSE(IsLegalGameMoveText(text)) << text;
    EXPECT_TRUE(IsLegalGameMoveText("e2e4"));
}

TEST(GameMove, EnPassantSquareFollowsTheGameAndTakebacks) {
    // A double step opens the square for one move; any other move closes it.
    PlaceList({{5, "a1"}, {20, "h8"}, {12, "d2"}, {29, "e4"}, {30, "c4"}}, true);
    GameEnPassant = NoEnPassant;
    PushGameSnapshot();
    PlayMoveText("d2d4");
    EXPECT_EQ(GameEnPassantCapture(), "c4d3");
    EXPECT_TRUE(IsLegalGameMoveText("e4d3"));
    for (const char* move : {"h8g8", "a1b1"}) {
        PushGameSnapshot();
        PlayMoveText(move);
    }
    EXPECT_FALSE(IsLegalGameMoveText("e4d3"));
    PopGameSnapshot();
    PopGameSnapshot();
    EXPECT_EQ(GameEnPassantCapture(), "c4d3");
    PopGameSnapshot();
    EXPECT_EQ(GameEnPassantCapture(), "");
    ClearGameSnapshots();
}

}  // namespace
