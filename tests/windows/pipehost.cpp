// pipehost.exe: starts a program on real Windows anonymous pipes, as a
// chess interface such as WinBoard does, and relays its own standard input
// and output to them. Under Wine the standard handles of a program started
// from Linux are Linux pipes, on which PeekNamedPipe is not supported; the
// engine behind pipehost sees the same pipes it gets on Windows.
//
//   pipehost.exe PROGRAM [ARGUMENTS...]
//
// The rest of pipehost's own command line, quoting and all, is the
// program's command line. Its standard error is passed on unchanged. The
// end of pipehost's input closes the program's input; pipehost ends when
// the program has closed its output and ended, with the program's exit
// status (2 when it could not be started).
#include <windows.h>

#include <cstdio>

namespace {

HANDLE ChildInput = nullptr;  // pipehost's end of the program's input pipe

// Everything after the first word (pipehost's own name) of the command line.
const char* RestOfCommandLine() {
    const char* p = GetCommandLineA();
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

bool Relay(HANDLE from, HANDLE to) {
    char buf[4096];
    DWORD got = 0;
    if (!ReadFile(from, buf, sizeof buf, &got, nullptr) || got == 0) return false;
    for (DWORD done = 0; done < got;) {
        DWORD put = 0;
        if (!WriteFile(to, buf + done, got - done, &put, nullptr) || put == 0) return false;
        done += put;
    }
    return true;
}

DWORD WINAPI FeedInput(LPVOID) {
    while (Relay(GetStdHandle(STD_INPUT_HANDLE), ChildInput)) {
    }
    CloseHandle(ChildInput);  // the program reads the end of its input
    return 0;
}

}  // namespace

int main() {
    const char* command = RestOfCommandLine();
    if (*command == 0) {
        std::fprintf(stderr, "usage: pipehost.exe PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE inRead, inWrite, outRead, outWrite, errWrite;
    if (!CreatePipe(&inRead, &inWrite, &inherit, 0) || !CreatePipe(&outRead, &outWrite, &inherit, 0)) return 2;
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE), GetCurrentProcess(), &errWrite, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        errWrite = nullptr;

    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    char line[32768];
    lstrcpynA(line, command, sizeof line);
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "pipehost: cannot start %s (error %lu)\n", command, GetLastError());
        return 2;
    }
    CloseHandle(pi.hThread);
    CloseHandle(inRead);
    CloseHandle(outWrite);
    if (errWrite) CloseHandle(errWrite);

    ChildInput = inWrite;
    HANDLE feeder = CreateThread(nullptr, 0, FeedInput, nullptr, 0, nullptr);
    if (feeder) CloseHandle(feeder);
    while (Relay(outRead, GetStdHandle(STD_OUTPUT_HANDLE))) {
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD status = 2;
    GetExitCodeProcess(pi.hProcess, &status);
    ExitProcess(status);
}
