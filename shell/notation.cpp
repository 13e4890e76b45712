// Coordinate move text: from-square, to-square, optional promotion letter.
#include "shell/notation.h"

#include "position/mossedeipezzi.h"
#include "position/variabili.h"
#include "shell/common.h"

namespace {

struct Squares {
    int fromRank, fromFile, toRank, toFile;
};

// File letter a..h is 1..8, rank digit 1..8; anything else is off the board.
bool ReadSquares(const std::string& text, Squares& s) {
    if (text.size() < 4) return false;
    s.fromFile = text[0] - 'a' + FileA;
    s.fromRank = text[1] - '0';
    s.toFile = text[2] - 'a' + FileA;
    s.toRank = text[3] - '0';
    return OnBoard(s.fromRank, s.fromFile) && OnBoard(s.toRank, s.toFile);
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
    if (s.fromRank == s.toRank && s.fromFile == s.toFile) return refuse("the from-square is the to-square");
    if (Sq(s.fromRank, s.fromFile, 0) == 0) return refuse("no piece on the from-square");
    if (IsKingId(Sq(s.toRank, s.toFile, 0))) return refuse("a king cannot be captured");
    if (why) why->clear();
    return true;
}

void PlayMoveText(const std::string& text) {
    // 1. Read the squares; text that is not playable changes nothing.
    if (!MoveTextPlayable(text)) return;
    Squares s;
    ReadSquares(text, s);
    const int fromRank = s.fromRank, fromFile = s.fromFile, toRank = s.toRank, toFile = s.toFile;
    const uint8_t mover = Sq(fromRank, fromFile, 0);
    UpdateGameCastle(mover, fromRank, fromFile, toRank, toFile);
    // 2. Promotion letter (lower case only), for a pawn; another letter changes nothing.
    if (text.size() == 5 && IsPawnId(mover)) {
        if (const uint8_t promotion = PromotionOfLetter(text[4]); promotion != NotPromoted) PromOf(mover, 0) = promotion;
    }
    // 3. En passant: an unpromoted pawn on its fifth rank moving diagonally
    //    to an empty square takes the enemy pawn beside it.
    const bool diagonal = toFile == fromFile - 1 || toFile == fromFile + 1;
    if (diagonal && Sq(toRank, toFile, 0) == 0 && PromOf(mover, 0) == NotPromoted) {
        const ColourFacts& own = FactsOfColour(IsWhiteId(mover));
        const ColourFacts& enemy = FactsOfColour(!IsWhiteId(mover));
        // The fifth rank counted from the mover's side, and the rank beyond it.
        const int fifthRank = own.homeRank + 4 * own.forward;
        if (IsPawnId(mover) && fromRank == fifthRank && toRank == fifthRank + own.forward) {
            const uint8_t victim = Sq(fifthRank, toFile, 0);
            const bool enemyPawn = victim >= enemy.firstPawn && victim < enemy.firstPawn + PawnsPerSide;
            if (enemyPawn && PromOf(victim, 0) == NotPromoted) TakeOff(fifthRank, toFile);
        }
    }
    // 4. The square a pawn's double step passes over can be taken en passant
    //    on the next move; every other move ends that chance.
    bool doubleStep = false;
    if (IsPawnId(mover) && PromOf(mover, 0) == NotPromoted && fromFile == toFile) {
        const ColourFacts& own = FactsOfColour(IsWhiteId(mover));
        doubleStep = fromRank == own.startRank && toRank == own.startRank + 2 * own.forward;
    }
    GameEnPassant = doubleStep ? static_cast<uint8_t>(((fromRank + toRank) / 2 - 1) + 8 * (fromFile - 1)) : NoEnPassant;
    // 5. Capture.
    if (Sq(toRank, toFile, 0) != 0) FileOf(Sq(toRank, toFile, 0), 0) = OffBoard;
    // 6. Move.
    Sq(toRank, toFile, 0) = mover;
    FileOf(mover, 0) = static_cast<uint8_t>(toFile);
    RankOf(mover, 0) = static_cast<uint8_t>(toRank);
    Sq(fromRank, fromFile, 0) = 0;
    // 7. Castling (the king's two-square move from its start) moves the rook of that corner too.
    if (IsKingId(mover)) {
        const ColourFacts& own = FactsOfColour(mover == WhiteKing);
        const int home = own.homeRank;
        if (fromRank == home && fromFile == FileE && toRank == home && toFile == FileG)
            MoveCastlingRook(own.kingRook, home, FileH, FileF);
        if (fromRank == home && fromFile == FileE && toRank == home && toFile == FileC)
            MoveCastlingRook(own.queenRook, home, FileA, FileD);
    }
    // 8. The other side moves.
    SideToMove = static_cast<Bool16>(SideToMove ? False : True);
    VELMOR_ASSERT_POSITION(0, "PlayMoveText");
    // 9. Board print when the settings ask for it.
    StampaPosizione();
}

std::string SquaresToText(uint8_t fromRank, uint8_t fromFile, uint8_t toRank, uint8_t toFile) {
    std::string t;
    t += static_cast<char>('a' - FileA + fromFile);
    t += std::to_string(fromRank);
    t += static_cast<char>('a' - FileA + toFile);
    t += std::to_string(toRank);
    return t;
}

std::string MoveToText(uint8_t piece, uint8_t moveCode) {
    if (piece == NoPiece || piece > LastPieceId || FileOf(piece, 0) == OffBoard) return "";
    const int r = RankOf(piece, 0), f = FileOf(piece, 0);
    const CodeStep step = moveCode <= LastMoveCode ? MoveCodeTable[moveCode] : CodeStep{0, 0};
    return SquaresToText(static_cast<uint8_t>(r), static_cast<uint8_t>(f), static_cast<uint8_t>(r + step.dRank),
                         static_cast<uint8_t>(f + step.dFile));
}
