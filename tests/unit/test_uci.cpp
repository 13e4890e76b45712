// The same think through both protocols: for the same position, depth and
// settings, a UCI "go depth D" plays the move of the xboard think and its
// last info line counts the same positions analysed. The positions are
// those of the bench (set up by FEN) and games whose moves the xboard
// engine made itself, replayed to UCI as a move list.
#include <regex>

#include "search/minimax.h"
#include "shell/uci.h"
#include "support.h"
#include "tools/benchpositions.h"

namespace {

constexpr int Depth = 3;

struct CrossProtocol : ::testing::Test {
    std::string xboardMove;
    int32_t xboardPositions = -1;

    void SetUp() override {
        SettingsFileEnabled = false, LogLevel = 0, BookEnabled = UseTime = False, EventPump = nullptr;
        InitPositionalTables();
        OverrideSetting("General", "Profondita", std::to_string(Depth));
        OverrideSetting("Time", "Enabled", "0");
        OverrideSetting("Book", "Enabled", "0");
    }
    void TearDown() override {
        ClearSettingOverrides();
        Reporter = ThinkReporter{};
    }

    // xboard lines; returns the engine's output. The last think's move and
    // count are kept.
    std::string Xboard(const std::string& lines) {
        static CrossProtocol* self = nullptr;
        self = this;
        Reporter = XboardReporter();
        Reporter.Concluded = [](const ThinkOutcome& o) {
            self->xboardMove = o.move;
            self->xboardPositions = o.positions;
        };
        testing::internal::CaptureStdout();
        ParseCommand(lines);
        return testing::internal::GetCapturedStdout();
    }
    // The engine's moves of an xboard output, in order.
    static std::vector<std::string> Moves(const std::string& out) {
        std::vector<std::string> moves;
        const std::regex move("\nmove (\\S+)\n");
        for (auto it = std::sregex_iterator(out.begin(), out.end(), move); it != std::sregex_iterator(); ++it)
            moves.push_back((*it)[1]);
        return moves;
    }
    // UCI lines ending in a "go": "bestmove count", the count from the last info line.
    static std::string Uci(const std::string& lines) {
        testing::internal::CaptureStdout();
        ParseUciCommand("setoption name OwnBook value false\nucinewgame\n" + lines);
        const std::string out = testing::internal::GetCapturedStdout();
        std::smatch m;
        const std::regex last(".*nodes (\\d+)(?: nps \\d+)? pv \\S+\nbestmove (\\S+)\n$");
        if (!std::regex_search(out, m, last)) return "no info and bestmove in: " + out;
        return m[2].str() + " " + m[1].str();
    }
    std::string XboardResult() const { return xboardMove + " " + std::to_string(xboardPositions); }
};

}  // namespace

TEST_F(CrossProtocol, BenchPositions) {
    for (const BenchPosition& p : BenchPositions) {
        Xboard(std::string("setboard ") + p.fen + "\ngo\n");
        EXPECT_EQ(Uci(std::string("position fen ") + p.fen + "\ngo depth " + std::to_string(Depth) + "\n"), XboardResult())
            << p.name;
    }
}

// Five moves, the engine's own among them: its move counter and castling
// rights come from the list.
TEST_F(CrossProtocol, GameFromTheStart) {
    const std::vector<std::string> own = Moves(Xboard("new\nusermove e2e4\nusermove d2d4\nusermove g1f3\n"));
    ASSERT_EQ(own.size(), 3u);
    const std::string line = "e2e4 " + own[0] + " d2d4 " + own[1] + " g1f3";
    EXPECT_EQ(Uci("position startpos moves " + line + "\ngo depth 3\n"), XboardResult());
    EXPECT_EQ(XboardResult().substr(0, 4), own[2]);
}

// The engine's king move out of a knight's check ends the castling rights
// of both colours, as the search shares them.
TEST_F(CrossProtocol, GameWithTheEnginesKingMove) {
    const char* fen = "r3k2r/pppq1ppp/8/8/8/3n4/PP3PPP/R3K2R w KQkq - 0 1";
    std::vector<std::string> own = Moves(Xboard(std::string("setboard ") + fen + "\ngo\n"));
    ASSERT_EQ(own.size(), 1u);
    ASSERT_EQ(own[0].substr(0, 2), "e1");
    const std::string king = own[0];
    own = Moves(Xboard("usermove a7a6\n"));
    ASSERT_EQ(own.size(), 1u);
    EXPECT_EQ(Uci(std::string("position fen ") + fen + " moves " + king + " a7a6\ngo depth 3\n"), XboardResult());
    EXPECT_EQ(XboardResult().substr(0, 4), own[0]);
}
