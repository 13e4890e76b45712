// The opening book: votes, the history key, switching off, line ends and
// the legality filter.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>

#include "book/book.h"
#include "platform/folder.h"
#include "support.h"

namespace {
struct BookFixture : ::testing::Test {
    void SetUp() override {
        PlaceById({});
        SetInitialPosition();
        SideToMove = True;
        BookEnabled = True;
        BookLines = {"", "e2e4e7e5", "e2e4c7c5"};
    }
};
}  // namespace

TEST_F(BookFixture, StartOfGameAllLinesVote) {
    std::srand(1);
    EXPECT_EQ(BookMove(), "e2e4");
    EXPECT_TRUE(BookEnabled);
}

TEST_F(BookFixture, ContinuationsAreChosenAtRandomByVote) {
    PlayMoveText("e2e4");
    MoveHistory = "e2e4";
    std::set<std::string> seen;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::srand(seed);
        seen.insert(BookMove());
    }
    EXPECT_EQ(seen, (std::set<std::string>{"e7e5", "c7c5"}));
}

TEST_F(BookFixture, AHistoryAtTheEndOfEveryLineSwitchesTheBookOff) {
    for (const char* m : {"e2e4", "e7e5"}) PlayMoveText(m);
    MoveHistory = "e2e4e7e5";
    EXPECT_EQ(BookMove(), "");
    EXPECT_FALSE(BookEnabled);
}

TEST_F(BookFixture, IllegalContinuationsAreNoCandidates) {
    // After a set-up position the history is empty and the book answers as
    // at the start; e2e4 is no move here, so there is nothing to offer.
    SetFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    BookEnabled = True;
    EXPECT_EQ(BookMove(), "");
    EXPECT_FALSE(BookEnabled);
    // Malformed lines never become moves.
    SetUp();
    BookLines = {"", "", "zz", "e2e5e7e5", "e2e4"};
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::srand(seed);
        EXPECT_EQ(BookMove(), "e2e4");
    }
}

TEST(BookFile, LinesEndAtCrLfCrOrLfAndAMissingBookIsCreated) {
    SettingsFileEnabled = false;
    const std::string path = ProgramFolder() + "/book.txt";
    std::remove(path.c_str());
    LoadBook();
    EXPECT_EQ(BookLines.size(), 1u);
    std::ifstream created(path);
    EXPECT_TRUE(created.good());
    {
        std::ofstream out(path, std::ios::binary);
        out << "e2e4e7e5\r\nd2d4d7d5\rc2c4\n\ng1f3";
    }
    LoadBook();
    EXPECT_EQ(BookLines, (std::vector<std::string>{"", "e2e4e7e5", "d2d4d7d5", "c2c4", "", "g1f3"}));
    std::remove(path.c_str());
}
