// Search and think-driver rules: mate and stalemate scores, ties, the time
// budget, the result lines and repeatability.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>

#include "eval/evaluate.h"
#include "rules/scacco.h"
#include "search/minimax.h"
#include "support.h"

namespace {

// Runs fn with standard output sent to a file and returns what was written.
std::string CaptureStdout(const std::function<void()>& fn) {
    char path[] = "/tmp/velmor-stdout-XXXXXX";
    int fd = mkstemp(path);
    std::fflush(stdout);
    int saved = dup(1);
    dup2(fd, 1);
    fn();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    close(fd);
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    unlink(path);
    return text;
}

struct SearchFixture : ::testing::Test {
    void SetUp() override {
        SettingsFileEnabled = false;
        InitPositionalTables();
        LogLevel = 0;
        BookEnabled = False;
        UseTime = False;
        EventPump = nullptr;
        Window = WindowHooks{};
        SearchDepth = 4;
    }
    // One iteration of depth d at the root, as the think driver runs it.
    int32_t Iterate(int16_t d) {
        BestPiece = BestMoveCode = BestPromotion = 0;
        BestScore = 0;
        StopRequested = False;
        RootMoves.assign(1, MoveRecord{});
        Ply = 0;
        int32_t alpha = -d * 1000000, beta = d * 1000000;
        int32_t r = Minimax(alpha, beta, d);
        EXPECT_EQ(Ply, 0);
        for (int p = 0; p <= MaxPly; ++p) EXPECT_EQ(MoveCount[p], 0) << p;
        return r;
    }
    std::string Think() { return CaptureStdout([] { Analizza(); }); }
};

}  // namespace

TEST_F(SearchFixture, CheckmatedAndStalematedRoots) {
    SetFen("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3");
    EXPECT_EQ(Iterate(1), -5000000);
    EXPECT_EQ(BestPiece, 0);
    SetFen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    EXPECT_EQ(Iterate(1), 0);
    EXPECT_EQ(BestPiece, 0);
}

TEST_F(SearchFixture, MateInOneAtDepthOneIsSeenThroughTheCheckExtension) {
    SetFen("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
    EXPECT_EQ(Iterate(1), 1000000);
    EXPECT_EQ(BestScore, 4000000);
    EXPECT_EQ(BestNoMovePly, 1);
    EXPECT_EQ(BestPiece, 1);
    EXPECT_EQ(MoveToText(BestPiece, BestMoveCode), "a1a8");
}

TEST_F(SearchFixture, EqualScoresKeepTheMoveSearchedFirst) {
    // Bare kings: every king move scores the same; the top of the list (the
    // last generated, f1) is searched first and stays best.
    SetFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    Iterate(1);
    EXPECT_EQ(MoveToText(BestPiece, BestMoveCode), "e1f1");
}

TEST_F(SearchFixture, BudgetTable) {
    RemainingTime = 60000;
    InitialTime = 60000;
    MoveNumber = 1;
    SetMoveBudget();
    EXPECT_EQ(MoveBudget, 1500);
    MoveNumber = 20;
    RemainingTime = 30000;
    SetMoveBudget();
    EXPECT_EQ(MoveBudget, 0);
    MoveNumber = 61;
    RemainingTime = 60000;
    SetMoveBudget();
    EXPECT_EQ(MoveBudget, 500);
    // Never more than half of what is left on the clock.
    RemainingTime = 600;
    SetMoveBudget();
    EXPECT_EQ(MoveBudget, 300);
    MoveNumber = 30;
    RemainingTime = 10000;
    InitialTime = 60000;
    SetMoveBudget();
    EXPECT_EQ(MoveBudget, 364);  // (10000 - 6000) / 11 = 363.6
}

TEST_F(SearchFixture, AClockWithNoTimeLeftStillPlaysALegalMove) {
    PlaceById({});
    SetInitialPosition();
    SideToMove = True;
    EngineColour = 0;
    UseTime = True;
    RemainingTime = 10;
    InitialTime = 60000;
    const std::string out = Think();
    EXPECT_NE(out.find("\nmove "), std::string::npos) << out;
    EXPECT_EQ(out.find("Resign"), std::string::npos) << out;
    EXPECT_EQ(SearchDepth, 1);
    EXPECT_EQ(SideToMove, False);  // the move was played
}

TEST_F(SearchFixture, MatingMoveIsAnnouncedAndPromotionCarriesItsLetter) {
    SetFen("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
    EngineColour = 0;  // as after "go"
    EXPECT_EQ(Think(), "\nmove a1a8\n\n1-0\n\ntellopponent Checkmate\n");
    SetFen("r5k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1");
    EngineColour = 1;
    EXPECT_EQ(Think(), "\nmove a8a1\n\n0-1\n\ntellopponent Checkmate\n");
    SetFen("7k/P7/8/8/8/8/8/K7 w - - 0 1");
    const std::string out = Think();
    EXPECT_EQ(out.substr(0, 12), "\nmove a7a8q\n") << out;
}

TEST_F(SearchFixture, EngineKingAndRookMovesLowerCastleRights) {
    SetFen("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
    CastleRights = 3;
    EngineColour = 0;
    Think();
    // Whatever it played, a king move clears the rights, a rook move the king side.
    const uint8_t piece = DepthResults[SearchDepth].Piece;
    if (piece == 5) {
        EXPECT_EQ(CastleRights, 0);
    }
    if (piece == 8) {
        EXPECT_EQ(CastleRights, 2);
    }
    EXPECT_TRUE(piece == 5 || piece == 8);
}

TEST_F(SearchFixture, TheSameThinkTwiceAnalysesTheSamePositions) {
    int32_t first = 0;
    std::string firstMove;
    for (int game = 0; game < 2; ++game) {
        PlaceById({});
        SetInitialPosition();
        SideToMove = True;
        EngineColour = 0;
        Think();
        PlayMoveText("e7e5");
        Think();
        if (game == 0) {
            first = PositionsAnalysed;
            firstMove = BestMoveText;
        } else {
            EXPECT_EQ(PositionsAnalysed, first);
            EXPECT_EQ(BestMoveText, firstMove);
        }
    }
    EXPECT_GT(first, 0);
}

TEST_F(SearchFixture, AStopFromTheEventPumpPlaysTheBestMoveSoFar) {
    PlaceById({});
    SetInitialPosition();
    SideToMove = True;
    EngineColour = 0;
    EventPump = [] { RequestStop(); };
    const std::string out = Think();
    EventPump = nullptr;
    EXPECT_NE(out.find("\nmove "), std::string::npos) << out;
    EXPECT_GE(SearchDepth, 1);
    EXPECT_LT(SearchDepth, 4);
    EXPECT_TRUE(StopRequested);
}

namespace {
// The same tree searched without a window: every legal move of every node
// scored, the same leaves, check extension and no-move scores.
int32_t PlainMinimax(int16_t depth) {
    if (Ply > depth || (Ply == depth && !SideToMoveInCheck())) return Evaluate();
    std::memcpy(PromotedKind[Ply + 1], PromotedKind[Ply], 32);
    GenerateMoves();
    bool any = false;
    int32_t best = 0;
    while (MoveCount[Ply] > 0) {
        if (MakeMove()) {
            EnterPly();
            const int32_t s = -PlainMinimax(depth);
            LeavePly();
            if (!any || s > best) best = s;
            any = true;
        }
        PopMove();
    }
    std::memset(PromotedKind[Ply + 1], 0, 32);
    return any ? best : NoMoveScore();
}
}  // namespace

// Alpha-beta with its move order, its bounded leaves and its moves judged
// only when their score counts must give the root the value of the whole
// tree. The positions are full of pins, checks and promotions.
TEST_F(SearchFixture, RootValueIsThatOfTheWholeTree) {
    const struct { const char* fen; int16_t depth; } cases[] = {
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
        SearchDepth = c.depth;
        StopRequested = False;
        const int32_t plain = PlainMinimax(c.depth);
        // Iterative deepening as the think driver runs it: the root list
        // of each iteration is ordered by the scores of the one before.
        RootMoves.assign(1, MoveRecord{});
        int32_t value = 0;
        for (int16_t d = 1; d <= c.depth; ++d) {
            Ply = 0;
            int32_t alpha = -d * 1000000, beta = d * 1000000;
            value = Minimax(alpha, beta, d);
        }
        EXPECT_EQ(value, plain) << c.fen;
        // Below the root every node keeps its own window; searched with a
        // full one, each root move's reply must get the value of its tree.
        Ply = 0;
        GenerateMoves();
        while (MoveCount[0] > 0) {
            if (MakeMove()) {
                EnterPly();
                const int32_t reply = PlainMinimax(c.depth);
                int32_t alpha = -c.depth * 1000000, beta = c.depth * 1000000;
                EXPECT_EQ(Minimax(alpha, beta, c.depth), reply) << c.fen << " after " << MoveToText(MoveList[0][MoveCount[0]].Piece, MoveList[0][MoveCount[0]].MoveCode);
                LeavePly();
            }
            PopMove();
        }
        std::memset(PromotedKind[1], 0, 32);
        RootMoves.assign(1, MoveRecord{});
    }
}
