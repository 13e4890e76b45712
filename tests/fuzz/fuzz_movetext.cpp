// Move text played on positions reached by random legal moves (from the
// start or from one of a few set-up positions). A text that is not playable
// changes nothing; a legal one gives exactly the position MakeMove makes;
// any playable one keeps the position sound. Then the engine, at depth 1 or
// 2, must answer with one of the legal moves of whatever position results,
// and a two-ply perft checks every MakeMove there.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "position/generate.h"
#include "position/setup.h"
#include "position/variabili.h"
#include "rules/makemove.h"
#include "search/analizza.h"
#include "shell/notation.h"
#include "shell/protocol.h"
#include "tests/fuzz/harness.h"

namespace {

const char* const Starts[] = {
    nullptr,  // "new"
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "4k3/8/8/8/8/8/8/4K2R w K - 0 1",
};

int ThinkDepth = 1;
int DepthHook() { return ThinkDepth; }

// The slices MakeMove gives for the legal move text, or false.
bool MadeByMakeMove(const std::string& text, GameState& made) {
    const size_t roots = RootMoves.size();
    const int32_t analysed = PositionsAnalysed;
    bool found = false;
    GenerateMoves();
    while (MoveCount[0] > 0) {
        const MoveRecord m = MoveList[0][MoveCount[0]];
        static const char* letters[5] = {"", "q", "r", "b", "n"};
        if (!found && MoveToText(m.Piece, m.MoveCode) + letters[m.Promotion <= 4 ? m.Promotion : 0] == text && MakeMove()) {
            found = true;
            std::memcpy(made.board, Board[1], sizeof made.board);
            std::memcpy(made.file, PieceFile[1], 32);
            std::memcpy(made.rank, PieceRank[1], 32);
            std::memcpy(made.promoted, PromotedKind[1], 32);
        }
        PopMove();
    }
    std::memset(PromotedKind[1], 0, 32);
    RootMoves.resize(roots);
    PositionsAnalysed = analysed;
    return found;
}

void PlayChecked(const std::string& text) {
    const GameState before = CaptureGame();
    const bool playable = MoveTextPlayable(text);
    const bool legal = IsLegalGameMove(text);
    FUZZ_CHECK(CaptureGame() == before && MoveCount[0] == 0, "IsLegalGameMove changed the game");
    FUZZ_CHECK(!legal || playable, "a legal move text is not playable: " + text);
    GameState made{};
    const bool viaMake = legal && MadeByMakeMove(text, made);
    FUZZ_CHECK(legal == viaMake || text.size() == 5, "IsLegalGameMove and the generated moves disagree: " + text);
    PlayMoveText(text);
    CheckGameSound("after PlayMoveText");
    if (!playable) {
        FUZZ_CHECK(CaptureGame() == before, "a move text that is not playable changed the game: " + text);
        return;
    }
    FUZZ_CHECK(SideToMove != before.side, "a played move did not pass the turn");
    if (viaMake) {
        const GameState now = CaptureGame();
        FUZZ_CHECK(std::memcmp(now.board, made.board, sizeof made.board) == 0, "PlayMoveText and MakeMove give other boards: " + text);
        for (int id = 1; id <= 32; ++id) {
            FUZZ_CHECK(now.file[id - 1] == made.file[id - 1], "PlayMoveText and MakeMove place a piece differently: " + text);
            if (now.file[id - 1] != OffBoard)
                FUZZ_CHECK(now.rank[id - 1] == made.rank[id - 1], "PlayMoveText and MakeMove rank a piece differently: " + text);
            FUZZ_CHECK(now.promoted[id - 1] == made.promoted[id - 1], "PlayMoveText and MakeMove promote differently: " + text);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    WriteQuietSettings();
    SilenceStdout();
    Window.DepthText = DepthHook;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    FreshGame();
    const size_t start = in.ConsumeIntegralInRange<size_t>(0, sizeof Starts / sizeof Starts[0] - 1);
    if (Starts[start] != nullptr && !SetPositionFromFen(Starts[start])) Fail("a start position was refused");
    // Random legal moves, each chosen by one byte.
    const int moves = in.ConsumeIntegralInRange<int>(0, 40);
    for (int i = 0; i < moves; ++i) {
        std::vector<std::string> legal = LegalGameMoves();
        if (legal.empty()) break;
        std::sort(legal.begin(), legal.end());
        PlayChecked(legal[in.ConsumeIntegral<uint8_t>() % legal.size()]);
    }
    // Then the input's own move texts.
    const int texts = in.ConsumeIntegralInRange<int>(0, 8);
    for (int i = 0; i < texts; ++i) PlayChecked(in.ConsumeRandomLengthString(8));
    // The engine moves in whatever position that left.
    std::vector<std::string> legal = LegalGameMoves();
    CheckedPerft(2);
    CheckGameSound("after the perft");
    ThinkDepth = in.ConsumeIntegralInRange<int>(0, 7) == 0 ? 2 : 1;
    Analizza();
    CheckGameSound("after the think");
    if (legal.empty()) {
        FUZZ_CHECK(BestMoveText.empty(), "the engine moved without a legal move: " + BestMoveText);
    } else {
        FUZZ_CHECK(std::find(legal.begin(), legal.end(), BestMoveText) != legal.end(),
                   "the engine chose a move that is not legal: '" + BestMoveText + "'");
    }
    return 0;
}
