// Where the engine keeps its settings file, its log and its opening book.
#pragma once
#include <string>

// The three files and the use they were chosen for.
struct EngineFiles {
    bool installed = false;   // true: an installed copy, files in the user's folders
    std::string settings;     // Velmorasca.ini
    std::string log;          // Velmorasca.log
    std::string book;         // book.txt
    std::string defaultBook;  // the shipped book an installed copy starts from; empty when portable
};

// The files of the running program, decided once, at the first call, with
// nothing created. A copy whose resolved folder is <P>/games beside an
// existing folder <P>/share/games/velmorasca is installed: its files are
// $XDG_CONFIG_HOME/velmorasca/Velmorasca.ini (default ~/.config),
// $XDG_STATE_HOME/velmorasca/Velmorasca.log (default ~/.local/state) and
// $XDG_DATA_HOME/velmorasca/book.txt (default ~/.local/share). Any other
// copy (and every copy on Windows) is portable and keeps them beside itself.
const EngineFiles& EngineFileLocations();

// The same files, made ready for use at the first call: for an installed
// copy the three folders are created and a missing book is copied from the
// shipped one. Whoever reads or writes one of the files goes through here.
const EngineFiles& PreparedEngineFiles();
