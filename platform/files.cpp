#include "platform/files.h"

#include <sys/stat.h>

bool IsNormalFile(const std::string& path) {
    if (path.empty()) return false;
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
