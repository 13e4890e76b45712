// What the fuzz targets share: a fresh game, files beside the program, a
// perft that checks the position after every MakeMove, and the legal moves
// of the game position.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Reports a broken property and aborts, so libFuzzer keeps the input.
[[noreturn]] void Fail(const std::string& what);
#define FUZZ_CHECK(cond, what)            \
    do {                                  \
        if (!(cond)) Fail(std::string(what)); \
    } while (0)

// A file beside the fuzz binary (where the engine looks for its settings,
// log and book).
std::string Beside(const std::string& name);
void WriteBeside(const std::string& name, const std::string& data);

// Settings for fast, repeatable thinks: depth 1, no clock, no book, no log,
// no board print.
void WriteQuietSettings();

// Standard output to /dev/null (the engine's "move" lines).
void SilenceStdout();

// The state of a process that has just started and seen "new" and "force".
void FreshGame();

// The game position is sound: invariant of slice 0, Ply 0, every list empty.
void CheckGameSound(const char* where);

// Perft from the current ply with the invariant asserted after every
// MakeMove and every list empty again afterwards.
uint64_t CheckedPerft(int depth);

// Legal moves of the game position in coordinate text (with promotion letter).
// Leaves lists, RootMoves and PositionsAnalysed as they were.
std::vector<std::string> LegalGameMoves();

// Everything of slice 0 and the game globals a refused input must not change.
struct GameState {
    uint8_t board[8][8];
    uint8_t file[32], rank[32], promoted[32];
    int16_t side;
    std::string history;
    int16_t castle, gameCastle[2];
    bool operator==(const GameState& o) const;
};
GameState CaptureGame();
