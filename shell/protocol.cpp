// The xboard protocol command interpreter: one handler per command line.
#include "shell/protocol.h"

#include <cstring>
#include <deque>

#include "position/setup.h"
#include "rules/gamemove.h"
#include "search/analizza.h"
#include "shell/comm.h"
#include "shell/common.h"
#include "shell/gamehistory.h"
#include "shell/lines.h"
#include "shell/main.h"
#include "shell/notation.h"
#include "shell/version.h"

Bool16 EngineActive = False;    // force mode until "new" or "go"
int16_t EngineColour = 1;       // the engine takes Black in a new game
int32_t RemainingTime = 60000;  // ten minutes until the interface says otherwise
int32_t InitialTime = 60000;
Bool16 InitialTimeKnown = False;
std::string MoveHistory;

namespace {

// Complete lines not yet handled, oldest first. Lines arrive from the
// command loop's reads and, during a think, from PollInputDuringThink.
struct QueuedLine {
    std::string Text;
    bool UnseenStop;  // a "?" whose stop has not yet reached a running think
    bool Abandons;    // a command that changes the game: a running think is given up
    bool Quits;       // "quit"
};
std::deque<QueuedLine> Pending;
size_t PendingBytes = 0;
size_t PendingStops = 0;     // entries with UnseenStop set
size_t PendingAbandons = 0;  // entries with Abandons set
size_t PendingQuits = 0;     // entries with Quits set
LineSplitter Splitter;

// During a think input is taken only while the queue holds less than this,
// so a flood of lines stays in the pipe instead of in memory.
constexpr size_t MaxPendingBytes = 1 << 20;

// Whether "new" or an accepted "setboard" has begun a game. Until then the
// start-up position stands, and the first "go" or move takes the engine's
// castling rights from the settings as "new" would.
bool GameBegun = false;
void BeginGameIfNone() {
    if (GameBegun) return;
    GameBegun = true;
    ReadCastleRights("1");
}

int ParseDepth = 0;  // ParseCommand calls in progress
int ThinkDepth = 0;  // thinks started from here in progress

bool StartsWith(const std::string& line, const char* keyword) {
    size_t n = std::strlen(keyword);
    return line.size() >= n && line.compare(0, n, keyword) == 0;
}

// The lines after which the interface's game is no longer the one a running
// think was started for: its move must not be played.
bool AbandonsThink(const std::string& line) {
    return line == "new" || line == "force" || line == "undo" || line == "remove" || StartsWith(line, "setboard") ||
           StartsWith(line, "result");
}

void Queue(const std::string& text) {
    std::string_view view(text);
    FeedLines(
        Splitter, view,
        [](std::string&& line) {
            const bool stop = line == "?", abandons = AbandonsThink(line), quits = line == "quit";
            PendingBytes += line.size();
            if (stop) ++PendingStops;
            if (abandons) ++PendingAbandons;
            if (quits) ++PendingQuits;
            Pending.push_back({std::move(line), stop, abandons, quits});
        },
        [](size_t length) {
            Log("ParseCommand", "Riga troppo lunga ignorata: " + std::to_string(length) + " byte");
        });
}

// Every queued "?" that a running think has not yet been told of stops it.
void StopForQueuedQuestionMarks() {
    if (PendingStops == 0) return;
    for (QueuedLine& q : Pending) q.UnseenStop = false;
    PendingStops = 0;
    RequestStop();
}

// What the queue means for a think started here that is still running:
// "quit" ends the engine at once (the lines before it are not handled);
// a command that changes the game abandons the think; a "?" stops it.
void ActOnQueueDuringThink() {
    if (ThinkDepth > 0) {
        if (PendingQuits > 0) Esci();
        if (PendingAbandons > 0) {
            for (const QueuedLine& q : Pending) {
                if (!q.Abandons) continue;
                AbandonThink(q.Text.substr(0, q.Text.find(' ')));  // the command's name
                break;
            }
        }
    }
    StopForQueuedQuestionMarks();
}

void Think() {
    ++ThinkDepth;
    Analizza();
    --ThinkDepth;
}

void SendMoveLine(const std::string& move) {
    PushGameSnapshot();
    SendLine("move " + move);
}

void SendResultLines(const char* result, const char* tell) {
    SendLine(result);
    SendLine(std::string("tellopponent ") + tell);
}

void ReadUseTime() { UseTime = ReadSetting("Time", "Enabled", "1") == "1" ? True : False; }

void UserMove(const std::string& line) {
    if (line.size() <= 9) return;  // nothing after the keyword
    BeginGameIfNone();
    std::string text = line.substr(9);
    const std::string why = GameMoveFault(text);
    if (!why.empty()) {
        SendLine("Illegal move: " + text);
        Log("ParseCommand", "Mossa rifiutata: " + text + " (" + why + ")");
        return;
    }
    std::string squares = text.substr(0, 4);
    Log("ParseCommand", "Mossa avversario: " + squares);
    PushGameSnapshot();
    MoveHistory += squares;
    PlayMoveText(text);
    if (EngineActive) Think();
}

void SetBoard(const std::string& line) {
    if (line.size() <= 9) return;  // nothing after the keyword
    std::string why;
    if (SetPositionFromFen(line.substr(9), &why)) {
        ClearGameSnapshots();
        GameBegun = true;
        EngineActive = False;
    } else {
        SendLine("tellusererror Illegal position");
        Log("ParseCommand", "Posizione rifiutata: " + why);
    }
}

void Time(const std::string& line) {
    if (line.size() <= 5) return;  // nothing after the keyword
    RemainingTime = RoundToInt32(LeadingNumber(line.substr(5)));
    if (!InitialTimeKnown) {
        InitialTimeKnown = True;
        InitialTime = RemainingTime;
    }
    Log("ParseCommand", "Tempo rimasto= " + std::to_string(RemainingTime));
}

// "?": move now. A think in progress (one started here, or the window's,
// which passes "?" in from its event handler) is stopped through
// RequestStop; otherwise the flag is set and the next think clears it.
void MoveNow() {
    if (ThinkDepth > 0 || !ProtocolMode)
        RequestStop();
    else
        StopRequested = True;
}

// One line, tested in the order of the command table; the first match decides.
void HandleLine(const std::string& line) {
    if (StartsWith(line, "accepted")) return;
    if (line == "force") {
        EngineActive = False;
        return;
    }
    if (line == "go") {
        BeginGameIfNone();
        ReadUseTime();
        EngineActive = True;
        EngineColour = SideToMove ? 0 : 1;
        Think();
        return;
    }
    if (line == "hard") return;
    if (StartsWith(line, "level")) return;
    if (line == "new") {
        ReadUseTime();
        SetInitialPosition();
        ClearGameSnapshots();
        GameBegun = true;
        SideToMove = True;
        EngineColour = 1;
        EngineActive = True;
        return;
    }
    if (StartsWith(line, "otim")) return;
    if (StartsWith(line, "protover")) {
        SendLine(std::string("feature setboard=1 colors=0 usermove=1 myname=\"Velmorasca ") + EngineVersion + "\" done=1");
        return;
    }
    if (line == "quit") Esci();
    if (line == "random") return;
    if (StartsWith(line, "setboard")) return SetBoard(line);
    if (StartsWith(line, "time")) return Time(line);
    if (StartsWith(line, "usermove")) return UserMove(line);
    if (line == "?") return MoveNow();
    // Take-backs: the interface's board and ours must stay the same.
    if (line == "undo") {
        PopGameSnapshot();
        return;
    }
    if (line == "remove") {
        if (PopGameSnapshot()) PopGameSnapshot();
        return;
    }
    // Anything else ("xboard", the protocol's other commands, empty lines): ignored.
}

}  // namespace

ThinkReporter XboardReporter() {
    ThinkReporter r;
    r.MoveChosen = SendMoveLine;
    r.Result = SendResultLines;
    return r;
}

void ParseCommand(const std::string& text) {
    Queue(text);
    // Called again from inside a think (the window's event handling): the
    // lines wait their turn; only "?", "quit" and the commands that abandon
    // a think act now.
    if (ParseDepth > 0) {
        ActOnQueueDuringThink();
        return;
    }
    ++ParseDepth;
    while (!Pending.empty()) {
        QueuedLine q = std::move(Pending.front());
        Pending.pop_front();
        PendingBytes -= q.Text.size();
        if (q.UnseenStop) --PendingStops;
        if (q.Abandons) --PendingAbandons;
        if (q.Quits) --PendingQuits;
        HandleLine(q.Text);
    }
    --ParseDepth;
}

void PollInputDuringThink() {
    if (!InputEnded && PendingBytes < MaxPendingBytes && InputWaiting(0)) {
        Queue(ReadInput());
    }
    if (InputEnded) Esci();  // the interface is gone: nobody waits for the move
    ActOnQueueDuringThink();
}
