// The named identities and the tables derived from them, checked against the start position and the code listing of the rules.
#include "position/identities.h"
#include "support.h"

namespace {
// The text of the square a code leads to from (rank, file).
std::string Target(int rank, int file, int code) {
    const CodeStep& step = MoveCodeTable[code];
    return std::string(1, static_cast<char>('a' + file - 1 + step.dFile)) + std::to_string(rank + step.dRank);
}
}  // namespace

TEST(Identities, EachNamedIdStandsOnItsHomeSquareAtTheStart) {
    NewGame();
    for (const ColourFacts* c : {&WhiteFacts, &BlackFacts}) {
        const int home = c->homeRank, pawns = c->startRank;
        EXPECT_EQ(Sq(home, FileA, 0), c->queenRook);
        EXPECT_EQ(Sq(home, FileB, 0), c->knightB);
        EXPECT_EQ(Sq(home, FileC, 0), c->bishopC);
        EXPECT_EQ(Sq(home, FileD, 0), c->queen);
        EXPECT_EQ(Sq(home, FileE, 0), c->king);
        EXPECT_EQ(Sq(home, FileF, 0), c->bishopF);
        EXPECT_EQ(Sq(home, FileG, 0), c->knightG);
        EXPECT_EQ(Sq(home, FileH, 0), c->kingRook);
        // Pawn ids run from file a for White and from file h for Black.
        for (int k = 0; k < PawnsPerSide; ++k)
            EXPECT_EQ(Sq(pawns, c == &WhiteFacts ? FileA + k : FileH - k, 0), c->firstPawn + k) << k;
        for (int id = c->firstId; id <= c->lastId; ++id) EXPECT_EQ(IsWhiteId(id), c == &WhiteFacts) << id;
        EXPECT_EQ(c->enemyLo, FactsOfColour(c != &WhiteFacts).firstId);
        EXPECT_EQ(c->enemyHi, FactsOfColour(c != &WhiteFacts).lastId);
        EXPECT_EQ(c->lastPushRank, FactsOfColour(c != &WhiteFacts).startRank);
    }
    // Every id's kind as the board shows it.
    const char* back = "RNBQKBNR";
    auto kindOfLetter = [](char letter) {
        switch (letter) {
            case 'R': return PieceKind::Rook;
            case 'N': return PieceKind::Knight;
            case 'B': return PieceKind::Bishop;
            case 'Q': return PieceKind::Queen;
            default: return PieceKind::King;
        }
    };
    for (int f = FileA; f <= FileH; ++f) {
        const PieceKind expected = kindOfLetter(back[f - 1]);
        EXPECT_EQ(KindOfIdAs(Sq(1, f, 0), NotPromoted), expected) << f;
        EXPECT_EQ(KindOfIdAs(Sq(8, f, 0), NotPromoted), expected) << f;
        EXPECT_EQ(KindOfIdAs(Sq(2, f, 0), PromKnight), PieceKind::Knight) << f;
    }
}

TEST(Identities, CodesLeadWhereTheRulesSay) {
    // Codes 1..56 along the eight directions, 57..64 the knight's jumps
    // clockwise from the one toward file a; from d4.
    const char* rays[8] = {"c4", "c5", "d5", "e5", "e4", "e3", "d3", "c3"};
    for (int dir = 0; dir < 8; ++dir) EXPECT_EQ(Target(4, FileD, RayCode(dir, 1)), rays[dir]) << dir;
    EXPECT_EQ(Target(4, FileD, RayCode(Up, 4)), "d8");
    EXPECT_EQ(Target(4, FileD, RayCode(DownTowardFileA, 3)), "a1");
    const char* jumps[8] = {"b5", "c6", "e6", "f5", "f3", "e2", "c2", "b3"};
    for (int j = 0; j < 8; ++j) EXPECT_EQ(Target(4, FileD, FirstKnightCode + j), jumps[j]) << j;
    // The pawn codes of each colour and the two castling codes.
    EXPECT_EQ(Target(2, FileE, WhiteFacts.stepCode) + Target(2, FileE, WhiteFacts.doubleCode) +
                  Target(2, FileE, WhiteFacts.capFileHCode) + Target(2, FileE, WhiteFacts.capFileACode),
              "e3e4f3d3");
    EXPECT_EQ(Target(7, FileE, BlackFacts.stepCode) + Target(7, FileE, BlackFacts.doubleCode) +
                  Target(7, FileE, BlackFacts.capFileHCode) + Target(7, FileE, BlackFacts.capFileACode),
              "e6e5f6d6");
    EXPECT_EQ(Target(1, FileE, KingSideCastleCode) + Target(8, FileE, QueenSideCastleCode), "g1c8");
    EXPECT_TRUE(IsCastlingCode(30) && IsCastlingCode(2) && !IsCastlingCode(16));
    // Promotion letters both ways; anything else is no promotion.
    std::string letters;
    for (uint8_t code = PromQueen; code <= PromKnight; ++code) letters += PromotionLetter(code);
    EXPECT_EQ(letters, "qrbn");
    EXPECT_EQ(PromotionLetter(NotPromoted), '\0');
    EXPECT_EQ(PromotionLetter(5), '\0');
    EXPECT_EQ(PromotionOfLetter('n'), PromKnight);
    for (const char other : {'Q', 'k', 'p', '\0', 'x'}) EXPECT_EQ(PromotionOfLetter(other), NotPromoted) << other;
}
