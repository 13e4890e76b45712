// The running program's folder on POSIX, read from the process's own executable link.
#include "platform/folder.h"

#include <unistd.h>

#include <climits>

std::string ProgramFolder() {
    static std::string folder = [] {
        char buf[PATH_MAX + 1];
        ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
        if (n <= 0) return std::string(".");
        std::string path(buf, static_cast<size_t>(n));
        size_t slash = path.rfind('/');
        if (slash == std::string::npos) return std::string(".");
        if (slash == 0) return std::string("/");
        return path.substr(0, slash);
    }();
    return folder;
}
