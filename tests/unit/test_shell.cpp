// Edge rules of the settings file and the number readers that the
// end-to-end tests over the real binary and the settings fuzzer do not reach.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/profile.h"
#include "shell/common.h"

namespace {

struct Profile : ::testing::Test {
    char dir[32] = "/tmp/velmor-profile-XXXXXX";
    std::string ini;
    void SetUp() override { ini = std::string(mkdtemp(dir)) + "/test.ini"; }
    void TearDown() override { std::system(("rm -rf '" + std::string(dir) + "'").c_str()); }
    void Put(const std::string& text) { std::ofstream(ini, std::ios::binary) << text; }
    std::string Get() { return (std::stringstream() << std::ifstream(ini, std::ios::binary).rdbuf()).str(); }
    std::string Read(const std::string& section, const std::string& key) {
        std::string v;
        return ProfileRead(ini, section, key, v) ? v : "(none)";
    }
};

TEST_F(Profile, SectionsValuesAndLineEndsAsRead) {
    // Only the first [A] counts, keys before any section belong to none, and
    // values are cut at 254 characters.
    Put("Key=outside\n[A]\nx=1\n[B]\nKey=b\n[A]\nKey=second A\n[S]\nLong=" + std::string(300, 'x') + "\n");
    EXPECT_EQ(Read("B", "Key") + "," + Read("A", "Key") + "," + Read("S", "Long"), "b,(none)," + std::string(254, 'x'));
    Put("[Log]\r\nLevel=1\r\n");  // carriage-return lines are read, and kept on writing
    EXPECT_EQ(Read("Log", "Level"), "1");
    ASSERT_TRUE(ProfileWrite(ini, "Log", "Enabled", "0"));
    EXPECT_EQ(Get(), "[Log]\r\nLevel=1\r\nEnabled=0\n");
}

TEST_F(Profile, WritingKeepsTheFilesSpellingCommentsAndOrder) {
    ASSERT_TRUE(ProfileWrite(ini, "Log", "Level", "0"));  // the file is created
    EXPECT_EQ(Get(), "[Log]\nLevel=0\n");
    Put("[LOG]\nlevel=3\n[book]\nENABLED=0\n");
    ASSERT_TRUE(ProfileWrite(ini, "log", "LEVEL", "4"));
    EXPECT_EQ(Get(), "[LOG]\nlevel=4\n[book]\nENABLED=0\n");
    // A new key goes at the end of its section, a new section at the end.
    Put("; settings\n[Other]\nfoo = bar\n# note\n\n[Log]\n; level below\nEnabled=0\n\n");
    const struct { const char *section, *key, *value; } writes[] = {
        {"Log", "Level", "2"}, {"Book", "Enabled", "1"}, {"Other", "foo", "baz"}, {"Other", "new", "x"}};
    for (const auto& w : writes) ASSERT_TRUE(ProfileWrite(ini, w.section, w.key, w.value)) << w.key;
    EXPECT_EQ(Get(), "; settings\n[Other]\nfoo=baz\n# note\nnew=x\n\n[Log]\n; level below\nEnabled=0\nLevel=2\n\n[Book]\nEnabled=1\n");
    EXPECT_FALSE(ProfileWrite(ini, "Bad]", "Key", "v") || ProfileWrite(ini, "S", "a=b", "v") || ProfileWrite(ini, "S", "", "v"));
    // A symbolic link stays a link.
    const std::string real = std::string(dir) + "/real.ini";
    std::rename(ini.c_str(), real.c_str());
    ASSERT_EQ(symlink(real.c_str(), ini.c_str()), 0);
    ASSERT_TRUE(ProfileWrite(ini, "Log", "Level", "3"));
    struct stat st {};
    EXPECT_TRUE(lstat(ini.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_EQ(Read("Log", "Level"), "3");
}

TEST(Numbers, RoundingAndWholeSettings) {
    // Halves go to the even neighbour; out of range clamps.
    for (const auto& [x, n] : {std::pair{2.5, 2}, {3.5, 4}, {-2.5, -2}, {2.6, 3}, {1e12, INT32_MAX}, {-1e12, INT32_MIN}})
        EXPECT_EQ(RoundToInt32(x), n) << x;
    EXPECT_EQ(RoundToInt32(LeadingNumber("1e999")), INT32_MAX);
    // A setting is a number alone (read as a decimal reader does, rounded as
    // above); anything else gives the fallback.
    const struct {
        const char* text;
        int fallback, value;
    } settings[] = {
        {"3", 0, 3}, {" -4 ", 0, -4}, {"2.5", 0, 2}, {"-2.5e2", 0, -250}, {"abc", 0, 0}, {"2abc", 7, 7}, {"7e", 3, 3}, {".", 5, 5}, {"", 9, 9}, {"99999999999", 0, INT32_MAX}};
    for (const auto& c : settings) EXPECT_EQ(SettingToInt(c.text, c.fallback), c.value) << c.text;
}

}  // namespace
