// The think driver: book move or iterative deepening under the time budget,
// then the move is announced, played and the game end announced, all through
// the reporter its caller installed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "position/gamestate.h"
#include "position/variabili.h"

struct DepthResult {
    int32_t Score;
    uint8_t Piece;  // 0 = no move
    uint8_t MoveCode;
    uint8_t Promotion;
    uint8_t Spare;
};

extern int16_t SearchDepth;    // depth limit of the think; afterwards the depth played
extern int32_t MoveBudget;     // time for this move, centiseconds
extern int32_t MoveStartTick;  // tick count (ms) when the budget was set
// MoveNumber, defined in analizza.cpp, is declared in position/gamestate.h.
extern std::vector<DepthResult> DepthResults;  // index 1..SearchDepth (0 unused)
extern Bool16 StopRequested;                   // the running search is to stop and move
extern std::string BestMoveText;               // the move played, coordinate text; empty = none

inline constexpr int MinSearchDepth = 1;
inline constexpr int MaxSearchDepth = 98;  // search reaches ply depth + 1 and writes ply + 1

void Analizza();
void SetMoveBudget();
// The clock's share for move moveNumber (centiseconds, not rounded): the
// remaining time less a reserve kept from the game's first clock value,
// spread over the moves to the next of 20, 40 and 60; 500 from move 61 on.
double ClockShare(int moveNumber, double remaining, double initial);
void SyncSideToMove();

// A stop from the clock, "?" or the window's Stop button. Before the first
// iteration has stored a root move the stop is held back and takes effect
// as soon as one is stored, so the engine always has a move to play.
void RequestStop();
// Called by the search when the root stores a best move: from then on a stop
// takes effect (a held-back one at once).
void ArmStop();

// A command that changes the game ("new", "force", "undo", ...) arrived
// while the engine thinks: the search stops at once, not held back, and
// nothing of the think reaches the game (no move, no record, no result).
// The log names the first command given.
void AbandonThink(const std::string& command);

// One completed iteration of the deepening.
struct IterationReport {
    int16_t depth;
    int32_t score;         // the search's result for the iteration
    std::string bestMove;  // coordinate text of its best root move; empty when it stored none
    int32_t positions;     // PositionsAnalysed so far in the think
    int32_t elapsedMs;     // since the think started
};

// How the think ended, before its move reaches the game.
struct ThinkOutcome {
    bool fromBook;         // the book gave the move: no search ran
    std::string move;      // BestMoveText: the move to play, empty when there is none
    int32_t score;         // the final score (of the deepest usable iteration)
    int32_t positions;     // PositionsAnalysed
    int32_t elapsedMs;     // since the think started (0 for a book move)
    int32_t unscoredRoot;  // the score a root move still holds when the search never scored it
};

// The one way the think driver reaches its caller, besides the search's
// event pump. The caller (the protocol interpreter, the window, the bench,
// the tests) sets it before thinking; a null entry reports nothing.
struct ThinkReporter {
    // The think starts.
    void (*Started)() = nullptr;
    // The depth limit and the time budget (centiseconds) of the think; when
    // null, the depth from the settings and the budget from the clock.
    int (*DepthLimit)() = nullptr;
    int32_t (*TimeBudget)() = nullptr;
    // PositionsAnalysed at every ProgressInterval positions made.
    void (*Progress)(int32_t positions) = nullptr;
    // Each completed iteration.
    void (*Iteration)(const IterationReport&) = nullptr;
    // A last look at the caller's input once the think has its move, before
    // anything of it reaches the game, so that a command already waiting
    // can still abandon it.
    void (*LastLook)() = nullptr;
    // The think has its move, or has none.
    void (*Concluded)(const ThinkOutcome&) = nullptr;
    // The move is about to be recorded and played on the game position: the
    // caller announces it and keeps what it needs to take it back.
    void (*MoveChosen)(const std::string& move) = nullptr;
    // The think is over (also when abandoned); the results may follow.
    void (*Ended)() = nullptr;
    // The game is over: the result ("1-0", "0-1", "1/2-1/2") and what the
    // engine tells its opponent ("Checkmate", "Draw", "I Resign").
    void (*Result)(const char* result, const char* tell) = nullptr;
};
extern ThinkReporter Reporter;  // the think's caller, installed before the think
