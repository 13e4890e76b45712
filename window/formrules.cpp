// The engine window's rules that do not depend on the window system.
#include "window/formrules.h"

#include <cmath>
#include <cstdio>
#include <fstream>

#include "platform/files.h"
#include "position/identities.h"
#include "position/setup.h"
#include "position/variabili.h"
#include "rules/gamemove.h"
#include "search/analizza.h"
#include "shell/common.h"
#include "shell/gamehistory.h"
#include "shell/notation.h"
#include "shell/protocol.h"

namespace {

// The board's marks: the first click's square, and the two squares of the
// last move played. No square (0,0) when there is none.
BoardSquare Selected;
BoardSquare LastFrom, LastTo;
// The side to move the board's marker shows, noted while no think runs
// (the search inverts SideToMove at every ply), so that drawing during a
// think reads nothing of the search's state.
bool MarkedWhiteToMove = true;

// The square named by two characters of move text ("e2"), or none.
BoardSquare SquareOfText(const std::string& text, size_t at) {
    if (text.size() < at + 2) return {};
    const BoardSquare s{text[at] - 'a' + 1, text[at + 1] - '0'};
    return IsBoardSquare(s) ? s : BoardSquare{};
}

// The side to move in the game position; read only while no think runs.
bool GameWhiteToMove() { return SideToMove != 0; }

// The piece id on a square of the game position (slice 0).
uint8_t GamePieceOn(const BoardSquare& s) { return Sq(s.rank, s.file, 0); }

// A piece of the side to move in the game position stands there.
bool HoldsPieceToMove(const BoardSquare& s) {
    const uint8_t id = IsBoardSquare(s) ? GamePieceOn(s) : 0;
    return id != 0 && IsWhiteId(id) == GameWhiteToMove();
}

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
    ClearBoardMarks();
    NoteBoardSide();
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
    NoteLastMove(squares);
    NoteBoardSide();
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

BoardSquare SquareAtPoint(int x, int y) {
    if (x < BoardLeft || x >= BoardLeft + BoardPixels || y < BoardTop || y >= BoardTop + BoardPixels) return {};
    return {(x - BoardLeft) / SquarePixels + 1, 8 - (y - BoardTop) / SquarePixels};
}

void SquareCentre(int file, int rank, int* x, int* y) {
    *x = BoardLeft + SquarePixels * (file - 1) + SquarePixels / 2;
    *y = BoardTop + SquarePixels * (8 - rank) + SquarePixels / 2;
}

SquareView BoardSquareView(int file, int rank) {
    const BoardSquare s{file, rank};
    SquareView v{0, false, false, false, false};
    if (!IsBoardSquare(s)) return v;
    v.dark = (file + rank) % 2 == 0;  // a1 is dark
    v.selected = s == Selected;
    v.lastMove = s == LastFrom || s == LastTo;
    const uint8_t id = GamePieceOn(s);
    if (id == 0 || id > LastPieceId) return v;
    v.white = IsWhiteId(id);
    switch (KindOfIdAs(id, PromOf(id, 0))) {
        case PieceKind::King: v.piece = 'K'; break;
        case PieceKind::Queen: v.piece = 'Q'; break;
        case PieceKind::Rook: v.piece = 'R'; break;
        case PieceKind::Bishop: v.piece = 'B'; break;
        case PieceKind::Knight: v.piece = 'N'; break;
        case PieceKind::Pawn: v.piece = 'P'; break;
        case PieceKind::None: break;
    }
    return v;
}

bool WhiteMarkerAtBottom() { return MarkedWhiteToMove; }

void NoteBoardSide() { MarkedWhiteToMove = GameWhiteToMove(); }

const char* PieceSymbol(char piece, bool white) {
    // U+2654..U+2659 are White's king to pawn, U+265A..U+265F Black's, in UTF-8.
    static const char* const symbols[2][6] = {
        {"\xE2\x99\x9A", "\xE2\x99\x9B", "\xE2\x99\x9C", "\xE2\x99\x9D", "\xE2\x99\x9E", "\xE2\x99\x9F"},
        {"\xE2\x99\x94", "\xE2\x99\x95", "\xE2\x99\x96", "\xE2\x99\x97", "\xE2\x99\x98", "\xE2\x99\x99"},
    };
    static const char kinds[] = "KQRBNP";
    for (int k = 0; k < 6; ++k)
        if (piece != 0 && piece == kinds[k]) return symbols[white ? 1 : 0][k];
    return "";
}

BoardClickResult BoardClick(int x, int y, bool thinking) {
    if (thinking) return {false, ""};
    const BoardSquare target = SquareAtPoint(x, y);
    const bool hadSelection = IsBoardSquare(Selected);
    // 1. No piece chosen yet (or the one chosen is no longer the mover's):
    //    a piece of the side to move is chosen, any other click drops it.
    if (!HoldsPieceToMove(Selected)) {
        Selected = HoldsPieceToMove(target) ? target : BoardSquare{};
        return {hadSelection || IsBoardSquare(Selected), ""};
    }
    // 2. The second click: the move from the chosen square to this one,
    //    a pawn reaching the last rank becoming a queen.
    const BoardSquare from = Selected;
    Selected = {};
    if (!IsBoardSquare(target) || target == from) return {true, ""};
    std::string move = SquaresToText(static_cast<uint8_t>(from.rank), static_cast<uint8_t>(from.file),
                                     static_cast<uint8_t>(target.rank), static_cast<uint8_t>(target.file));
    const uint8_t id = GamePieceOn(from);
    if (KindOfIdAs(id, PromOf(id, 0)) == PieceKind::Pawn && (target.rank == 8 || target.rank == 1)) move += 'q';
    // 3. Judge it as a typed move is judged.
    if (!IsLegalGameMoveText(move)) return {true, ""};
    return {true, move};
}

void NoteLastMove(const std::string& moveText) {
    Selected = {};
    LastFrom = SquareOfText(moveText, 0);
    LastTo = SquareOfText(moveText, 2);
    if (!IsBoardSquare(LastFrom) || !IsBoardSquare(LastTo)) LastFrom = LastTo = {};
}

void ClearBoardMarks() { Selected = LastFrom = LastTo = {}; }
