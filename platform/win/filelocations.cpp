// Where the files live on Windows: always beside the program.
#include "platform/filelocations.h"

#include "platform/folder.h"

const EngineFiles& EngineFileLocations() {
    static const EngineFiles files = [] {
        EngineFiles beside;
        const std::string folder = ProgramFolder();
        beside.settings = folder + "\\Velmorasca.ini";
        beside.log = folder + "\\Velmorasca.log";
        beside.book = folder + "\\book.txt";
        return beside;
    }();
    return files;
}

// Nothing to make ready: the program's own folder is there.
const EngineFiles& PreparedEngineFiles() { return EngineFileLocations(); }
