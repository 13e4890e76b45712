// Where the files live on Windows: always beside the program.
#include "platform/filelocations.h"

#include "platform/folder.h"

EngineFiles LocateEngineFiles() {
    EngineFiles files;
    const std::string folder = ProgramFolder();
    files.settings = folder + "\\Velmorasca.ini";
    files.log = folder + "\\Velmorasca.log";
    files.book = folder + "\\book.txt";
    return files;
}

const EngineFiles& EngineFileLocations() {
    static const EngineFiles files = LocateEngineFiles();
    return files;
}
