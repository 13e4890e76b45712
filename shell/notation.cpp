// Coordinate move text: from-square, to-square, optional promotion letter.
#include "shell/notation.h"

#include "position/mossedeipezzi.h"
#include "position/variabili.h"
#include "shell/common.h"

namespace {

struct Squares { int fr, ff, tr, tf; };

// File letter a..h is 1..8, rank digit 1..8; anything else is off the board.
bool ReadSquares(const std::string& text, Squares& s) {
    if (text.size() < 4) return false;
    s.ff = text[0] - 96;
    s.fr = text[1] - '0';
    s.tf = text[2] - 96;
    s.tr = text[3] - '0';
    return OnBoard(s.fr, s.ff) && OnBoard(s.tr, s.tf);
}

// Takes the piece on (rank, file) of slice 0 off the board.
void TakeOff(int rank, int file) {
    uint8_t id = Sq(rank, file, 0);
    if (id == 0) return;
    FileOf(id, 0) = OffBoard;
    Sq(rank, file, 0) = 0;
}

// Castling's rook move, done only when the rook stands on its corner and
// its target square is free (a piece there would lose its square).
void MoveCastlingRook(uint8_t rook, int rank, int fromFile, int toFile) {
    if (Sq(rank, fromFile, 0) != rook || Sq(rank, toFile, 0) != 0) return;
    Sq(rank, fromFile, 0) = 0;
    Sq(rank, toFile, 0) = rook;
    FileOf(rook, 0) = static_cast<uint8_t>(toFile);
}

}  // namespace

bool MoveTextPlayable(const std::string& text, std::string* why) {
    Squares s;
    auto refuse = [&](const char* reason) {
        if (why) *why = reason;
        return false;
    };
    if (!ReadSquares(text, s)) return refuse("not two squares on the board");
    if (s.fr == s.tr && s.ff == s.tf) return refuse("the from-square is the to-square");
    if (Sq(s.fr, s.ff, 0) == 0) return refuse("no piece on the from-square");
    uint8_t target = Sq(s.tr, s.tf, 0);
    if (target == WhiteKing || target == BlackKing) return refuse("a king cannot be captured");
    if (why) why->clear();
    return true;
}

void PlayMoveText(const std::string& text) {
    // 1. Read the squares; text that is not playable changes nothing.
    if (!MoveTextPlayable(text)) return;
    Squares s;
    ReadSquares(text, s);
    const int FR = s.fr, FF = s.ff, TR = s.tr, TF = s.tf;
    const uint8_t mover = Sq(FR, FF, 0);
    UpdateGameCastle(mover, FR, FF, TR, TF);
    // 2. Promotion letter (lower case only), for a pawn.
    if (text.size() == 5 && IsPawnId(mover)) {
        switch (text[4]) {
            case 'q': PromOf(mover, 0) = PromQueen; break;
            case 'r': PromOf(mover, 0) = PromRook; break;
            case 'b': PromOf(mover, 0) = PromBishop; break;
            case 'n': PromOf(mover, 0) = PromKnight; break;
            default: break;
        }
    }
    // 3.-4. En passant: an unpromoted pawn on its fifth rank moving diagonally
    //       to an empty square takes the enemy pawn beside it.
    const bool diagonal = TF == FF - 1 || TF == FF + 1;
    if (diagonal && Sq(TR, TF, 0) == 0 && PromOf(mover, 0) == 0) {
        if (FR == 5 && TR == 6 && mover >= 9 && mover <= 16) {
            uint8_t victim = Sq(5, TF, 0);
            if (victim >= 25 && victim <= 32 && PromOf(victim, 0) == 0) TakeOff(5, TF);
        } else if (FR == 4 && TR == 3 && mover >= 25 && mover <= 32) {
            uint8_t victim = Sq(4, TF, 0);
            if (victim >= 9 && victim <= 16 && PromOf(victim, 0) == 0) TakeOff(4, TF);
        }
    }
    // The square a pawn's double step passes over can be taken en passant
    // on the next move; every other move ends that chance.
    const bool doubleStep = IsPawnId(mover) && PromOf(mover, 0) == 0 && FF == TF &&
                            ((IsWhiteId(mover) && FR == 2 && TR == 4) || (IsBlackId(mover) && FR == 7 && TR == 5));
    GameEnPassant = doubleStep ? static_cast<uint8_t>(((FR + TR) / 2 - 1) + 8 * (FF - 1)) : NoEnPassant;
    // 5. Capture.
    if (Sq(TR, TF, 0) != 0) FileOf(Sq(TR, TF, 0), 0) = OffBoard;
    // 6. Move.
    Sq(TR, TF, 0) = mover;
    FileOf(mover, 0) = static_cast<uint8_t>(TF);
    RankOf(mover, 0) = static_cast<uint8_t>(TR);
    Sq(FR, FF, 0) = 0;
    // 7. Castling moves the rook of that corner too.
    if (mover == WhiteKing && FR == 1 && FF == 5 && TR == 1 && TF == 7) MoveCastlingRook(8, 1, 8, 6);
    if (mover == WhiteKing && FR == 1 && FF == 5 && TR == 1 && TF == 3) MoveCastlingRook(1, 1, 1, 4);
    if (mover == BlackKing && FR == 8 && FF == 5 && TR == 8 && TF == 7) MoveCastlingRook(17, 8, 8, 6);
    if (mover == BlackKing && FR == 8 && FF == 5 && TR == 8 && TF == 3) MoveCastlingRook(24, 8, 1, 4);
    // 8. The other side moves.
    SideToMove = static_cast<Bool16>(SideToMove ? False : True);
    VELMOR_ASSERT_POSITION(0, "PlayMoveText");
    // 9. Board print when the settings ask for it.
    StampaPosizione();
}

std::string SquaresToText(uint8_t fromRank, uint8_t fromFile, uint8_t toRank, uint8_t toFile) {
    std::string t;
    t += static_cast<char>(96 + fromFile);
    t += std::to_string(fromRank);
    t += static_cast<char>(96 + toFile);
    t += std::to_string(toRank);
    return t;
}

std::string MoveToText(uint8_t piece, uint8_t moveCode) {
    if (piece == 0 || piece > 32 || FileOf(piece, 0) == OffBoard) return "";
    const int r = RankOf(piece, 0), f = FileOf(piece, 0);
    const CodeStep step = moveCode <= 64 ? MoveCodeTable[moveCode] : CodeStep{0, 0};
    return SquaresToText(static_cast<uint8_t>(r), static_cast<uint8_t>(f), static_cast<uint8_t>(r + step.dRank),
                         static_cast<uint8_t>(f + step.dFile));
}
