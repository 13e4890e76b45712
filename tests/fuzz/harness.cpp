#include "tests/fuzz/harness.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/folder.h"
#include "position/generate.h"
#include "position/mossedeipezzi.h"
#include "position/setup.h"
#include "position/variabili.h"
#include "rules/makemove.h"
#include "search/analizza.h"
#include "shell/common.h"
#include "shell/main.h"
#include "shell/notation.h"
#include "shell/protocol.h"

void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz property broken: %s\n", what.c_str());
    std::abort();
}

std::string Beside(const std::string& name) { return ProgramFolder() + "/" + name; }

void WriteBeside(const std::string& name, const std::string& data) {
    const std::string path = Beside(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) Fail("cannot write " + path);
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), f) != data.size()) Fail("short write " + path);
    std::fclose(f);
}

void WriteQuietSettings() {
    WriteBeside("Velmorasca.ini",
                "[Log]\nEnabled=0\nLevel=0\n[Book]\nEnabled=0\n[Time]\nEnabled=0\n[General]\nProfondita=1\nCanCastle=1\n"
                "[Print]\nPosition=N\n");
}

void SilenceStdout() {
    int fd = open("/dev/null", O_WRONLY);
    if (fd >= 0) {
        dup2(fd, STDOUT_FILENO);
        close(fd);
    }
}

void FreshGame() {
    Ply = 0;
    for (int p = 0; p <= MaxPly; ++p) MoveCount[p] = 0;
    SetInitialPosition();
    SideToMove = True;
    EngineActive = False;
    EngineColour = 1;
    StopRequested = False;
    UseTime = False;
    BookEnabled = False;
    ProtocolMode = True;
    LogLevel = 0;
    RootMoves.assign(1, MoveRecord{0, 0, 0, 0, 0});
}

void CheckGameSound(const char* where) {
    const char* fault = PositionInvariantFault(0);
    FUZZ_CHECK(fault[0] == 0, std::string(where) + ": " + fault);
    FUZZ_CHECK(Ply == 0, std::string(where) + ": Ply is not 0");
    for (int p = 0; p <= MaxPly; ++p) FUZZ_CHECK(MoveCount[p] == 0, std::string(where) + ": a move list is not empty");
}

uint64_t CheckedPerft(int depth) {
    if (depth == 0) return 1;
    const int p = Ply;
    uint8_t board[8][8];
    std::memcpy(board, Board[p], sizeof board);
    GenerateMoves();
    FUZZ_CHECK(MoveCount[p] <= MaxMovesPerPly, "MoveCount above the list size");
    const int n = MoveCount[p];
    uint64_t nodes = 0;
    for (int i = 0; i < n; ++i) {
        const Bool16 legal = MakeMove();
        const char* fault = PositionInvariantFault(p + 1);
        FUZZ_CHECK(fault[0] == 0, std::string("after MakeMove: ") + fault);
        if (legal) {
            EnterPly();
            nodes += CheckedPerft(depth - 1);
            LeavePly();
        }
        PopMove();
    }
    FUZZ_CHECK(MoveCount[p] == 0, "perft left moves in a list");
    FUZZ_CHECK(std::memcmp(board, Board[p], sizeof board) == 0, "a deeper ply changed the board of its parent");
    return nodes;
}

std::vector<std::string> LegalGameMoves() {
    FUZZ_CHECK(Ply == 0 && MoveCount[0] == 0, "LegalGameMoves outside the game position");
    const size_t roots = RootMoves.size();
    const int32_t analysed = PositionsAnalysed;
    std::vector<std::string> legal;
    GenerateMoves();
    while (MoveCount[0] > 0) {
        const MoveRecord m = MoveList[0][MoveCount[0]];
        if (MakeMove()) {
            static const char* letters[5] = {"", "q", "r", "b", "n"};
            legal.push_back(MoveToText(m.Piece, m.MoveCode) + letters[m.Promotion <= 4 ? m.Promotion : 0]);
        }
        PopMove();
    }
    std::memset(PromotedKind[1], 0, 32);
    RootMoves.resize(roots);
    PositionsAnalysed = analysed;
    return legal;
}

bool GameState::operator==(const GameState& o) const {
    return std::memcmp(board, o.board, sizeof board) == 0 && std::memcmp(file, o.file, sizeof file) == 0 &&
           std::memcmp(rank, o.rank, sizeof rank) == 0 && std::memcmp(promoted, o.promoted, sizeof promoted) == 0 &&
           side == o.side && history == o.history && castle == o.castle && gameCastle[0] == o.gameCastle[0] &&
           gameCastle[1] == o.gameCastle[1];
}

GameState CaptureGame() {
    GameState s;
    std::memcpy(s.board, Board[0], sizeof s.board);
    std::memcpy(s.file, PieceFile[0], sizeof s.file);
    std::memcpy(s.rank, PieceRank[0], sizeof s.rank);
    std::memcpy(s.promoted, PromotedKind[0], sizeof s.promoted);
    s.side = SideToMove ? True : False;
    s.history = MoveHistory;
    s.castle = CastleRights;
    s.gameCastle[0] = GameCastle[0];
    s.gameCastle[1] = GameCastle[1];
    return s;
}
