// The think driver's reporter: what a think tells its caller, in which order,
// and that without a reporter it writes nothing on standard output.
#include "search/minimax.h"
#include "shell/gamehistory.h"
#include "support.h"

namespace {

// Every report of one think, as one line each, in the order they came.
std::vector<std::string> Heard;

void Hear(const std::string& line) { Heard.push_back(line); }

ThinkReporter Recorder(int depth) {
    static int Depth;
    Depth = depth;
    ThinkReporter r;
    r.Started = [] { Hear("started"); };
    r.DepthLimit = [] { return Depth; };
    r.Progress = [](int32_t positions) { Hear("progress " + std::to_string(positions)); };
    r.Iteration = [](const IterationReport& it) {
        Hear("iteration " + std::to_string(it.depth) + " " + std::to_string(it.score) + " " + it.bestMove + " " +
             std::to_string(it.positions));
    };
    r.Concluded = [](const ThinkOutcome& o) {
        Hear(std::string(o.fromBook ? "book " : "search ") + o.move + " " + std::to_string(o.score) + " " +
             std::to_string(o.positions) + " " + std::to_string(o.unscoredRoot));
    };
    r.MoveChosen = [](const std::string& move) { Hear("move " + move); };
    r.Ended = [] { Hear("ended"); };
    r.Result = [](const char* result, const char* tell) { Hear(std::string("result ") + result + " " + tell); };
    return r;
}

struct ReportFixture : ::testing::Test {
    void SetUp() override {
        SettingsFileEnabled = false, LogLevel = 0, BookEnabled = UseTime = False;
        InitPositionalTables();
        EventPump = nullptr;
        Heard.clear();
    }
    void TearDown() override { Reporter = ThinkReporter{}; }
    // A think with the given reporter; what it wrote on standard output.
    static std::string Think(const ThinkReporter& r) {
        Reporter = r;
        testing::internal::CaptureStdout();
        Analizza();
        return testing::internal::GetCapturedStdout();
    }
};

}  // namespace

TEST_F(ReportFixture, AMateIsReportedInOrderAndNothingReachesStandardOutput) {
    SetFen("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
    EngineColour = 0;
    EXPECT_EQ(Think(Recorder(3)), "");
    // The mate stops the deepening at depth 1.
    ASSERT_EQ(Heard.size(), 6u);
    EXPECT_EQ(Heard[0], "started");
    EXPECT_EQ(Heard[1], "iteration 1 1000000 a1a8 17");
    EXPECT_EQ(Heard[2], "search a1a8 3000000 17 -4000000");
    EXPECT_EQ(Heard[3], "move a1a8");
    EXPECT_EQ(Heard[4], "ended");
    EXPECT_EQ(Heard[5], "result 1-0 Checkmate");
    EXPECT_EQ(MoveHistory.substr(MoveHistory.size() - 4), "a1a8");  // recorded after it was announced
}

TEST_F(ReportFixture, IterationsAndProgressCountUpToTheMovePlayed) {
    NewGame();
    EngineColour = 0;
    EXPECT_EQ(Think(Recorder(4)), "");
    // One report per depth, the positions growing; progress at every
    // multiple of the interval, and only during the think.
    std::vector<std::string> iterations, progress;
    for (const std::string& line : Heard) {
        if (line.rfind("iteration ", 0) == 0) iterations.push_back(line);
        if (line.rfind("progress ", 0) == 0) progress.push_back(line);
    }
    ASSERT_EQ(iterations.size(), 4u);
    for (int d = 1; d <= 4; ++d) EXPECT_EQ(iterations[d - 1].rfind("iteration " + std::to_string(d) + " ", 0), 0u) << iterations[d - 1];
    ASSERT_FALSE(progress.empty());
    ASSERT_EQ(progress.size(), static_cast<size_t>(PositionsAnalysed / ProgressInterval));
    for (size_t k = 0; k < progress.size(); ++k) EXPECT_EQ(progress[k], "progress " + std::to_string((k + 1) * ProgressInterval));
    EXPECT_EQ(Heard.back(), "ended");
    EXPECT_EQ(Heard[Heard.size() - 2], "move " + BestMoveText);
    // After the think the move maker reports to nobody.
    EXPECT_EQ(PositionsProgress, nullptr);
}

TEST_F(ReportFixture, NoMoveEndsTheThinkWithTheResultAndNothingToTakeBack) {
    // Stalemated, the engine has no move: no "move", the draw after the end.
    SetFen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    EngineColour = 1;
    ClearGameSnapshots();
    EXPECT_EQ(Think(Recorder(2)), "");
    ASSERT_GE(Heard.size(), 3u);
    EXPECT_EQ(Heard[Heard.size() - 3], "search  0 " + std::to_string(PositionsAnalysed) + " -3000000");
    EXPECT_EQ(Heard[Heard.size() - 2], "ended");
    EXPECT_EQ(Heard.back(), "result 1/2-1/2 Draw");
    // The xboard reporter sends the same on standard output, and keeps a
    // snapshot only of a move played.
    EXPECT_EQ(Think(XboardReporter()), "\n1/2-1/2\n\ntellopponent Draw\n");
    EXPECT_EQ(GameSnapshotCount(), 0);
    SetFen("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
    EngineColour = 0;
    EXPECT_EQ(Think(XboardReporter()), "\nmove a1a8\n\n1-0\n\ntellopponent Checkmate\n");
    EXPECT_EQ(GameSnapshotCount(), 1);
    ASSERT_TRUE(PopGameSnapshot());
    EXPECT_EQ(Sq(1, 1, 0), 1);  // the rook back on a1
    ClearGameSnapshots();
}
