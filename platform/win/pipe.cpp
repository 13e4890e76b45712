// The pipe services on the Windows handles. The numbers 0, 1 and 2 stand
// for the standard handles (GetStdHandle); any other number is a C runtime
// descriptor. Standard input may be an anonymous pipe (a chess interface),
// a file, the NUL device or a console; each gets a test that never blocks,
// so that a read after a "ready" returns at once.
#include "platform/pipe.h"

#include <io.h>
#include <windows.h>

#include <algorithm>

namespace {

HANDLE HandleOf(int fd) {
    switch (fd) {
        case 0: return GetStdHandle(STD_INPUT_HANDLE);
        case 1: return GetStdHandle(STD_OUTPUT_HANDLE);
        case 2: return GetStdHandle(STD_ERROR_HANDLE);
        default: return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    }
}

bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

// A console's input buffer: ready when a line is complete, that is when a
// key-down of Enter waits, so that the line-mode read that follows returns
// at once. Other events (mouse, focus, keys of an unfinished line) are left
// for that read.
bool ConsoleLineWaiting(HANDLE h) {
    DWORD count = 0;
    if (!GetNumberOfConsoleInputEvents(h, &count) || count == 0) return false;
    INPUT_RECORD records[128];
    DWORD got = 0;
    if (!PeekConsoleInputA(h, records, std::min<DWORD>(count, 128), &got)) return false;
    for (DWORD i = 0; i < got; ++i)
        if (records[i].EventType == KEY_EVENT && records[i].Event.KeyEvent.bKeyDown &&
            records[i].Event.KeyEvent.uChar.AsciiChar == '\r')
            return true;
    return false;
}

bool IsConsoleInput(HANDLE h) {
    DWORD mode = 0;
    return GetFileType(h) == FILE_TYPE_CHAR && GetConsoleMode(h, &mode);
}

// Bytes waiting in a pipe; false when the pipe is broken (its writer has
// gone) or the handle is not a pipe.
bool PipeBytes(HANDLE h, DWORD& available) {
    available = 0;
    return PeekNamedPipe(h, nullptr, 0, nullptr, &available, nullptr) != 0;
}

// Ready to read without blocking: bytes, the end, or a handle that is not a
// pipe at all (a file or NUL: the read reports its bytes or its end).
bool ReadyNow(HANDLE h) {
    if (!Valid(h)) return true;
    switch (GetFileType(h)) {
        case FILE_TYPE_PIPE: {
            DWORD available = 0;
            if (!PipeBytes(h, available)) return true;  // broken: the read reports the end
            return available > 0;
        }
        case FILE_TYPE_CHAR:
            return IsConsoleInput(h) ? ConsoleLineWaiting(h) : true;
        default:
            return true;
    }
}

}  // namespace

bool PipeInputReady(int fd, int waitMs) {
    HANDLE h = HandleOf(fd);
    if (waitMs < 0) waitMs = 0;
    // Anonymous pipes cannot be waited on, so they are looked at every few
    // milliseconds until the time is up.
    const DWORD start = GetTickCount();
    for (;;) {
        if (ReadyNow(h)) return true;
        const DWORD spent = GetTickCount() - start;
        if (spent >= static_cast<DWORD>(waitMs)) return false;
        Sleep(std::min<DWORD>(5, static_cast<DWORD>(waitMs) - spent));
    }
}

PipeReadResult PipeRead(int fd, std::string& out) {
    out.clear();
    HANDLE h = HandleOf(fd);
    if (!Valid(h)) return PipeReadResult::End;
    DWORD want = PipeReadSize;
    if (GetFileType(h) == FILE_TYPE_PIPE) {
        // Only what is there, so the read never waits for a writer.
        DWORD available = 0;
        if (!PipeBytes(h, available)) return PipeReadResult::End;
        if (available == 0) return PipeReadResult::Nothing;
        want = std::min<DWORD>(want, available);
    } else if (IsConsoleInput(h) && !ConsoleLineWaiting(h)) {
        return PipeReadResult::Nothing;
    }
    char buf[PipeReadSize];
    DWORD got = 0;
    if (!ReadFile(h, buf, want, &got, nullptr) || got == 0) return PipeReadResult::End;
    out.assign(buf, got);
    return PipeReadResult::Data;
}

bool PipeWriteAll(int fd, const std::string& data) {
    HANDLE h = HandleOf(fd);
    if (!Valid(h)) return false;
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(left, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(h, p, chunk, &written, nullptr) || written == 0) return false;
        p += written;
        left -= written;
    }
    return true;
}

void PipeClose(int fd) {
    HANDLE h = HandleOf(fd);
    if (!Valid(h)) return;
    if (fd >= 0 && fd <= 2) {
        // The slot forgets the handle, so a later use fails instead of
        // reaching whatever object gets the number next.
        static const DWORD slots[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
        CloseHandle(h);
        SetStdHandle(slots[fd], nullptr);
    } else {
        _close(fd);
    }
}
