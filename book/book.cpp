// The opening book: each line of book.txt is one opening from the start
// position in 4-character moves; every line that continues the game so far
// is one vote for its next move.
#include "book/book.h"

#include <cstdio>
#include <cstdlib>

#include "rules/makemove.h"
#include "shell/common.h"
#include "shell/protocol.h"

std::vector<std::string> BookLines(1);

void LoadBook() {
    // 1.-2.
    BookLines.assign(1, std::string());
    const std::string path = BookFilePath();
    // 3. A missing book is created empty.
    if (!FileExists(path)) {
        if (FILE* f = std::fopen(path.c_str(), "a")) std::fclose(f);
    }
    // 4. One entry per line; a line ends at CR LF, CR or LF.
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;
    std::string line;
    bool pending = false;  // a line has begun and is not yet stored
    int c;
    while ((c = std::fgetc(f)) != EOF) {
        if (c == '\r' || c == '\n') {
            BookLines.push_back(line);
            line.clear();
            pending = false;
            if (c == '\r') {
                int next = std::fgetc(f);
                if (next != '\n' && next != EOF) std::ungetc(next, f);
            }
        } else {
            line += static_cast<char>(c);
            pending = true;
        }
    }
    if (pending) BookLines.push_back(line);
    std::fclose(f);
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
