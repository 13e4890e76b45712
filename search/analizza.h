// The think driver: book move or iterative deepening under the time budget,
// then the move is sent, played and the game end announced.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "position/variabili.h"

struct DepthResult {
    int32_t Score;
    uint8_t Piece;      // 0 = no move
    uint8_t MoveCode;
    uint8_t Promotion;
    uint8_t Spare;
};

extern int16_t SearchDepth;        // depth limit of the think; afterwards the depth played
extern int32_t MoveBudget;         // time for this move, centiseconds
extern int32_t MoveStartTick;      // tick count (ms) when the budget was set
extern int16_t MoveNumber;         // the engine's move counter, 1 at a new game
extern std::vector<DepthResult> DepthResults;  // index 1..SearchDepth (0 unused)
extern Bool16 StopRequested;       // the running search is to stop and move
extern std::string BestMoveText;   // the move played, coordinate text; empty = none

inline constexpr int MinSearchDepth = 1;
inline constexpr int MaxSearchDepth = 98;  // search reaches ply depth + 1 and writes ply + 1

void Analizza();
void SetMoveBudget();
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
// A last look at the input once the think has its move, before anything of
// it reaches the game, so that a command already waiting abandons it even
// then. Set in protocol mode; null elsewhere.
extern void (*LastInputLook)();

// Hooks through which the think driver writes into the engine window; all
// null in protocol mode.
struct WindowHooks {
    void (*ClearStatus)() = nullptr;
    void (*SetStatus)(const std::string&) = nullptr;
    void (*AddLogLine)(const std::string&) = nullptr;
    void (*EnableStop)(bool) = nullptr;
    void (*BusyCursor)(bool) = nullptr;
    int (*DepthText)() = nullptr;      // depth from the window's box (clamped)
    int32_t (*TimeBudget)() = nullptr; // centiseconds from the window's box
};
extern WindowHooks Window;
