// The rules of chess for moves of the game position, judged directly on a
// local copy of slice 0. The search never produces en-passant captures and
// its move lists hold at most MaxMovesPerPly moves, so a move received from
// outside is judged here by the rules themselves, not looked up in a list.
#include "rules/gamemove.h"

#include <cstdlib>
#include <cstring>

#include "position/mossedeipezzi.h"
#include "position/variabili.h"

namespace {

// A position to try a move on: ids by square and what each pawn id has become.
struct LocalBoard {
    uint8_t id[8][8];      // [rank-1][file-1], 0 = empty
    uint8_t promoted[33];  // by id, the PromotedKind coding
};

LocalBoard GameBoard() {
    LocalBoard b{};
    for (int r = 1; r <= 8; ++r)
        for (int f = 1; f <= 8; ++f) b.id[r - 1][f - 1] = Sq(r, f, 0);
    for (int id = 1; id <= 32; ++id) b.promoted[id] = PromOf(id, 0);
    return b;
}

uint8_t At(const LocalBoard& b, int r, int f) { return OnBoard(r, f) ? b.id[r - 1][f - 1] : 0; }
bool IsColour(int id, bool white) { return white ? IsWhiteId(id) : IsBlackId(id); }

// Whether (r, f) is attacked by a piece of the given colour.
bool Attacked(const LocalBoard& b, int r, int f, bool byWhite) {
    auto is = [&](int rr, int ff, PieceKind k) {
        const uint8_t id = At(b, rr, ff);
        return id != 0 && IsColour(id, byWhite) && KindOfIdAs(id, b.promoted[id]) == k;
    };
    // 1. Pawns take one step forward diagonally: White's from the rank below.
    const int pawnRank = byWhite ? r - 1 : r + 1;
    if (is(pawnRank, f - 1, PieceKind::Pawn) || is(pawnRank, f + 1, PieceKind::Pawn)) return true;
    // 2. Knights and the king, one jump or one step away.
    for (const CodeStep& s : KnightStep)
        if (is(r + s.dRank, f + s.dFile, PieceKind::Knight)) return true;
    for (const CodeStep& s : DirectionStep)
        if (is(r + s.dRank, f + s.dFile, PieceKind::King)) return true;
    // 3. Rooks, bishops and queens: the first piece along each line.
    for (const CodeStep& s : DirectionStep) {
        const bool straight = s.dRank == 0 || s.dFile == 0;
        int rr = r + s.dRank, ff = f + s.dFile;
        while (OnBoard(rr, ff) && At(b, rr, ff) == 0) {
            rr += s.dRank;
            ff += s.dFile;
        }
        if (!OnBoard(rr, ff)) continue;
        const uint8_t id = At(b, rr, ff);
        if (!IsColour(id, byWhite)) continue;
        const PieceKind k = KindOfIdAs(id, b.promoted[id]);
        if (k == PieceKind::Queen || k == (straight ? PieceKind::Rook : PieceKind::Bishop)) return true;
    }
    return false;
}

bool KingAttacked(const LocalBoard& b, bool white) {
    const uint8_t king = white ? WhiteKing : BlackKing;
    for (int r = 1; r <= 8; ++r)
        for (int f = 1; f <= 8; ++f)
            if (b.id[r - 1][f - 1] == king) return Attacked(b, r, f, !white);
    return false;  // no king: nothing to attack
}

// Every square strictly between two squares on one line is empty.
bool PathClear(const LocalBoard& b, int fr, int ff, int tr, int tf) {
    const int dr = (tr > fr) - (tr < fr), df = (tf > ff) - (tf < ff);
    for (int r = fr + dr, f = ff + df; r != tr || f != tf; r += dr, f += df)
        if (At(b, r, f) != 0) return false;
    return true;
}

// The squares of one castling: the king goes from file 5 to kingTo passing
// transit; the rook of the corner goes from rookFrom to rookTo; the files
// from emptyLo to emptyHi must be empty.
struct Castling {
    int right;  // the bit of the game's rights: 1 king side, 2 queen side
    int kingTo, transit, rookFrom, rookTo, emptyLo, emptyHi;
};
constexpr Castling KingSide{KingSideRight, FileG, FileF, FileH, FileF, FileF, FileG};
constexpr Castling QueenSide{QueenSideRight, FileC, FileD, FileA, FileD, FileB, FileD};
uint8_t CornerRook(bool white, const Castling& c) {
    const ColourFacts& own = FactsOfColour(white);
    return c.rookFrom == FileH ? own.kingRook : own.queenRook;
}

const char* const PieceCannot = "the piece cannot move so";

// Why the move (fr, ff) -> (tr, tf) with promotion letter (0 = none) is not
// legal for the side to move in the game position; nullptr when it is.
const char* Fault(int fr, int ff, int tr, int tf, char letter) {
    // 1. Squares and the piece that moves.
    if (!OnBoard(fr, ff) || !OnBoard(tr, tf)) return "not two squares on the board";
    if (fr == tr && ff == tf) return "the from-square is the to-square";
    LocalBoard b = GameBoard();
    const bool white = SideToMove != 0;
    const uint8_t mover = At(b, fr, ff);
    if (mover == 0) return "no piece on the from-square";
    if (!IsColour(mover, white)) return "the piece on the from-square is not of the side to move";
    const uint8_t target = At(b, tr, tf);
    if (target != 0 && IsColour(target, white)) return "the to-square holds a piece of the side to move";
    if (target == WhiteKing || target == BlackKing) return "a king cannot be captured";
    const PieceKind kind = KindOfIdAs(mover, b.promoted[mover]);
    const int dr = tr - fr, df = tf - ff, adr = std::abs(dr), adf = std::abs(df);

    // 2. The promotion letter: only on a pawn's move to the last rank.
    const int lastRank = white ? 8 : 1;
    uint8_t promotion = NotPromoted;
    if (letter != 0) {
        const char* letters = "qrbn";
        const char* at = std::strchr(letters, letter);
        if (at == nullptr) return "a promotion letter is q, r, b or n";
        if (kind != PieceKind::Pawn || tr != lastRank) return "a promotion letter only on a pawn's move to the last rank";
        promotion = static_cast<uint8_t>(at - letters + 1);
    }

    // 3. How the kind moves; an en-passant capture and castling are marked.
    bool enPassant = false;
    const Castling* castling = nullptr;
    switch (kind) {
        case PieceKind::Pawn: {
            const int forward = white ? 1 : -1, startRank = white ? 2 : 7;
            if (df == 0 && dr == forward && target == 0) break;
            if (df == 0 && dr == 2 * forward && fr == startRank && target == 0 && At(b, fr + forward, ff) == 0) break;
            if (adf == 1 && dr == forward && target != 0) break;
            const uint8_t beside = At(b, fr, tf);
            if (adf == 1 && dr == forward && target == 0 && GameEnPassant == (tr - 1) + 8 * (tf - 1) && beside != 0 &&
                !IsColour(beside, white) && IsPawnId(beside) && b.promoted[beside] == NotPromoted) {
                enPassant = true;
                break;
            }
            return PieceCannot;
        }
        case PieceKind::Knight:
            if (!((adr == 1 && adf == 2) || (adr == 2 && adf == 1))) return PieceCannot;
            break;
        case PieceKind::Bishop:
            if (adr != adf) return PieceCannot;
            if (!PathClear(b, fr, ff, tr, tf)) return "the path is blocked";
            break;
        case PieceKind::Rook:
            if (dr != 0 && df != 0) return PieceCannot;
            if (!PathClear(b, fr, ff, tr, tf)) return "the path is blocked";
            break;
        case PieceKind::Queen:
            if (dr != 0 && df != 0 && adr != adf) return PieceCannot;
            if (!PathClear(b, fr, ff, tr, tf)) return "the path is blocked";
            break;
        case PieceKind::King: {
            if (adr <= 1 && adf <= 1) break;
            const int home = white ? 1 : 8;
            if (!(fr == home && tr == home && ff == 5 && (tf == 7 || tf == 3))) return PieceCannot;
            castling = tf == 7 ? &KingSide : &QueenSide;
            if ((GameCastle[white ? 0 : 1] & castling->right) == 0) return "castling is no longer allowed on that side";
            if (At(b, home, castling->rookFrom) != CornerRook(white, *castling)) return "the castling rook is not on its corner";
            for (int f = castling->emptyLo; f <= castling->emptyHi; ++f)
                if (At(b, home, f) != 0) return "a piece stands between king and rook";
            for (int f : {5, castling->transit, castling->kingTo})
                if (Attacked(b, home, f, !white)) return "the king would castle out of, through or into check";
            break;
        }
        case PieceKind::None:
            return PieceCannot;
    }

    // 4. The move on the local board; the mover's king must not be attacked.
    if (enPassant) b.id[fr - 1][tf - 1] = 0;
    b.id[tr - 1][tf - 1] = mover;
    b.id[fr - 1][ff - 1] = 0;
    if (promotion != NotPromoted) b.promoted[mover] = promotion;
    if (castling != nullptr) {
        b.id[fr - 1][castling->rookFrom - 1] = 0;
        b.id[fr - 1][castling->rookTo - 1] = CornerRook(white, *castling);
    }
    if (KingAttacked(b, white)) return "the king would be in check";
    return nullptr;
}

std::string Text(int fr, int ff, int tr, int tf) {
    return {static_cast<char>('a' + ff - 1), static_cast<char>('0' + fr), static_cast<char>('a' + tf - 1), static_cast<char>('0' + tr)};
}

}  // namespace

std::string GameMoveFault(const std::string& text) {
    if (text.size() < 4 || text.size() > 5) return "a move is four or five characters";
    const char* why = Fault(text[1] - '0', text[0] - 'a' + 1, text[3] - '0', text[2] - 'a' + 1, text.size() == 5 ? text[4] : 0);
    return why == nullptr ? std::string() : std::string(why);
}

std::string GameEnPassantCapture() {
    if (GameEnPassant == NoEnPassant) return "";
    const int tr = GameEnPassant % 8 + 1, tf = GameEnPassant / 8 + 1;
    const int fr = SideToMove ? tr - 1 : tr + 1;
    for (int ff : {tf - 1, tf + 1})
        if (OnBoard(fr, ff) && Fault(fr, ff, tr, tf, 0) == nullptr) return Text(fr, ff, tr, tf);
    return "";
}

bool GameSideHasLegalMove() {
    const bool white = SideToMove != 0;
    for (int fr = 1; fr <= 8; ++fr)
        for (int ff = 1; ff <= 8; ++ff) {
            const uint8_t id = Sq(fr, ff, 0);
            if (id == 0 || !IsColour(id, white)) continue;
            for (int tr = 1; tr <= 8; ++tr)
                for (int tf = 1; tf <= 8; ++tf)
                    if (Fault(fr, ff, tr, tf, 0) == nullptr) return true;
        }
    return false;
}

bool GameSideInCheck() { return KingAttacked(GameBoard(), SideToMove != 0); }
