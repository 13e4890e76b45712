// FEN text to the position set-up. A refused FEN leaves the game as it was;
// an accepted one gives a sound position whose pieces are those the
// placement names, with the side not to move out of check; then a two-ply
// perft checks the position after every MakeMove.
#include <cstring>
#include <string>

#include "position/mossedeipezzi.h"
#include "position/setup.h"
#include "position/variabili.h"
#include "rules/makemove.h"
#include "rules/scacco.h"
#include "shell/protocol.h"
#include "tests/fuzz/harness.h"

namespace {

// The placement as this harness reads it: 8 ranks of 8 squares or nothing.
// grid[r][f] is the piece letter, 0 for empty; r = 0 is rank 1.
bool ReadPlacement(const std::string& fen, char grid[8][8]) {
    std::memset(grid, 0, 64);
    const std::string placement = fen.substr(0, fen.find(' '));
    int rank = 7, file = 0;
    for (char c : placement) {
        if (c == '/') {
            if (file != 8 || rank == 0) return false;
            --rank;
            file = 0;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
            if (file > 8) return false;
        } else if (std::strchr("KQRBNPkqrbnp", c) != nullptr) {
            if (file >= 8) return false;
            grid[rank][file++] = c;
        }
    }
    return rank == 0 && file == 8;
}

char Letter(int id) {
    static const char kinds[] = " kqrbnp";
    const char c = kinds[static_cast<int>(KindOf(id, 0))];
    return IsWhiteId(id) ? static_cast<char>(c - 'a' + 'A') : c;
}

// No piece of the colour lacks an id of its own kind.
bool FitsOwnIds(const char grid[8][8], bool white) {
    int count[128] = {0};
    for (int r = 0; r < 8; ++r)
        for (int f = 0; f < 8; ++f) count[static_cast<unsigned char>(grid[r][f])]++;
    auto n = [&](char c) { return count[static_cast<unsigned char>(white ? c - 'a' + 'A' : c)]; };
    return n('q') <= 1 && n('r') <= 2 && n('b') <= 2 && n('n') <= 2 && n('p') <= 8;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    WriteQuietSettings();
    SilenceStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const std::string fen(reinterpret_cast<const char*>(data), size);
    FreshGame();
    const GameState before = CaptureGame();
    std::string why;
    const bool accepted = SetPositionFromFen(fen, &why);
    CheckGameSound("after SetPositionFromFen");
    char grid[8][8];
    const bool shaped = ReadPlacement(fen, grid);
    if (!accepted) {
        FUZZ_CHECK(!why.empty(), "a refused FEN without a reason");
        FUZZ_CHECK(CaptureGame() == before, "a refused FEN changed the game");
        return 0;
    }
    FUZZ_CHECK(shaped, "a FEN accepted whose placement is not 8 ranks of 8 squares");
    FUZZ_CHECK(MoveHistory.empty(), "set-up kept the move history");

    // The pieces placed are those of the placement (a surplus piece may be left out).
    for (int r = 0; r < 8; ++r)
        for (int f = 0; f < 8; ++f) {
            const int id = Sq(r + 1, f + 1, 0);
            const char want = grid[r][f];
            if (id == 0) {
                FUZZ_CHECK(want == 0 || (want != 'K' && want != 'k'), "a king of the placement is missing");
                const bool white = want >= 'A' && want <= 'Z';
                FUZZ_CHECK(want == 0 || !FitsOwnIds(grid, white), "a piece with an id free for it was left out");
            } else {
                FUZZ_CHECK(Letter(id) == want, "a square holds another piece than the placement names");
                FUZZ_CHECK(want != 'P' && want != 'p' ? true : (r != 0 && r != 7), "a pawn on the first or last rank");
            }
        }

    // The side not to move is not in check (the tests look at ply 1).
    std::memcpy(Board[1], Board[0], sizeof Board[0]);
    std::memcpy(PieceFile[1], PieceFile[0], 32);
    std::memcpy(PieceRank[1], PieceRank[0], 32);
    std::memcpy(PromotedKind[1], PromotedKind[0], 32);
    const Bool16 inCheck = SideToMove ? BlackKingAttacked() : WhiteKingAttacked();
    std::memset(PromotedKind[1], 0, 32);
    FUZZ_CHECK(!inCheck, "a FEN accepted with the side not to move in check");

    CheckedPerft(2);
    CheckGameSound("after the perft");
    return 0;
}
