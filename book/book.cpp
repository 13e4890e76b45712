// The opening book: each line of book.txt is one opening from the start
// position in 4-character moves; every line that continues the game so far
// is one vote for its next move.
#include "book/book.h"

#include <cstdio>
#include <cstdlib>

#include "position/gamestate.h"
#include "rules/makemove.h"
#include "shell/common.h"

std::vector<std::string> BookLines(1);

void LoadBook() {
    // 1.-2.
    BookLines.assign(1, std::string());
    const std::string path = BookFilePath();
    // 3. A missing book is created empty.
    if (!FileExists(path)) {
        if (FILE* f = std::fopen(path.c_str(), "a")) std::fclose(f);
    }
    // 4. One entry per line; a line ends at CR LF, CR or LF. The file is
    //    read in one piece and split in memory: reading it a character at a
    //    time made start-up with a large book slow.
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;
    std::string text;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, got);
    std::fclose(f);
    size_t lineStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') continue;
        BookLines.emplace_back(text, lineStart, i - lineStart);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        lineStart = i + 1;
    }
    // A last line without its line end is kept too.
    if (lineStart < text.size()) BookLines.emplace_back(text, lineStart, text.size() - lineStart);
}

std::string BookMove() {
    // 1.-4. Candidates: the rest of every line that continues the history.
    std::vector<std::string> candidates;
    const size_t n = MoveHistory.size();
    for (size_t i = 1; i < BookLines.size(); ++i) {
        const std::string& line = BookLines[i];
        std::string rest;
        if (n > 0) {
            if (line.size() <= n || line.compare(0, n, MoveHistory) != 0) continue;
            rest = line.substr(n);
        } else {
            rest = line;
        }
        // A continuation that is not a legal move here is no candidate.
        if (!IsLegalGameMove(rest.substr(0, 4))) continue;
        candidates.push_back(std::move(rest));
    }
    // 5. No candidate switches the book off for good.
    const size_t k = candidates.size();
    if (k == 0) {
        BookEnabled = False;
        return "";
    }
    size_t choice = 0;
    if (k > 1) {
        const double r = std::rand() / (static_cast<double>(RAND_MAX) + 1.0);
        choice = static_cast<size_t>(r * static_cast<double>(k));
        if (choice >= k) choice = k - 1;
    }
    // 6.
    return candidates[choice].substr(0, 4);
}
