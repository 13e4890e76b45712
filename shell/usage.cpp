// The texts of --version and --help.
#include "shell/usage.h"

#include <cstdio>
#include <string>

#include "platform/filelocations.h"
#include "shell/version.h"

namespace {

int Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int PrintVersion() { return Print(std::string("Velmorasca ") + EngineVersion + "\n"); }

int PrintHelp() {
    // What this very copy uses (nothing is created for it).
    const EngineFiles& here = EngineFileLocations();
    std::string text = std::string("Velmorasca ") + EngineVersion + ", a chess engine.\n" +
                       "\n"
                       "Usage:\n"
                       "  velmorasca             the engine's own window, for use by hand\n"
                       "  velmorasca xboard      the xboard (CECP) protocol on standard input and output\n"
                       "                         (also /xboard or -xboard, in any case)\n"
                       "  velmorasca uci         the UCI protocol (also /uci or -uci)\n"
                       "  velmorasca-uci         the UCI protocol: any name ending in -uci starts it,\n"
                       "                         for interfaces that cannot pass an argument\n"
                       "  velmorasca --version   prints the version\n"
                       "  velmorasca --help      prints this text\n"
                       "\n"
                       "Files (settings Velmorasca.ini, log Velmorasca.log, opening book book.txt):\n"
                       "  portable copy:  beside the program, in its own folder\n"
                       "  installed copy (the program in <prefix>/games with <prefix>/share/games/velmorasca):\n"
                       "    settings  $XDG_CONFIG_HOME/velmorasca/Velmorasca.ini  (default ~/.config)\n"
                       "    log       $XDG_STATE_HOME/velmorasca/Velmorasca.log   (default ~/.local/state)\n"
                       "    book      $XDG_DATA_HOME/velmorasca/book.txt          (default ~/.local/share),\n"
                       "              first copied from <prefix>/share/games/velmorasca/book.txt\n"
                       "  on Windows:     always beside the program\n"
                       "\n" +
                       "This copy is " + (here.installed ? "installed" : "portable") + ":\n" +
                       "  settings  " + here.settings + "\n" +
                       "  log       " + here.log + "\n" +
                       "  book      " + here.book + "\n" +
                       "\n"
                       "Settings (section/key = default), written with the default when missing:\n"
                       "  Log/Enabled = 0          kept for the user; nothing depends on it\n"
                       "  Log/Level = 0            log detail: 0 none, 1 normal, 2 debug, 3 extra debug, 4 all\n"
                       "  Book/Enabled = 1         1: play from the opening book\n"
                       "  Time/Enabled = 1         1: think by the clock; otherwise to the depth\n"
                       "  General/Profondita = 4   search depth in plies (the window's default is 2)\n"
                       "  General/CanCastle = 1    castling rights of a new game, 0 to 3\n"
                       "                           (3 when a FEN position is set up)\n"
                       "  Print/Position = N       S: print the board to the log after every move\n"
                       "\n"
                       "See the manual page velmorasca(6).\n";
    return Print(text);
}
