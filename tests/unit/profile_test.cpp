// The INI profile layer: names without regard to case, values stripped,
// foreign lines kept, and files that are not settings files at all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/profile.h"

namespace {

class Profile : public ::testing::Test {
protected:
    std::string dir, ini;
    void SetUp() override {
        char tmpl[] = "/tmp/velmor-profile-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        ini = dir + "/test.ini";
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
    void Put(const std::string& text) { std::ofstream(ini, std::ios::binary) << text; }
    std::string Get() {
        std::ifstream f(ini, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    std::string Read(const std::string& section, const std::string& key) {
        std::string v = "unchanged";
        ProfileRead(ini, section, key, v);
        return v;
    }
};

TEST_F(Profile, NamesMatchWithoutRegardToCase) {
    Put("[LOG]\nlevel=3\n[book]\nENABLED=0\n");
    EXPECT_EQ(Read("Log", "Level"), "3");
    EXPECT_EQ(Read("Book", "Enabled"), "0");
    ASSERT_TRUE(ProfileWrite(ini, "log", "LEVEL", "4"));
    EXPECT_EQ(Get(), "[LOG]\nlevel=4\n[book]\nENABLED=0\n");  // the file's spelling stays
}

TEST_F(Profile, ValuesAreStrippedAndBounded) {
    std::string longValue(300, 'x');
    Put(std::string("[S]\n  Key  =   two words \t\r\nLong=") + longValue + "\nZero=ab" + std::string(1, '\0') +
        "cd\nEmpty=\nBlank=   \n");
    EXPECT_EQ(Read("S", "Key"), "two words");
    EXPECT_EQ(Read("S", "Long"), std::string(254, 'x'));
    EXPECT_EQ(Read("S", "Zero"), "ab");
    std::string v;
    EXPECT_TRUE(ProfileRead(ini, "S", "Empty", v));
    EXPECT_EQ(v, "");
    EXPECT_TRUE(ProfileRead(ini, "S", "Blank", v));
    EXPECT_EQ(v, "");
    EXPECT_FALSE(ProfileRead(ini, "S", "Missing", v));
    EXPECT_FALSE(ProfileRead(ini, "Other", "Key", v));
    EXPECT_FALSE(ProfileRead(dir + "/none.ini", "S", "Key", v));
}

TEST_F(Profile, KeysBelongToTheirSectionOnly) {
    Put("Key=outside\n[A]\nx=1\n[B]\nKey=b\n[A]\nKey=second A\n");
    EXPECT_EQ(Read("B", "Key"), "b");
    std::string v;
    EXPECT_FALSE(ProfileRead(ini, "A", "Key", v));  // only the first [A] counts
}

TEST_F(Profile, WritingKeepsCommentsAndOtherSections) {
    Put("; settings\n[Other]\nfoo = bar\n# note\n\n[Log]\n; level below\nEnabled=0\n\n");
    ASSERT_TRUE(ProfileWrite(ini, "Log", "Level", "2"));
    ASSERT_TRUE(ProfileWrite(ini, "Book", "Enabled", "1"));
    ASSERT_TRUE(ProfileWrite(ini, "Other", "foo", "baz"));
    ASSERT_TRUE(ProfileWrite(ini, "Other", "new", "x"));
    EXPECT_EQ(Get(),
              "; settings\n[Other]\nfoo=baz\n# note\nnew=x\n\n[Log]\n; level below\nEnabled=0\nLevel=2\n\n"
              "[Book]\nEnabled=1\n");
}

TEST_F(Profile, WritingCreatesTheFileAndLeavesNoTemporary) {
    ASSERT_TRUE(ProfileWrite(ini, "Log", "Level", "0"));
    EXPECT_EQ(Get(), "[Log]\nLevel=0\n");
    ASSERT_TRUE(ProfileWrite(ini, "Log", "Level", "line\nbreak"));  // cut at the line end
    EXPECT_EQ(Read("Log", "Level"), "line");
    EXPECT_EQ(std::system(("test $(ls -A '" + dir + "' | wc -l) -eq 1").c_str()), 0);
    EXPECT_FALSE(ProfileWrite(ini, "Bad]", "Key", "v"));
    EXPECT_FALSE(ProfileWrite(ini, "S", "a=b", "v"));
    EXPECT_FALSE(ProfileWrite(ini, "S", "", "v"));
}

TEST_F(Profile, CarriageReturnLinesAreReadAndKept) {
    Put("[Log]\r\nLevel=1\r\n");
    EXPECT_EQ(Read("Log", "Level"), "1");
    ASSERT_TRUE(ProfileWrite(ini, "Log", "Enabled", "0"));
    EXPECT_EQ(Get(), "[Log]\r\nLevel=1\r\nEnabled=0\n");
}

TEST_F(Profile, FoldersAndBinaryFilesAreHarmless) {
    ASSERT_EQ(mkdir(ini.c_str(), 0755), 0);
    std::string v = "x";
    EXPECT_FALSE(ProfileRead(ini, "Log", "Level", v));
    EXPECT_EQ(v, "");
    EXPECT_FALSE(ProfileWrite(ini, "Log", "Level", "0"));
    struct stat st {};
    ASSERT_EQ(stat(ini.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    ASSERT_EQ(rmdir(ini.c_str()), 0);

    std::string junk;
    for (int i = 0; i < 200000; ++i) junk += static_cast<char>((i * 7919) % 256);
    Put("[Log]\nLevel=" + junk);
    EXPECT_LE(Read("Log", "Level").size(), ProfileValueMax);
    EXPECT_TRUE(ProfileWrite(ini, "Log", "Enabled", "0"));
    EXPECT_EQ(Read("Log", "Enabled"), "0");

    EXPECT_FALSE(ProfileWrite(dir + "/no/such/folder.ini", "Log", "Level", "0"));
}

TEST_F(Profile, SymbolicLinkStaysALink) {
    std::string real = dir + "/real.ini";
    std::ofstream(real) << "[Log]\nLevel=1\n";
    ASSERT_EQ(symlink(real.c_str(), ini.c_str()), 0);
    ASSERT_TRUE(ProfileWrite(ini, "Log", "Level", "3"));
    struct stat st {};
    ASSERT_EQ(lstat(ini.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Read("Log", "Level"), "3");
}

}  // namespace
