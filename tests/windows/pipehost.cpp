// pipehost.exe PROGRAM [ARGUMENTS...]: runs the program on real Windows anonymous pipes, as WinBoard
// does (under Wine a program started from Linux gets Linux pipes, where PeekNamedPipe fails), relaying
// pipehost's standard input and output; standard error is passed on. It ends when the program has
// closed its output and ended, with its exit status (2 when it could not be started).
#include <windows.h>

#include <cstdio>

namespace {

HANDLE ChildInput = nullptr;  // pipehost's end of the program's input pipe

bool Relay(HANDLE from, HANDLE to) {
    char buf[4096];
    DWORD got = 0, put = 0;
    if (!ReadFile(from, buf, sizeof buf, &got, nullptr) || got == 0) return false;
    for (DWORD done = 0; done < got; done += put) {
        if (!WriteFile(to, buf + done, got - done, &put, nullptr) || put == 0) return false;
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
    // The command line after the first word, pipehost's own name (quoted or not).
    const char* command = GetCommandLineA();
    const bool quoted = *command == '"';
    for (command += quoted; *command && (quoted ? *command != '"' : *command != ' ' && *command != '\t');) ++command;
    for (command += quoted && *command; *command == ' ' || *command == '\t';) ++command;

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE inRead, outRead, outWrite, errWrite = nullptr;
    if (!*command || !CreatePipe(&inRead, &ChildInput, &inherit, 0) || !CreatePipe(&outRead, &outWrite, &inherit, 0))
        return 2;
    SetHandleInformation(ChildInput, HANDLE_FLAG_INHERIT, 0);
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
    if (HANDLE feeder = CreateThread(nullptr, 0, FeedInput, nullptr, 0, nullptr)) CloseHandle(feeder);
    while (Relay(outRead, GetStdHandle(STD_OUTPUT_HANDLE))) {
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD status = 2;
    GetExitCodeProcess(pi.hProcess, &status);
    ExitProcess(status);
}
