// The UCI protocol interpreter. Positions are set up and moves played as in
// the xboard mode; the think is the same think driver, reporting through a
// reporter of its own. The engine's move is announced but not kept: the
// interface sends the whole game again with its next "position".
#include "shell/uci.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <optional>
#include <vector>

#include "book/book.h"
#include "position/gamestate.h"
#include "position/mossedeipezzi.h"
#include "position/setup.h"
#include "rules/gamemove.h"
#include "search/analizza.h"
#include "search/minimax.h"
#include "shell/comm.h"
#include "shell/common.h"
#include "shell/gamehistory.h"
#include "shell/lines.h"
#include "shell/main.h"
#include "shell/notation.h"
#include "shell/version.h"

namespace {

const char* const Source = "ParseUciCommand";

// ---------------------------------------------------------------- input

std::deque<std::string> Pending;  // complete lines not yet handled, oldest first
size_t PendingBytes = 0;
LineSplitter Splitter;
bool Handling = false;  // ParseUciCommand is working through the queue

// During a think input is taken only while the queue holds less than this,
// so a flood of lines stays in the pipe instead of in memory.
constexpr size_t MaxPendingBytes = 1 << 20;
// The most of an unknown command echoed back in an "info string".
constexpr size_t MaxEcho = 64;

// State of the think in progress.
bool StopSeen = false;       // a "stop" for this think has arrived
bool LaterGoQueued = false;  // a further "go" was read before this think began

void Send(const std::string& text) { SendPlainLine(text); }

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t at = 0;
    for (;;) {
        const size_t from = line.find_first_not_of(" \t", at);
        if (from == std::string::npos) break;
        at = line.find_first_of(" \t", from);
        words.push_back(line.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos) break;
    }
    return words;
}

std::string FirstWord(const std::string& line) {
    const size_t from = line.find_first_not_of(" \t");
    if (from == std::string::npos) return "";
    const size_t to = line.find_first_of(" \t", from);
    return line.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

// Text from outside shown back in an "info string": cut short, and only
// printable ASCII, so that it stays one harmless line.
std::string Echo(const std::string& text) {
    std::string out;
    for (char c : text.substr(0, MaxEcho)) out += (c >= ' ' && c <= '~') ? c : '?';
    if (text.size() > MaxEcho) out += "...";
    return out;
}

void Info(const std::string& text) { Send("info string " + text); }

void Enqueue(std::string&& line) {
    PendingBytes += line.size();
    Pending.push_back(std::move(line));
}

void Feed(const std::string& text, void (*onLine)(std::string&&)) {
    FeedLines(Splitter, text, onLine, [](size_t length) {
        Log(Source, "Riga troppo lunga ignorata: " + std::to_string(length) + " byte");
        Info("line too long, ignored (" + std::to_string(length) + " bytes)");
    });
}

// A line that acts during a think: "isready" is answered, "quit" ends the
// engine, "stop" stops the think. True when the line is done with; the
// others wait for the think to end. A "stop" read while the think runs
// (live) always stops it: a client can mean no search but the running one,
// and an infinite search would otherwise never end. Lines read before the
// think began are taken in their order: there a "stop" that follows a
// later "go" belongs to that search.
bool ActsDuringThink(const std::string& line, bool live) {
    const std::string command = FirstWord(line);
    if (command == "isready") {
        Send("readyok");
        return true;
    }
    if (command == "quit") Esci();
    if (command == "go") LaterGoQueued = true;
    if (command == "stop" && (live || !LaterGoQueued)) {
        StopSeen = true;
        RequestStop();
        return true;
    }
    return false;
}

void TakeLineDuringThink(std::string&& line) {
    if (!ActsDuringThink(line, true)) Enqueue(std::move(line));
}

// The lines that were already waiting behind the "go" when its think began.
void ActOnQueuedLines() {
    for (auto it = Pending.begin(); it != Pending.end();) {
        if (ActsDuringThink(*it, false)) {
            PendingBytes -= it->size();
            it = Pending.erase(it);
        } else {
            ++it;
        }
    }
}

// --------------------------------------------------------------- options

struct UciOption {
    const char* name;     // as announced
    const char* section;  // the settings key it stands for
    const char* key;
    bool check;  // a check box ("1"/"0" in the settings); otherwise a spin
    int min, max;
    int fallback;           // when the file has no usable value
    std::string announced;  // default announced: the file's value at start-up
};

enum OptionIndex { DepthOption,
                   OwnBookOption,
                   UseTimeOption,
                   CanCastleOption,
                   LogLevelOption };
UciOption Options[] = {
    {"Depth", "General", "Profondita", false, MinSearchDepth, MaxSearchDepth, 4, ""},
    {"OwnBook", "Book", "Enabled", true, 0, 1, 1, ""},
    {"UseTime", "Time", "Enabled", true, 0, 1, 1, ""},
    {"CanCastle", "General", "CanCastle", false, 0, 3, 1, ""},
    {"LogLevel", "Log", "Level", false, 0, 4, 0, ""},
};

bool OwnBook = true;      // the option's value: the book is used in every new game
bool BookLoaded = false;  // start-up or a later "OwnBook" has read book.txt

void UseBook(bool on) {
    if (on && !BookLoaded) {
        LoadBook();
        BookLoaded = true;
    }
    BookEnabled = on ? True : False;
}

std::string OptionLine(const UciOption& o) {
    std::string line = std::string("option name ") + o.name;
    if (o.check) return line + " type check default " + o.announced;
    return line + " type spin default " + o.announced + " min " + std::to_string(o.min) + " max " + std::to_string(o.max);
}

// "setoption name N [value V]": the option stands for its settings key for
// the rest of the run; the file is not written.
void SetOption(const std::vector<std::string>& words) {
    // 1. Name and value: the words between "name" and "value", and after "value".
    std::string name, value;
    bool inValue = false;
    size_t i = 1;
    if (i < words.size() && words[i] == "name")
        ++i;
    else
        return Info("setoption: expected 'name'");
    for (; i < words.size(); ++i) {
        if (!inValue && words[i] == "value") {
            inValue = true;
            continue;
        }
        std::string& part = inValue ? value : name;
        if (!part.empty()) part += ' ';
        part += words[i];
    }
    // 2. The option.
    UciOption* option = nullptr;
    for (UciOption& o : Options)
        if (AsciiLower(name) == AsciiLower(o.name)) option = &o;
    if (option == nullptr) return Info("unknown option: " + Echo(name));
    // 3. The value, judged before anything changes.
    std::string setting;
    if (option->check) {
        const std::string v = AsciiLower(value);
        if (v != "true" && v != "false") return Info(std::string("invalid value for ") + option->name + ": " + Echo(value) + " (true or false)");
        setting = v == "true" ? "1" : "0";
    } else {
        char* end = nullptr;
        const long n = value.empty() ? 0 : std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || n < option->min || n > option->max)
            return Info(std::string("invalid value for ") + option->name + ": " + Echo(value) + " (" + std::to_string(option->min) + ".." + std::to_string(option->max) + ")");
        setting = std::to_string(n);
    }
    // 4. It stands for the setting from now on.
    OverrideSetting(option->section, option->key, setting);
    if (option == &Options[OwnBookOption]) {
        OwnBook = setting == "1";
        UseBook(OwnBook);
    }
    if (option == &Options[LogLevelOption]) LogLevel = SettingToInt(setting, 0);
    Log(Source, std::string("Opzione impostata: ") + option->name + "=" + (option->check ? AsciiLower(value) : setting));
}

// -------------------------------------------------------------- position

// The accepted position command: how it starts and its moves.
struct GameLine {
    bool set = false;  // a position command has been accepted since the last new game
    std::string base;  // "startpos" or "fen " and the FEN
    std::vector<std::string> moves;
    std::vector<uint8_t> movers;  // the id that made each move
};
GameLine Current;

// The first clock value of each side (0 White, 1 Black) since the last new game.
int32_t FirstClock[2] = {0, 0};
bool FirstClockKnown[2] = {false, false};

// What a position command changes besides slice 0 and what the snapshot keeps.
struct GameExtras {
    std::string history;
    int32_t remaining, initial;
    Bool16 initialKnown;
    int16_t colour;
};
GameExtras SaveExtras() { return {MoveHistory, RemainingTime, InitialTime, InitialTimeKnown, EngineColour}; }
void RestoreExtras(const GameExtras& e) {
    MoveHistory = e.history;
    RemainingTime = e.remaining;
    InitialTime = e.initial;
    InitialTimeKnown = e.initialKnown;
    EngineColour = e.colour;
}

// Sets up the start of a game line: the standard start as "new" does, or a
// FEN as "setboard" does. False (nothing changed) when the FEN is refused.
bool SetUpBase(const std::string& base, std::string& why) {
    if (base == "startpos") {
        SetInitialPosition();
        SideToMove = True;
        return true;
    }
    return SetPositionFromFen(base.substr(4), &why);
}

// "position startpos|fen FEN [moves M...]". A refused FEN or an illegal
// move leaves the position as it was before the command.
void Position(const std::vector<std::string>& words) {
    // 1. Read the command: the base and the moves.
    GameLine line;
    line.set = true;
    size_t i = 2;
    if (words.size() >= 2 && words[1] == "startpos") {
        line.base = "startpos";
    } else if (words.size() >= 2 && words[1] == "fen") {
        std::string fen;
        for (; i < words.size() && words[i] != "moves"; ++i) fen += (fen.empty() ? "" : " ") + words[i];
        if (fen.empty()) return Info("position: no FEN given");
        line.base = "fen " + fen;
    } else {
        return Info("position: expected startpos or fen");
    }
    if (i < words.size()) {
        if (words[i] != "moves") return Info("position: expected moves, not " + Echo(words[i]));
        for (++i; i < words.size(); ++i) line.moves.push_back(AsciiLower(words[i]));
    }
    // 2. How much of it the accepted command already played: those moves are
    //    not logged again, and when all of them are still there the new
    //    moves are played on the current position.
    size_t known = 0;
    if (Current.set && Current.base == line.base) {
        while (known < Current.moves.size() && known < line.moves.size() && Current.moves[known] == line.moves[known]) ++known;
    }
    const bool extends = Current.set && Current.base == line.base && known == Current.moves.size();
    // 3. Keep the position for a refusal; set up the base unless extending.
    const GameExtras extras = SaveExtras();
    ClearGameSnapshots();
    PushGameSnapshot();
    auto refuse = [&](const std::string& info, const std::string& log) {
        PopGameSnapshot();
        RestoreExtras(extras);
        Log(Source, log);
        Info(info);
    };
    if (!extends) {
        std::string why;
        if (!SetUpBase(line.base, why)) {
            ClearGameSnapshots();
            Log(Source, "Posizione rifiutata: " + why);
            return Info("refused position: " + why);
        }
    }
    // 4. Play the moves the position does not hold yet, each judged by the
    //    rules first; note which piece made each move.
    if (extends) line.movers = Current.movers;
    for (size_t m = extends ? known : 0; m < line.moves.size(); ++m) {
        const std::string& move = line.moves[m];
        const std::string why = GameMoveFault(move);
        if (!why.empty()) return refuse("illegal move " + Echo(move) + ": " + why, "Mossa rifiutata: " + move + " (" + why + ")");
        line.movers.push_back(Sq(move[1] - '0', move[0] - 'a' + FileA, 0));
        MoveHistory += move.substr(0, 4);
        PlayMoveText(move);
    }
    // 5. Accepted: the moves the last command did not hold are the opponent's news.
    ClearGameSnapshots();
    for (size_t m = known; m < line.moves.size(); ++m) Log(Source, "Mossa avversario: " + line.moves[m].substr(0, 4));
    // 6. The side to move at the end: its move counter and the castling
    //    rights its own king and rook moves in the list have cost it.
    Current = std::move(line);
    const bool whiteToMove = SideToMove != 0;
    const ColourFacts& own = FactsOfColour(whiteToMove);
    ReadCastleRights(Current.base == "startpos" ? "1" : "3");
    // The last move was the other side's: the side to move made those an
    // even number of places before the end.
    const std::vector<uint8_t>& movers = Current.movers;
    int count = 0;
    for (size_t m = 0; m < movers.size(); ++m) {
        if ((movers.size() - m) % 2 != 0) continue;
        ++count;
        if (movers[m] == own.king) CastleRights = 0;
        if (movers[m] == own.queenRook) CastleRights &= ~QueenSideRight;
        if (movers[m] == own.kingRook) CastleRights &= ~KingSideRight;
    }
    MoveNumber = static_cast<int16_t>(std::min(1 + count, 32767));
    EngineColour = whiteToMove ? 0 : 1;
}

}  // namespace

namespace {

// -------------------------------------------------------------------- go

// What "go" asked for; a missing field was not given.
struct GoRequest {
    std::optional<int64_t> time[2], inc[2];  // per side (0 White, 1 Black), milliseconds
    std::optional<int64_t> movesToGo, moveTime, depth;
    bool infinite = false;
};

// The think's limits, read by the reporter's hooks.
int GoDepth = 0;
int32_t GoBudget = 0;
bool GameKept = false;  // the game before the engine's move is kept, to be put back

int FixedDepth() { return GoDepth; }
int32_t FixedBudget() { return GoBudget; }

// The search's score as UCI words. A mate score s under the depth limit L
// is a mate p = L + 1 - |s| / MateScore plies away.
std::string ScoreWords(int32_t s, int limit) {
    const int64_t magnitude = std::abs(static_cast<int64_t>(s));
    if (magnitude < MateScore) return "cp " + std::to_string(s);
    const int64_t plies = limit + 1 - magnitude / MateScore;
    return "mate " + std::to_string(s > 0 ? (plies + 1) / 2 : -(plies / 2));
}

// One line per iteration that stored a move: the completed ones, and the
// interrupted one, whose move is then the one played.
void ReportIteration(const IterationReport& r) {
    if (r.bestMove.empty()) return;
    const int32_t stored = DepthResults[r.depth].Score;
    std::string line = "info depth " + std::to_string(r.depth) + " score " + ScoreWords(stored, SearchDepth) +
                       " time " + std::to_string(r.elapsedMs) + " nodes " + std::to_string(r.positions);
    if (r.elapsedMs > 0) line += " nps " + std::to_string(static_cast<int64_t>(r.positions) * 1000 / r.elapsedMs);
    const DepthResult& best = DepthResults[r.depth];
    std::string move = r.bestMove;
    if (const char letter = PromotionLetter(best.Promotion); letter != '\0') move += letter;
    Send(line + " pv " + move);
}

void ReportConcluded(const ThinkOutcome& o) {
    if (o.fromBook) Info("book move");
}

// The engine's move is about to be played on the game position: keep the
// game as it is, to be put back after the think.
void KeepGame(const std::string&) {
    PushGameSnapshot();
    GameKept = true;
}

// A whole number of a "go" field; nothing when it is not one.
std::optional<int64_t> Number(const std::string& word) {
    if (word.empty() || word.size() > 18) return std::nullopt;
    char* end = nullptr;
    const long long n = std::strtoll(word.c_str(), &end, 10);
    if (*end != '\0') return std::nullopt;
    return n;
}

// The words that begin a field of "go": those used here and those ignored.
bool IsGoField(const std::string& w) {
    return w == "wtime" || w == "btime" || w == "winc" || w == "binc" || w == "movestogo" || w == "movetime" ||
           w == "depth" || w == "infinite" || w == "searchmoves" || w == "ponder" || w == "nodes" || w == "mate";
}

GoRequest ReadGo(const std::vector<std::string>& words) {
    GoRequest go;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& w = words[i];
        std::optional<int64_t>* field = w == "wtime" ? &go.time[0] : w == "btime"   ? &go.time[1]
                                                                 : w == "winc"      ? &go.inc[0]
                                                                 : w == "binc"      ? &go.inc[1]
                                                                 : w == "movestogo" ? &go.movesToGo
                                                                 : w == "movetime"  ? &go.moveTime
                                                                 : w == "depth"     ? &go.depth
                                                                                    : nullptr;
        if (field != nullptr) {
            const std::optional<int64_t> n = i + 1 < words.size() ? Number(words[i + 1]) : std::nullopt;
            if (!n) {
                Info("go: " + w + " needs a whole number");
                continue;
            }
            *field = n;
            ++i;
        } else if (w == "infinite") {
            go.infinite = true;
        } else {
            // Another field ("ponder", "nodes N", "mate N", "searchmoves M..."):
            // it and its values, up to the next known field, are ignored.
            std::string ignored = w;
            while (i + 1 < words.size() && !IsGoField(words[i + 1])) ignored += " " + words[++i];
            Info("go: ignored " + Echo(ignored));
        }
    }
    if (go.movesToGo && *go.movesToGo < 1) {
        Info("go: movestogo must be at least 1, ignored");
        go.movesToGo.reset();
    }
    if (go.moveTime && *go.moveTime < 0) {
        Info("go: movetime must not be negative, ignored");
        go.moveTime.reset();
    }
    if (go.depth && (*go.depth < MinSearchDepth || *go.depth > MaxSearchDepth)) {
        const int64_t used = std::clamp<int64_t>(*go.depth, MinSearchDepth, MaxSearchDepth);
        Info("go: depth " + std::to_string(*go.depth) + " out of range, using " + std::to_string(used));
        go.depth = used;
    }
    return go;
}

// Centiseconds from milliseconds, within the 32-bit range.
int32_t Centiseconds(int64_t ms) { return static_cast<int32_t>(std::clamp<int64_t>(ms / 10, INT32_MIN, INT32_MAX)); }

// Waits for the "stop" that ends an infinite think (or "quit", or the end
// of input, which end the engine).
void WaitForStop() {
    while (!StopSeen) {
        InputWaiting(100);
        if (EventPump != nullptr)
            EventPump();
        else
            UciPollDuringThink();
    }
}

void Go(const std::vector<std::string>& words) {
    // 1. The request, and the position when none was given.
    const GoRequest go = ReadGo(words);
    if (!Current.set) Position({"position", "startpos"});
    // 2. The side to move's clock: the first one since the new game is the
    //    game's initial time.
    const int side = SideToMove ? 0 : 1;
    EngineColour = static_cast<int16_t>(side);
    for (int s = 0; s < 2; ++s) {
        if (go.time[s] && !FirstClockKnown[s]) {
            FirstClockKnown[s] = true;
            FirstClock[s] = Centiseconds(*go.time[s]);
        }
    }
    if (go.time[side]) {
        RemainingTime = Centiseconds(*go.time[side]);
        InitialTime = FirstClock[side];
        InitialTimeKnown = True;
        Log(Source, "Tempo rimasto= " + std::to_string(RemainingTime));
    }
    // 3. Depth and clock: "depth" searches to that depth and "infinite" to
    //    the deepest, both with the clock off; "movetime" is the budget,
    //    with the clock on; otherwise the settings decide, and the clock's
    //    budget is the xboard mode's share plus three quarters of the
    //    increment (or the time over the moves to go), at most half the time.
    Reporter = ThinkReporter{};
    Reporter.Iteration = ReportIteration;
    Reporter.Concluded = ReportConcluded;
    Reporter.MoveChosen = KeepGame;
    UseTime = ReadSetting("Time", "Enabled", "1") == "1" ? True : False;
    if (go.depth || go.infinite) {
        GoDepth = go.depth ? static_cast<int>(*go.depth) : MaxSearchDepth;
        Reporter.DepthLimit = FixedDepth;
        UseTime = False;
    }
    if (go.moveTime && !go.infinite) {
        GoBudget = Centiseconds(*go.moveTime);
        Reporter.TimeBudget = FixedBudget;
        UseTime = True;
    } else if (UseTime && go.time[side]) {
        const double r = RemainingTime;
        const double increment = go.inc[side] ? static_cast<double>(*go.inc[side]) / 10.0 : 0.0;
        const double share = go.movesToGo ? r / (static_cast<double>(*go.movesToGo) + 1.0)
                                          : ClockShare(MoveNumber, r, InitialTime);
        const double budget = std::nearbyint(share + 0.75 * increment);
        const int32_t half = RemainingTime / 2;
        GoBudget = budget > half ? half : static_cast<int32_t>(budget);
        Reporter.TimeBudget = FixedBudget;
    }
    // 4. Think; the game goes back to the position it was given.
    const int16_t moveNumber = MoveNumber;
    StopSeen = false;
    LaterGoQueued = false;
    GameKept = false;
    ActOnQueuedLines();
    Analizza();
    if (GameKept) PopGameSnapshot();
    ClearGameSnapshots();
    MoveNumber = moveNumber;
    // 5. An infinite think answers only after "stop".
    if (go.infinite) WaitForStop();
    LaterGoQueued = false;
    Send("bestmove " + (BestMoveText.empty() ? std::string("0000") : BestMoveText));
}

// ------------------------------------------------------------- commands

void NewGame() {
    SetInitialPosition();
    SideToMove = True;
    ClearGameSnapshots();
    Current = GameLine{};
    FirstClockKnown[0] = FirstClockKnown[1] = false;
    UseBook(OwnBook);
}

void Identify() {
    Send(std::string("id name Velmorasca ") + EngineVersion);
    Send("id author the Velmorasca developers");
    for (const UciOption& o : Options) Send(OptionLine(o));
    Send("uciok");
}

void HandleLine(const std::string& line) {
    const std::vector<std::string> words = Words(line);
    if (words.empty()) return;
    const std::string& command = words[0];
    if (command == "uci") return Identify();
    if (command == "isready") return Send("readyok");
    if (command == "setoption") return SetOption(words);
    if (command == "ucinewgame") return NewGame();
    if (command == "position") return Position(words);
    if (command == "go") return Go(words);
    if (command == "quit") Esci();
    // No think runs: nothing to stop; no pondering, no registration, no debug output.
    if (command == "stop" || command == "ponderhit" || command == "register" || command == "debug") return;
    Info("unknown command: " + Echo(command));
}

}  // namespace

void StartUci() {
    // The announced defaults: the file's values now, nothing written.
    for (UciOption& o : Options) {
        std::string value;
        int v = o.fallback;
        if (PeekSetting(o.section, o.key, value)) {
            if (o.check)
                v = value == "1" ? 1 : 0;
            else
                v = std::clamp(SettingToInt(value, o.fallback), o.min, o.max);
        }
        o.announced = o.check ? (v != 0 ? "true" : "false") : std::to_string(v);
    }
    // Start-up loaded the book when Book/Enabled was on.
    OwnBook = BookEnabled != 0;
    BookLoaded = OwnBook;
}

void ParseUciCommand(const std::string& text) {
    Feed(text, [](std::string&& line) { Enqueue(std::move(line)); });
    if (Handling) return;
    Handling = true;
    while (!Pending.empty()) {
        std::string line = std::move(Pending.front());
        Pending.pop_front();
        PendingBytes -= line.size();
        HandleLine(line);
    }
    Handling = false;
}

void UciPollDuringThink() {
    if (!InputEnded && PendingBytes < MaxPendingBytes && InputWaiting(0)) Feed(ReadInput(), TakeLineDuringThink);
    if (InputEnded) Esci();  // the interface is gone: nobody waits for the move
}
