// Cutting successive pipe reads into complete lines; the case of their words.
#include "shell/lines.h"

void FeedLines(LineSplitter& s, std::string_view text, const std::function<void(std::string&&)>& onLine,
               const std::function<void(size_t)>& onDropped) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        size_t stop = end == std::string_view::npos ? text.size() : end;
        std::string_view piece = text.substr(pos, stop - pos);
        if (s.Dropping) {
            s.DroppedLength += piece.size();
        } else if (s.Tail.size() + piece.size() > MaxLineLength) {
            s.Dropping = true;
            s.DroppedLength = s.Tail.size() + piece.size();
            s.Tail.clear();
            s.Tail.shrink_to_fit();
        } else {
            s.Tail.append(piece);
        }
        if (end == std::string_view::npos) break;
        if (s.Dropping) {
            size_t n = s.DroppedLength;
            s.Dropping = false;
            s.DroppedLength = 0;
            onDropped(n);
        } else {
            std::string line;
            line.swap(s.Tail);
            onLine(std::move(line));
        }
        pos = end + 1;
    }
}

std::string AsciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}
