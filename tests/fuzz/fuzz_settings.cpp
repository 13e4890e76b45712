// Settings files of any content, read by every key the engine asks for.
// Every value read is a usable text (not empty, at most 254 characters, no
// line feed or zero byte, no blanks at its ends; a lone carriage return
// inside a line is part of the value, as the profile reader keeps it) and reads the same again;
// a value written under any name reads back as written (cut at a line end,
// trimmed) and leaves the other keys as they were.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "shell/common.h"
#include "tests/fuzz/harness.h"

namespace {

struct Key {
    const char *section, *key, *dflt;
};
// Every setting the engine reads, with each default it is read with.
const Key Keys[] = {
    {"Log", "Enabled", "0"},     {"Log", "Level", "0"},       {"Book", "Enabled", "1"},
    {"Time", "Enabled", "1"},    {"General", "Profondita", "4"}, {"General", "Profondita", "2"},
    {"General", "CanCastle", "1"}, {"General", "CanCastle", "3"}, {"Print", "Position", "N"},
};

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string Shown(const std::string& v) {
    std::string out;
    for (unsigned char c : v) {
        char hex[8];
        std::snprintf(hex, sizeof hex, c >= 32 && c < 127 ? "%c" : "\\x%02x", c);
        out += hex;
    }
    return out;
}

void CheckValue(const std::string& v, const char* what) {
    FUZZ_CHECK(!v.empty(), std::string(what) + ": empty value");
    FUZZ_CHECK(v.size() <= ProfileValueMax, std::string(what) + ": value longer than 254 characters");
    FUZZ_CHECK(v.find_first_of(std::string("\n\0", 2)) == std::string::npos, std::string(what) + ": line feed or zero byte in a value: " + Shown(v));
    FUZZ_CHECK(!Blank(v.front()) && !Blank(v.back()), std::string(what) + ": value not trimmed");
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && Blank(s[b])) ++b;
    while (e > b && Blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(12);
    const std::string key = in.ConsumeRandomLengthString(12);
    const std::string value = in.ConsumeRandomLengthString(300);
    const std::string content = in.ConsumeRemainingBytesAsString();
    WriteBeside("Velmorasca.ini", content);
    SettingsFileEnabled = true;

    std::vector<std::string> first;
    for (const Key& k : Keys) {
        const std::string v = ReadSetting(k.section, k.key, k.dflt);
        CheckValue(v, "first read");
        (void)SettingToInt(v, 0);
        (void)LeadingNumber(v);
        first.push_back(v);
    }
    // Seeding is done: every key now reads the same, whatever its default.
    for (size_t i = 0; i < sizeof Keys / sizeof Keys[0]; ++i) {
        const Key& k = Keys[i];
        const std::string again = ReadSetting(k.section, k.key, k.dflt);
        FUZZ_CHECK(again == first[i] || (i > 0 && SameName(k.key, Keys[i - 1].key) && again == first[i - 1]),
                   std::string("a second read of ") + k.section + "/" + k.key + " differs");
        first[i] = again;
    }

    // A write under any name reads back and disturbs no other key.
    const bool stored = ProfileWrite(Beside("Velmorasca.ini"), section, key, value);
    std::string back;
    const bool found = ProfileRead(Beside("Velmorasca.ini"), section, key, back);
    if (stored) {
        std::string want = value.substr(0, value.find_first_of(std::string("\r\n\0", 3)));
        want = Trim(want);
        if (want.size() > ProfileValueMax) want = Trim(want.substr(0, ProfileValueMax));
        FUZZ_CHECK(found && back == want, "a written value does not read back");
    }
    for (size_t i = 0; i < sizeof Keys / sizeof Keys[0]; ++i) {
        const Key& k = Keys[i];
        if (SameName(Trim(section), k.section) && SameName(Trim(key), k.key)) continue;
        std::string v;
        const bool has = ProfileRead(Beside("Velmorasca.ini"), k.section, k.key, v);
        FUZZ_CHECK(has && v == first[i], std::string("a write changed ") + k.section + "/" + k.key);
    }
    return 0;
}
