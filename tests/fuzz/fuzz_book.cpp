// Book files of any content, loaded from beside the program, and asked for a
// move after random legal histories (sometimes after a set-up position). The
// lines hold no line-end character and are those of the file; an answer is
// a legal move continuing some line, and no answer switches the book off.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "book/book.h"
#include "position/setup.h"
#include "position/variabili.h"
#include "rules/makemove.h"
#include "shell/common.h"
#include "shell/notation.h"
#include "shell/protocol.h"
#include "tests/fuzz/harness.h"

namespace {

// The lines of a file as the book reads them: CR LF, CR or LF end a line.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    bool pending = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            pending = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
            pending = true;
        }
    }
    if (pending) lines.push_back(line);
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    WriteQuietSettings();
    SilenceStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const bool fromFen = in.ConsumeBool();
    const int moves = in.ConsumeIntegralInRange<int>(0, 12);
    std::vector<uint8_t> picks = in.ConsumeBytes<uint8_t>(static_cast<size_t>(moves));
    const std::string file = in.ConsumeRemainingBytesAsString();

    WriteBeside("book.txt", file);
    LoadBook();
    const std::vector<std::string> want = Lines(file);
    FUZZ_CHECK(!BookLines.empty() && BookLines[0].empty(), "entry 0 of the book is not the empty text");
    FUZZ_CHECK(BookLines.size() == want.size() + 1, "the book has another number of lines than the file");
    for (size_t i = 1; i < BookLines.size(); ++i) FUZZ_CHECK(BookLines[i] == want[i - 1], "a book line differs from the file's");

    FreshGame();
    if (fromFen && !SetPositionFromFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"))
        Fail("the set-up position was refused");
    for (uint8_t pick : picks) {
        const std::vector<std::string> legal = LegalGameMoves();
        if (legal.empty()) break;
        const std::string move = legal[pick % legal.size()];
        MoveHistory += move.substr(0, 4);  // as "usermove" records it
        PlayMoveText(move);
    }
    CheckGameSound("before BookMove");
    const GameState before = CaptureGame();
    const size_t roots = RootMoves.size();
    BookEnabled = True;
    const std::string answer = BookMove();
    FUZZ_CHECK(CaptureGame() == before && RootMoves.size() == roots, "BookMove changed the game");
    CheckGameSound("after BookMove");
    if (answer.empty()) {
        FUZZ_CHECK(BookEnabled == False, "no book move but the book is still on");
        return 0;
    }
    FUZZ_CHECK(BookEnabled != False, "a book move switched the book off");
    FUZZ_CHECK(IsLegalGameMove(answer), "the book answered a move that is not legal: " + answer);
    bool continues = false;
    for (size_t i = 1; i < BookLines.size() && !continues; ++i) {
        const std::string& line = BookLines[i];
        continues = line.compare(0, MoveHistory.size() + answer.size(), MoveHistory + answer) == 0 &&
                    line.size() >= MoveHistory.size() + answer.size();
    }
    FUZZ_CHECK(continues, "the book answered a move that continues no line: " + answer);
    return 0;
}
