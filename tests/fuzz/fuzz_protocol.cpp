// Protocol text fed to the command interpreter, once in one piece and once
// cut at points the input chooses: both runs must write the same bytes and
// leave the same game, and the game position must stay sound throughout.
// Thinks run at depth 1 without the clock or the book, so they repeat.
#include <sys/mman.h>
#include <unistd.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "position/variabili.h"
#include "search/analizza.h"
#include "shell/protocol.h"
#include "tests/fuzz/harness.h"

namespace {

int Output = -1;  // a memory file standing in for standard output

void ResetOutput() {
    if (ftruncate(Output, 0) != 0 || lseek(Output, 0, SEEK_SET) != 0) Fail("cannot reset the output file");
}

std::string TakeOutput() {
    std::string out;
    off_t size = lseek(Output, 0, SEEK_END);
    if (size > 0) {
        out.resize(static_cast<size_t>(size));
        if (pread(Output, out.data(), out.size(), 0) != size) Fail("cannot read the output file");
    }
    ResetOutput();
    return out;
}

// "quit" ends the process; a line that would read "quit" is changed.
void DisarmQuit(std::string& text) {
    for (size_t at = text.find("quit"); at != std::string::npos; at = text.find("quit", at + 1)) text[at] = 'Q';
}

struct Outcome {
    std::string output;
    GameState game;
    int16_t moveNumber;
    Bool16 active;
    int16_t colour;
};

Outcome Run(const std::string& text, const std::vector<size_t>& cuts) {
    FreshGame();
    size_t from = 0;
    for (size_t cut : cuts) {
        ParseCommand(text.substr(from, cut - from));
        CheckGameSound("after a piece of protocol text");
        from = cut;
    }
    ParseCommand(text.substr(from));
    ParseCommand("\n");  // ends a last unfinished line, so the next input starts clean
    CheckGameSound("after the protocol text");
    return Outcome{TakeOutput(), CaptureGame(), MoveNumber, EngineActive, EngineColour};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    WriteQuietSettings();
    Output = memfd_create("velmor-fuzz-stdout", 0);
    if (Output < 0 || dup2(Output, STDOUT_FILENO) < 0) Fail("cannot redirect standard output");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const size_t pieces = in.ConsumeIntegralInRange<size_t>(0, 12);
    std::vector<uint16_t> marks;
    for (size_t i = 0; i < pieces; ++i) marks.push_back(in.ConsumeIntegral<uint16_t>());
    std::string text = in.ConsumeRemainingBytesAsString();
    DisarmQuit(text);

    std::vector<size_t> cuts;
    for (uint16_t m : marks) cuts.push_back(text.empty() ? 0 : m % (text.size() + 1));
    std::sort(cuts.begin(), cuts.end());

    const Outcome whole = Run(text, {});
    const Outcome split = Run(text, cuts);
    FUZZ_CHECK(whole.output == split.output, "the replies depend on how the text was cut");
    FUZZ_CHECK(whole.game == split.game, "the game depends on how the text was cut");
    FUZZ_CHECK(whole.moveNumber == split.moveNumber && whole.active == split.active && whole.colour == split.colour,
               "the game state depends on how the text was cut");
    // Every reply is framed: line feed, text, line feed.
    const std::string& out = whole.output;
    for (size_t i = 0; i < out.size();) {
        FUZZ_CHECK(out[i] == '\n', "a reply does not start with a line feed");
        size_t end = out.find('\n', i + 1);
        FUZZ_CHECK(end != std::string::npos, "a reply does not end with a line feed");
        i = end + 1;
    }
    return 0;
}
