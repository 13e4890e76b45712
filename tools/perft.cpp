// velmorasca-perft: counts the leaf positions reached by the moves the
// engine itself accepts, through the same generation, making and unmaking
// as the search.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "position/generate.h"
#include "position/mossedeipezzi.h"
#include "position/setup.h"
#include "position/variabili.h"
#include "rules/makemove.h"
#include "rules/perft.h"
#include "shell/common.h"
#include "shell/notation.h"

namespace {

const char* StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";


int Usage(const char* why) {
    std::fprintf(stderr, "velmorasca-perft: %s\nusage: velmorasca-perft [--divide] DEPTH [FEN]\n", why);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool divide = false;
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "--divide") == 0) {
        divide = true;
        ++arg;
    }
    if (arg >= argc) return Usage("missing DEPTH");
    char* end = nullptr;
    long depth = std::strtol(argv[arg], &end, 10);
    if (end == argv[arg] || *end != 0 || depth < 1 || depth > 20) return Usage("DEPTH must be a whole number from 1 to 20");
    ++arg;
    std::string fen = StartFen;
    if (arg < argc) {
        fen = argv[arg++];
        while (arg < argc) fen += std::string(" ") + argv[arg++];
    }
    // The tool never touches the engine's settings file; castling follows the FEN.
    SettingsFileEnabled = false;
    std::string why;
    if (!SetPositionFromFen(fen, &why)) {
        std::fprintf(stderr, "velmorasca-perft: bad FEN (%s): %s\n", why.c_str(), fen.c_str());
        return 1;
    }
    CastleRights = 3;
    Ply = 0;
    const int32_t t0 = TickCount();
    uint64_t total = 0;
    if (divide) {
        GenerateMoves();
        const int n = MoveCount[0];
        for (int i = 0; i < n; ++i) {
            const MoveRecord m = MoveList[0][MoveCount[0]];
            if (MakeMove()) {
                EnterPly();
                uint64_t count = Perft(static_cast<int>(depth) - 1);
                LeavePly();
                static const char* letters[5] = {"", "q", "r", "b", "n"};
                std::printf("%s%s: %llu\n", MoveToText(m.Piece, m.MoveCode).c_str(), letters[m.Promotion <= 4 ? m.Promotion : 0],
                            static_cast<unsigned long long>(count));
                total += count;
            }
            PopMove();
        }
    } else {
        total = Perft(static_cast<int>(depth));
    }
    const int32_t ms = TickCount() - t0;
    std::fprintf(stderr, "%d ms, %.0f leaves/s\n", ms, ms > 0 ? total * 1000.0 / ms : 0.0);
    std::printf("%llu\n", static_cast<unsigned long long>(total));
    return 0;
}
