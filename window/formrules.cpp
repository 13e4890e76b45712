// The engine window's rules that do not depend on the window system.
#include "window/formrules.h"

#include <cmath>
#include <cstdio>
#include <fstream>

#include "platform/files.h"
#include "position/setup.h"
#include "rules/gamemove.h"
#include "search/analizza.h"
#include "shell/common.h"
#include "shell/gamehistory.h"
#include "shell/notation.h"
#include "shell/protocol.h"

namespace {

// A number that is the whole text (blanks around it allowed).
bool WholeNumber(const std::string& text, double& value) {
    const std::string t = Trim(text);
    size_t used = 0;
    value = LeadingNumber(t, &used);
    return !t.empty() && used == t.size() && std::isfinite(value);
}

}  // namespace

std::string Trim(const std::string& s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

BoxValue DepthFromText(const std::string& text) {
    double value;
    int depth;
    bool replaced = true;
    if (!WholeNumber(text, value))
        depth = DefaultDepth;
    else if (value < MinSearchDepth)
        depth = MinSearchDepth;
    else if (value > MaxSearchDepth)
        depth = MaxSearchDepth;
    else {
        depth = RoundToInt32(value);
        replaced = depth != value;
    }
    const std::string used = std::to_string(depth);  // "4.0" shows as 4
    return {depth, used, replaced ? "Profondità non valida (" + text + "): uso " + used : ""};
}

BoxValue SecondsFromText(const std::string& text) {
    double seconds;
    bool replaced = true;
    if (!WholeNumber(text, seconds))
        seconds = DefaultSeconds;
    else if (seconds < 0)
        seconds = 0;
    else if (seconds > MaxSeconds)
        seconds = MaxSeconds;
    else
        replaced = false;
    if (!replaced) return {RoundToInt32(seconds * 100), text, ""};
    char used[32];
    std::snprintf(used, sizeof used, "%.10g", seconds);
    return {RoundToInt32(seconds * 100), used, "Secondi non validi (" + text + "): uso " + used};
}

bool LoadPositionFromFile(const std::string& path, std::string* problem) {
    std::ifstream file(path, std::ios::binary);
    if (!file || IsFolder(path)) {
        *problem = "Non riesco ad aprire il file:\n" + path;
        return false;
    }
    std::string line;
    char c;
    while (line.size() <= MaxFenLine && file.get(c) && c != '\n') line += c;
    if (line.size() > MaxFenLine) {
        *problem = "La prima riga del file è troppo lunga per una posizione FEN:\n" + path;
        return false;
    }
    line = Trim(line);
    if (line.empty()) {
        *problem = "Il file non contiene una posizione (la prima riga è vuota):\n" + path;
        return false;
    }
    std::string why;
    if (!SetPositionFromFen(line, &why)) {
        *problem = "Posizione rifiutata (" + why + "):\n" + line + "\n" + path;
        return false;
    }
    ClearGameSnapshots();
    return true;
}

bool PlayTypedMove(const std::string& typed, bool thinking, std::string* note) {
    const std::string text = Trim(typed);
    note->clear();
    if (text == "?") {
        ParseCommand("?\r\n");  // stops a running think
        return false;
    }
    if (thinking) {
        *note = "Il motore sta pensando: \"?\" o Stop per fermarlo";
        return false;
    }
    const std::string why = GameMoveFault(text);
    if (!why.empty()) {
        *note = "Mossa rifiutata: " + text + " (" + why + ")";
        return false;
    }
    const std::string squares = text.substr(0, 4);
    Log("ParseCommand", "Mossa avversario: " + squares);
    PushGameSnapshot();
    MoveHistory += squares;
    PlayMoveText(text);
    return true;
}

std::string ProgressStatus(int32_t positions) { return "Analizzate " + std::to_string(positions) + " posizioni"; }

OutcomeTexts OutcomeTextsOf(const ThinkOutcome& outcome) {
    const std::string hyphens(HyphenLineLength, '-');
    OutcomeTexts t;
    if (outcome.fromBook) {
        t.moveLines = {hyphens, "Mossa Libro: " + outcome.move, hyphens};
        return t;
    }
    // The root moves from the last to the first; an entry still holding the
    // unscored score was refused or cut off.
    for (size_t i = RootMoves.size() - 1; i >= 1; --i) {
        const MoveRecord& m = RootMoves[i];
        std::string line = MoveToText(m.Piece, m.MoveCode);
        if (m.Score == outcome.unscoredRoot)
            line += " Tagliata o illegale";
        else
            line += " Valore: " + std::to_string(m.Score);
        t.rootLines.push_back(line);
    }
    t.status = "Analizzate " + std::to_string(outcome.positions) + " posizioni in " + std::to_string(outcome.elapsedMs) + " millisecondi";
    t.moveLines = {hyphens, "Mossa migliore: " + outcome.move + ", punteggio: " + std::to_string(outcome.score), hyphens};
    return t;
}
