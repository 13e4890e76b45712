// The running program's folder on Windows, from its module file name.
#include "platform/folder.h"

#include <windows.h>

#include <vector>

std::string ProgramFolder() {
    static std::string folder = [] {
        // The module file name of the program (not of a DLL that asks); a
        // long path needs a larger buffer than MAX_PATH.
        std::vector<char> buf(MAX_PATH + 1);
        for (;;) {
            DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
            if (n == 0) return std::string(".");
            if (n < buf.size()) {
                std::string path(buf.data(), n);
                size_t sep = path.find_last_of("\\/");
                if (sep == std::string::npos) return std::string(".");
                return path.substr(0, sep);
            }
            if (buf.size() >= 32768) return std::string(".");
            buf.resize(buf.size() * 2);
        }
    }();
    return folder;
}
