// Opening a file in the desktop's viewer on Windows.
#include "platform/viewer.h"

#include <windows.h>

#include <vector>

bool StartViewer(const std::string& file, const std::string& program) {
    if (file.empty() || program.empty() || file.find('"') != std::string::npos) return false;
    // "notepad " and the file, quoted so that a folder with blanks in its
    // name stays one argument. No handles are inherited and the viewer is
    // not waited for.
    std::string line = program + " \"" + file + "\"";
    std::vector<char> command(line.begin(), line.end());
    command.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}
