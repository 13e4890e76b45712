// Pipe I/O on the standard handles: the input poll, bounded reads and framed output lines.
#include "shell/comm.h"

#include <unistd.h>

#include "platform/pipe.h"

namespace {
constexpr int InputFd = STDIN_FILENO;
constexpr int OutputFd = STDOUT_FILENO;
}  // namespace

bool InputEnded = false;

Bool16 InputWaiting(int waitMs) {
    if (InputEnded) return True;
    return PipeInputReady(InputFd, waitMs) ? True : False;
}

std::string ReadInput() {
    std::string text;
    if (InputEnded) return text;
    if (PipeRead(InputFd, text) == PipeReadResult::End) {
        InputEnded = true;
        text.clear();
    }
    return text;
}

std::string SendLine(const std::string& text) {
    std::string framed;
    framed.reserve(text.size() + 2);
    framed += '\n';
    framed += text;
    framed += '\n';
    PipeWriteAll(OutputFd, framed);  // a closed interface is not reported
    return framed;
}

void SendPlainLine(const std::string& text) {
    std::string line;
    line.reserve(text.size() + 1);
    line += text;
    line += '\n';
    PipeWriteAll(OutputFd, line);
}

void CloseStandardHandles() {
    PipeClose(InputFd);
    PipeClose(OutputFd);
}
