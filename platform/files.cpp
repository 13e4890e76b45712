// Tests on files and folders beside the program, through stat.
#include "platform/files.h"

#include <sys/stat.h>

#include <cstdlib>

bool IsNormalFile(const std::string& path) {
    if (path.empty()) return false;
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FullPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string full(real);
    std::free(real);
    return full;
}
