// Where the files live on POSIX systems: beside a portable copy, in the
// user's XDG folders for an installed one.
#include "platform/filelocations.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/files.h"
#include "platform/folder.h"

namespace {

const char* const AppFolder = "velmorasca";
// Longest stretch of the shipped book copied in one read.
constexpr size_t CopyChunk = 65536;

// The user's home: $HOME, else the password database; empty when neither knows.
std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return found->pw_dir;
    return std::string();
}

// An XDG base folder: the variable when it holds an absolute path (relative
// ones are ignored, as the XDG rules ask), else home + fallback; empty when
// there is no home either.
std::string BaseFolder(const char* variable, const std::string& home, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') return value;
    return home.empty() ? std::string() : home + fallback;
}

// Creates folder and its missing parents, each readable by its owner only.
void MakeFolders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!IsFolder(part) && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;
        if (slash == std::string::npos) return;
    }
}

// Copies from to a new file to, through a temporary file in the same folder
// so that a second engine starting at the same moment never reads half a book.
void CopyFile(const std::string& from, const std::string& to) {
    FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) return;
    const std::string temporary = to + ".part" + std::to_string(getpid());
    FILE* out = std::fopen(temporary.c_str(), "wb");
    bool ok = out != nullptr;
    if (out) {
        std::vector<char> chunk(CopyChunk);
        size_t got;
        while (ok && (got = std::fread(chunk.data(), 1, chunk.size(), in)) > 0)
            ok = std::fwrite(chunk.data(), 1, got, out) == got;
        ok = std::fclose(out) == 0 && ok;
    }
    std::fclose(in);
    if (!ok || std::rename(temporary.c_str(), to.c_str()) != 0) std::remove(temporary.c_str());
}

std::string Parent(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

namespace {

EngineFiles LocateEngineFiles() {
    EngineFiles files;
    // 1. Beside the program, unless the program is an installed one.
    const std::string folder = ProgramFolder();
    files.settings = folder + "/Velmorasca.ini";
    files.log = folder + "/Velmorasca.log";
    files.book = folder + "/book.txt";

    // 2. Installed: the program in <P>/games, <P>/share/games/velmorasca beside it.
    const std::string gamesTail = "/games";
    if (folder.size() < gamesTail.size() ||
        folder.compare(folder.size() - gamesTail.size(), gamesTail.size(), gamesTail) != 0)
        return files;
    const std::string prefix = folder.substr(0, folder.size() - gamesTail.size());
    const std::string shared = prefix + "/share/games/" + AppFolder;
    if (!IsFolder(shared)) return files;

    // 3. The user's folders; with no home to derive them from, beside the program.
    const std::string home = HomeFolder();
    const std::string config = BaseFolder("XDG_CONFIG_HOME", home, "/.config");
    const std::string state = BaseFolder("XDG_STATE_HOME", home, "/.local/state");
    const std::string data = BaseFolder("XDG_DATA_HOME", home, "/.local/share");
    if (config.empty() || state.empty() || data.empty()) return files;
    files.installed = true;
    files.settings = config + "/" + AppFolder + "/Velmorasca.ini";
    files.log = state + "/" + AppFolder + "/Velmorasca.log";
    files.book = data + "/" + AppFolder + "/book.txt";
    files.defaultBook = shared + "/book.txt";
    return files;
}

}  // namespace

const EngineFiles& EngineFileLocations() {
    static const EngineFiles files = LocateEngineFiles();
    return files;
}

const EngineFiles& PreparedEngineFiles() {
    static const EngineFiles& files = []() -> const EngineFiles& {
        const EngineFiles& found = EngineFileLocations();
        if (found.installed) {
            for (const std::string* path : {&found.settings, &found.log, &found.book}) MakeFolders(Parent(*path));
            if (!IsNormalFile(found.book) && IsNormalFile(found.defaultBook)) CopyFile(found.defaultBook, found.book);
        }
        return found;
    }();
    return files;
}
