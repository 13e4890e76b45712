// Cutting the text of successive pipe reads into lines, and the case of
// the words read from them.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Longest line kept; a longer one is dropped whole.
inline constexpr size_t MaxLineLength = 65536;

// The unfinished tail of the reads so far. A carriage return or a line feed
// ends a line (so CR LF gives the line and an empty one).
struct LineSplitter {
    std::string Tail;          // text after the last line end, at most MaxLineLength bytes
    bool Dropping = false;     // the current line grew too long and is being skipped
    size_t DroppedLength = 0;  // bytes of the line being skipped so far
};

// Appends text to the splitter: every line it completes goes to onLine, in
// order; every overlong line, once its end arrives, goes to onDropped with
// its length instead. Memory stays bounded by MaxLineLength whatever comes.
void FeedLines(LineSplitter& s, std::string_view text, const std::function<void(std::string&&)>& onLine,
               const std::function<void(size_t)>& onDropped);

// s with the ASCII capitals lower-cased: commands, switches and move texts
// are matched in any case; other bytes stay as they are.
std::string AsciiLower(std::string s);
