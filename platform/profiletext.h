// How both settings back ends read names and values: blanks, tabs and a
// carriage return around them do not count.
#pragma once
#include <string>

inline bool IsProfileBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

inline std::string TrimProfileText(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsProfileBlank(s[b])) ++b;
    while (e > b && IsProfileBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}
