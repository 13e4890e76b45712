// The think driver: a book move, or iterative deepening from depth 1 to the
// limit under the time budget; then the move is announced, played and
// recorded, and the end of the game announced when the search shows it.
// Everything its caller sees goes through the caller's reporter.
#include "search/analizza.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "book/book.h"
#include "platform/clock.h"
#include "position/gamestate.h"
#include "position/mossedeipezzi.h"
#include "rules/gamemove.h"
#include "rules/makemove.h"
#include "search/minimax.h"
#include "shell/common.h"
#include "shell/notation.h"

int16_t SearchDepth = 4;
int32_t MoveBudget = 0;
int32_t MoveStartTick = 0;
int16_t MoveNumber = 1;
std::vector<DepthResult> DepthResults(1);
Bool16 StopRequested = False;
std::string BestMoveText;
ThinkReporter Reporter;

namespace {

// A stop is held back until the root has a move to play.
bool StopArmed = false;
bool StopHeld = false;
// The running think was abandoned, and for which command.
bool Abandoned = false;
std::string AbandonedFor;

std::string TimeOfDay() {
    char buf[16];
    std::time_t now = std::time(nullptr);
    std::tm tmv{};
    localtime_r(&now, &tmv);
    std::strftime(buf, sizeof buf, "%H:%M:%S", &tmv);
    return buf;
}

// Depth limit from the settings, kept within what the per-ply arrays allow.
int16_t DepthFromSettings() {
    const std::string text = ReadSetting("General", "Profondita", "4");
    constexpr int32_t NotANumber = INT32_MIN;
    int32_t depth = SettingToInt(text, NotANumber);
    if (depth < MinSearchDepth || depth > MaxSearchDepth) {
        const int32_t used = depth == NotANumber ? 4 : depth < MinSearchDepth ? MinSearchDepth
                                                                              : MaxSearchDepth;
        Log("Analizza", "Profondita non valida (" + text + "), uso " + std::to_string(used));
        depth = used;
    }
    return static_cast<int16_t>(depth);
}

// The game is over.
void Announce(const char* result, const char* tell) {
    if (Reporter.Result) Reporter.Result(result, tell);
}

// Result when the engine has no move (finalScore is its final score).
void AnnounceNoMove(int32_t finalScore) {
    const bool white = EngineColour == 0;
    if (finalScore == 0) return Announce("1/2-1/2", "Draw");
    if (finalScore > 0) return white ? Announce("1-0", "Checkmate") : Announce("0-1", "Checkmate");
    if (!white) return Announce("1-0", "Checkmate");
    if (finalScore >= -MateScore) return Announce("0-1", "Checkmate");
    Announce("0-1", "I Resign");
}

// Result after the engine's move left the opponent without a legal move
// (finalScore > 0: the engine has mated, 0: stalemate).
constexpr int32_t EngineWins = 1;
void AnnounceAfterMove(int32_t finalScore) {
    const bool white = EngineColour == 0;
    if (finalScore == 0) return Announce("1/2-1/2", "Draw");
    if ((finalScore > 0) == white) return Announce("1-0", "Checkmate");
    Announce("0-1", "Checkmate");
}

// The think is over: progress is no longer reported.
void EndThink() {
    PositionsProgress = nullptr;
    if (Reporter.Ended) Reporter.Ended();
}

// The last look at the input before the think's move reaches the game.
// True when the think is abandoned: logged, the caller told the think is
// over, and the driver returns with nothing played or recorded.
bool AbandonedAtTheEnd() {
    if (Reporter.LastLook) Reporter.LastLook();
    if (!Abandoned) return false;
    BestMoveText.clear();  // no move is played
    Log("Analizza", "Pensiero abbandonato: " + AbandonedFor);
    EndThink();
    return true;
}

}  // namespace

void AbandonThink(const std::string& command) {
    if (!Abandoned) AbandonedFor = command;
    Abandoned = true;
    StopRequested = True;
}

void RequestStop() {
    if (StopArmed)
        StopRequested = True;
    else
        StopHeld = true;
}

void ArmStop() {
    if (StopArmed) return;
    StopArmed = true;
    if (StopHeld) StopRequested = True;
}

void SyncSideToMove() {
    const bool white = SideToMove != 0;
    SideToMove = ((Ply % 2 != 0) ? !white : white) ? True : False;
}

double ClockShare(int moveNumber, double remaining, double initial) {
    // Keep back half, a tenth, a twentieth of the first clock value for the
    // rest of the game, and share the remainder over the moves to 20, 40
    // and 60.
    const int n = moveNumber;
    if (n < 21) return (remaining - 0.5 * initial) / (21 - n);
    if (n <= 40) return (remaining - 0.1 * initial) / (41 - n);
    if (n <= 60) return (remaining - 0.05 * initial) / (61 - n);
    return 500;
}

void SetMoveBudget() {
    if (Reporter.TimeBudget) {
        MoveBudget = Reporter.TimeBudget();
    } else {
        // Never more than half of what is left.
        const double budget = std::nearbyint(ClockShare(MoveNumber, RemainingTime, InitialTime));  // halves to even
        const int32_t half = RemainingTime / 2;
        MoveBudget = budget > half ? half : static_cast<int32_t>(budget);
    }
    MoveStartTick = TickCount();
}


void Analizza() {
    // 1. Announce the think.
    Log("Analizza", "Analizza", 2);
    if (Reporter.Started) Reporter.Started();
    // 2. Start the clock.
    const int32_t startTick = TickCount();
    // 3. Depth limit.
    SearchDepth = Reporter.DepthLimit ? static_cast<int16_t>(Reporter.DepthLimit()) : DepthFromSettings();
    // 4. Clear the results; root moves start unscored below any mate this depth can see.
    int32_t finalScore = SearchDepth * -MateScore;
    DepthResults.assign(static_cast<size_t>(SearchDepth) + 1, DepthResult{0, 0, 0, 0, 0});
    UnscoredRootScore = (SearchDepth + 1) * -MateScore;
    // 5. Reset the counters, the stop and the budget; ask the book.
    PositionsAnalysed = 0;
    PositionsProgress = Reporter.Progress;
    StopRequested = False;
    StopArmed = false;
    StopHeld = false;
    Abandoned = false;
    if (UseTime) SetMoveBudget();
    RootMoves.assign(1, MoveRecord{0, 0, 0, 0, 0});
    std::string bookMove;
    if (BookEnabled) bookMove = BookMove();

    const bool fromBook = !bookMove.empty();
    bool enPassantOnly = false;  // the move is an en-passant capture the search could not see
    if (fromBook) {
        // Book move: no search.
        if (AbandonedAtTheEnd()) return;
        BestMoveText = bookMove;
        if (Reporter.Concluded) Reporter.Concluded(ThinkOutcome{true, BestMoveText, finalScore, PositionsAnalysed, 0, UnscoredRootScore});
    } else {
        // 6. Iterative deepening.
        const int16_t limit = SearchDepth;
        for (int16_t d = 1; d <= limit; ++d) {
            BestPiece = 0;
            BestMoveCode = 0;
            BestPromotion = 0;
            BestScore = 0;
            Ply = 0;
            SyncSideToMove();
            int32_t alpha = -d * MateScore, beta = d * MateScore;
            const int32_t searchScore = Minimax(alpha, beta, d);
            if (Abandoned) break;  // nothing of it is kept
            DepthResults[d] = DepthResult{BestScore, BestPiece, BestMoveCode, BestPromotion, 0};
            for (size_t i = 1; i < RootMoves.size(); ++i)
                Log("Analizza", MoveToText(RootMoves[i].Piece, RootMoves[i].MoveCode) + " Valore: " + std::to_string(RootMoves[i].Score), 2);
            if (DepthResults[d].Piece != 0)
                Log("Analizza", TimeOfDay() + " Minimax = " + std::to_string(searchScore) + " " + MoveToText(DepthResults[d].Piece, DepthResults[d].MoveCode));
            if (Reporter.Iteration) {
                const std::string best = BestPiece != 0 ? MoveToText(BestPiece, BestMoveCode) : std::string();
                Reporter.Iteration(IterationReport{d, searchScore, best, PositionsAnalysed, TickCount() - startTick});
            }
            if (std::abs(static_cast<int64_t>(searchScore)) >= MateScore || StopRequested) {
                Log("Analizza", "Interrotto alla profondità " + std::to_string(d));
                SearchDepth = BestPiece != 0 ? d : static_cast<int16_t>(d - 1);
                break;
            }
        }
        if (AbandonedAtTheEnd()) return;
        // 7. The move of the deepest usable iteration.
        BestMoveText.clear();
        if (SearchDepth > 0) {
            const DepthResult& r = DepthResults[SearchDepth];
            finalScore = r.Score;
            if (r.Piece != 0) {
                BestMoveText = MoveToText(r.Piece, r.MoveCode);
                if (const char letter = PromotionLetter(r.Promotion); letter != '\0') BestMoveText += letter;
            }
        }
        //    The search never takes en passant: when it found no move but
        //    such a capture is legal, that capture is the move, scored 0.
        if (BestMoveText.empty()) {
            BestMoveText = GameEnPassantCapture();
            if (!BestMoveText.empty()) {
                enPassantOnly = true;
                finalScore = 0;
            }
        }
        // 8. Log the move.
        const int32_t elapsed = TickCount() - startTick;
        Log("Analizza", "Mossa migliore: " + BestMoveText);
        // 9. Report how the think ended.
        if (Reporter.Concluded) Reporter.Concluded(ThinkOutcome{false, BestMoveText, finalScore, PositionsAnalysed, elapsed, UnscoredRootScore});
    }

    // Finish. 1. Counter and record; the caller hears of the move first, so
    //    that it can keep the game as it was for taking the move back.
    if (!BestMoveText.empty() && Reporter.MoveChosen) Reporter.MoveChosen(BestMoveText);
    MoveNumber = static_cast<int16_t>(MoveNumber + 1);
    MoveHistory += BestMoveText;
    EndThink();
    // 2. No move: the game is over for the engine.
    if (BestMoveText.empty()) {
        AnnounceNoMove(finalScore);
        return;
    }
    // 3. Play.
    PlayMoveText(BestMoveText);
    // 4. The engine's own king and rook moves end castling rights.
    const uint8_t piece = fromBook ? 0 : DepthResults[SearchDepth].Piece;
    const ColourFacts& own = FactsOfColour(EngineColour == 0);
    if (piece == own.king) CastleRights = 0;
    if (piece == own.queenRook) CastleRights &= ~QueenSideRight;
    if (piece == own.kingRook) CastleRights &= ~KingSideRight;
    // 5. The move mates or stalemates: the opponent has no legal reply. The
    //    search's verdict is checked against the rules, which also count the
    //    replies it never generates (en passant).
    if (enPassantOnly) {
        if (!GameSideHasLegalMove()) AnnounceAfterMove(GameSideInCheck() ? EngineWins : 0);
    } else if (!fromBook && BestNoMovePly == 1 && !GameSideHasLegalMove()) {
        AnnounceAfterMove(finalScore);
    }
}
