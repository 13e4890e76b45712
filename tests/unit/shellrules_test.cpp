// Rules of the shell that the end-to-end tests reach only partly: cutting
// pipe reads into lines, and turning settings and clock text into numbers.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "shell/common.h"
#include "shell/lines.h"

namespace {

struct Collected {
    std::vector<std::string> lines;
    std::vector<size_t> dropped;
};

void Feed(LineSplitter& s, Collected& c, const std::string& text) {
    FeedLines(
        s, text, [&](std::string&& l) { c.lines.push_back(l); }, [&](size_t n) { c.dropped.push_back(n); });
}

TEST(LineSplitting, TailIsKeptUntilItsLineEnd) {
    LineSplitter s;
    Collected c;
    Feed(s, c, "new\nus");
    EXPECT_EQ(c.lines, (std::vector<std::string>{"new"}));
    Feed(s, c, "ermove e2");
    Feed(s, c, "e4\r\nforce\rgo");
    EXPECT_EQ(c.lines, (std::vector<std::string>{"new", "usermove e2e4", "", "force"}));
    EXPECT_EQ(s.Tail, "go");
    Feed(s, c, "\n");
    EXPECT_EQ(c.lines.back(), "go");
    EXPECT_TRUE(c.dropped.empty());
}

TEST(LineSplitting, OverlongLineIsDroppedWholeAndOnce) {
    LineSplitter s;
    Collected c;
    std::string chunk(2048, 'a');
    for (int i = 0; i < 512; ++i) Feed(s, c, chunk);  // one megabyte, no line end yet
    EXPECT_LE(s.Tail.size(), MaxLineLength);
    EXPECT_TRUE(c.lines.empty());
    Feed(s, c, "tail\nprotover 2\n");
    EXPECT_EQ(c.dropped, (std::vector<size_t>{512 * 2048 + 4}));
    EXPECT_EQ(c.lines, (std::vector<std::string>{"protover 2"}));

    Collected d;
    Feed(s, d, std::string(MaxLineLength, 'b') + "\n");  // the longest line still kept
    ASSERT_EQ(d.lines.size(), 1u);
    EXPECT_EQ(d.lines[0].size(), MaxLineLength);
    Feed(s, d, std::string(MaxLineLength + 1, 'b') + "\n");
    EXPECT_EQ(d.dropped, (std::vector<size_t>{MaxLineLength + 1}));
}

TEST(Numbers, LeadingNumberReadsAsADecimalReader) {
    size_t used = 99;
    EXPECT_EQ(LeadingNumber("30000", &used), 30000.0);
    EXPECT_EQ(used, 5u);
    EXPECT_EQ(LeadingNumber("  12abc", &used), 12.0);
    EXPECT_EQ(used, 4u);
    EXPECT_EQ(LeadingNumber("-2.5e2x"), -250.0);
    EXPECT_EQ(LeadingNumber("7e"), 7.0);
    EXPECT_EQ(LeadingNumber("abc", &used), 0.0);
    EXPECT_EQ(used, 0u);
    EXPECT_EQ(LeadingNumber(".", &used), 0.0);
    EXPECT_EQ(used, 0u);
    EXPECT_EQ(LeadingNumber(""), 0.0);
}

TEST(Numbers, RoundingIsHalfToEvenAndClamped) {
    EXPECT_EQ(RoundToInt32(2.5), 2);
    EXPECT_EQ(RoundToInt32(3.5), 4);
    EXPECT_EQ(RoundToInt32(-2.5), -2);
    EXPECT_EQ(RoundToInt32(2.6), 3);
    EXPECT_EQ(RoundToInt32(1e12), INT32_MAX);
    EXPECT_EQ(RoundToInt32(-1e12), INT32_MIN);
    EXPECT_EQ(RoundToInt32(LeadingNumber("1e999")), INT32_MAX);
}

TEST(Numbers, SettingValuesMustBeWholeNumbers) {
    EXPECT_EQ(SettingToInt("3"), 3);
    EXPECT_EQ(SettingToInt(" -4 "), -4);
    EXPECT_EQ(SettingToInt("2.5"), 2);
    EXPECT_EQ(SettingToInt("abc"), 0);
    EXPECT_EQ(SettingToInt("2abc", 7), 7);
    EXPECT_EQ(SettingToInt("", 9), 9);
    EXPECT_EQ(SettingToInt("99999999999"), INT32_MAX);
}

TEST(Files, OnlyRegularFilesExist) {
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists("/tmp"));
    EXPECT_FALSE(FileExists("/no/such/file"));
    EXPECT_TRUE(FileExists("/proc/self/exe") || FileExists("/bin/sh"));
}

}  // namespace
