// Search and think-driver rules: no-move and mate scores, ties, the time budget, the result lines,
// castling rights after the engine's own move, repeatability after "new", alpha-beta's root value.
#include <algorithm>

#include "eval/evaluate.h"
#include "rules/scacco.h"
#include "search/minimax.h"
#include "search/reference.h"
#include "support.h"

namespace {

// A search of depth d with the root's full window, as the think driver starts each iteration.
int32_t FullWindow(int16_t d) {
    int32_t alpha = -d * 1000000, beta = d * 1000000;
    return Minimax(alpha, beta, d);
}

struct SearchFixture : ::testing::Test {
    void SetUp() override {
        SettingsFileEnabled = false, LogLevel = 0, BookEnabled = UseTime = False, SearchDepth = 4;
        InitPositionalTables();
        EventPump = nullptr;
        Reporter = XboardReporter();  // the move and result lines on standard output
    }
    int32_t Iterate(int16_t d) {  // one iteration at the root, from nothing known
        BestPiece = BestMoveCode = BestPromotion = 0, BestScore = 0, StopRequested = False;
        RootMoves.assign(1, MoveRecord{});
        const int32_t r = FullWindow(d);
        for (int p = 0; p <= MaxPly; ++p) EXPECT_EQ(MoveCount[p], 0) << p;
        EXPECT_EQ(Ply, 0);
        return r;
    }
    static std::string Think() {
        testing::internal::CaptureStdout();
        Analizza();
        return testing::internal::GetCapturedStdout();
    }
};

}  // namespace

TEST_F(SearchFixture, StalemateMateInOneAndTies) {
    const struct {
        const char* fen;
        int32_t value;
        const char* best;
    } cases[] = {
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 0, ""},                  // stalemated: no move, and a draw
        {"6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", 1000000, "a1a8"},  // mate seen at depth 1
        // Bare kings: every move scores the same; the top of the list (the last generated) stays best.
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", INT32_MIN, "e1f1"},
    };
    for (const auto& c : cases) {
        SetFen(c.fen);
        const int32_t value = Iterate(1);
        if (c.value != INT32_MIN) { EXPECT_EQ(value, c.value) << c.fen; }
        EXPECT_EQ(BestPiece == 0 ? "" : MoveToText(BestPiece, BestMoveCode), c.best) << c.fen;
        if (c.value == 1000000) { EXPECT_TRUE(BestScore == 4000000 && BestNoMovePly == 1) << BestScore; }
    }
}

TEST_F(SearchFixture, BudgetTable) {
    // The last two: never more than half of what is left; (10000 - 6000) / 11 = 363.6.
    const struct {
        int16_t move;
        int32_t remaining, initial, budget;
    } cases[] = {
        {1, 60000, 60000, 1500}, {20, 30000, 60000, 0}, {61, 60000, 60000, 500}, {61, 600, 60000, 300}, {30, 10000, 60000, 364}};
    for (const auto& c : cases) {
        MoveNumber = c.move, RemainingTime = c.remaining, InitialTime = c.initial;
        SetMoveBudget();
        EXPECT_EQ(MoveBudget, c.budget) << "move " << c.move << " remaining " << c.remaining;
    }
}

TEST_F(SearchFixture, AClockWithNoTimeLeftStillPlaysALegalMove) {
    NewGame();
    EngineColour = 0, UseTime = True, RemainingTime = 10, InitialTime = 60000;
    const std::string out = Think();
    EXPECT_NE(out.find("\nmove "), std::string::npos) << out;
    EXPECT_EQ(out.find("Resign"), std::string::npos) << out;
    EXPECT_EQ(SearchDepth, 1);
    EXPECT_EQ(SideToMove, False);  // the move was played
}

TEST_F(SearchFixture, AMatingMoveIsAnnouncedForEitherColour) {
    SetFen("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
    EngineColour = 0;  // as after "go"
    EXPECT_EQ(Think(), "\nmove a1a8\n\n1-0\n\ntellopponent Checkmate\n");
    SetFen("r5k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1");
    EngineColour = 1;
    EXPECT_EQ(Think(), "\nmove a8a1\n\n0-1\n\ntellopponent Checkmate\n");
}

TEST_F(SearchFixture, EngineKingAndRookMovesLowerCastleRights) {
    SetFen("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
    EngineColour = 0;
    Think();
    // Whatever it played, a king move clears the rights, a rook move the king side.
    const uint8_t piece = DepthResults[SearchDepth].Piece;
    ASSERT_TRUE(piece == 5 || piece == 8) << int(piece);
    EXPECT_EQ(CastleRights, piece == 5 ? 0 : 2);
}

// "new" resets everything a game leaves behind: the same game twice analyses the same positions.
TEST_F(SearchFixture, TheSameGameAfterNewAnalysesTheSamePositions) {
    std::string games[2];
    for (std::string& game : games) {
        testing::internal::CaptureStdout();
        ParseCommand("new\n");
        UseTime = False;  // "new" turns the clock on, as the settings' default says
        ParseCommand("usermove e2e4\nusermove d2d4\n");
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(MoveHistory.size(), 16u);
        game = MoveHistory + " " + std::to_string(PositionsAnalysed);
    }
    EXPECT_EQ(games[1], games[0]);
}

// Alpha-beta with its move order, its bounded leaves and its moves judged
// only when their score counts must give the root the value of the whole
// tree. The positions are full of pins, checks and promotions.
TEST_F(SearchFixture, RootValueIsThatOfTheWholeTree) {
    const struct {
        const char* fen;
        int16_t depth;
    } cases[] = {
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 3},
        {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3},
        {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 2},
        {"4k3/8/8/8/1b6/8/3N4/4K2q w - - 0 1", 3},  // a knight pinned to a king in check
        // A bishop pinned on its king's file can take the queen (once with
        // check), and the pawn's legal capture comes first in the list.
        {"7k/4r3/8/8/6p1/3q3P/4B3/4K3 b - - 0 1", 2},
        {"7k/4r3/8/8/6p1/3q3P/4B3/4K3 w - - 0 1", 3},
        {"8/4r3/k7/1q6/6p1/7P/4B3/4K3 b - - 0 1", 2},
        {"8/4r3/k7/1q6/6p1/7P/4B3/4K3 w - - 0 1", 3},
    };
    for (const auto& c : cases) {
        SetFen(c.fen);
        SearchDepth = c.depth, StopRequested = False;
        const int32_t plain = PlainNegamax(c.depth);
        // Iterative deepening as the think driver runs it: the root list
        // of each iteration is ordered by the scores of the one before.
        int32_t value = 0;
        for (int16_t d = 1; d <= c.depth; ++d) value = FullWindow(d);
        EXPECT_EQ(value, plain) << c.fen;
        // Below the root every node keeps its own window; searched with a
        // full one, each root move's reply must get the value of its tree.
        for (GenerateMoves(); MoveCount[0] > 0; PopMove()) {
            const MoveRecord m = MoveList[0][MoveCount[0]];
            if (!MakeMove()) continue;
            EnterPly();
            const int32_t reply = PlainNegamax(c.depth);
            EXPECT_EQ(FullWindow(c.depth), reply) << c.fen << " after " << MoveText(m);
            LeavePly();
        }
        std::memset(PromotedKind[1], 0, 32);
        RootMoves.assign(1, MoveRecord{});
    }
}
