// The pipe services on the Windows handles. The numbers 0, 1 and 2 stand
// for the standard handles (GetStdHandle); any other number is a C runtime
// descriptor. Standard input from a chess interface is an anonymous pipe:
// PeekNamedPipe tells whether bytes wait, and ReadFile then takes only
// those, so nothing ever blocks. A file or the NUL device is always ready
// (the read gives its bytes or its end). An input that can be neither
// peeked nor read at will - a console, or under Wine a pipe of the Linux
// side, on which PeekNamedPipe is not supported - is read by a helper
// thread into a bounded buffer that the tests and reads below look at;
// the engine itself still runs in one thread.
#include "platform/pipe.h"

#include <io.h>
#include <windows.h>

#include <algorithm>

namespace {

HANDLE HandleOf(int fd);

// The helper thread's side of a standard input read ahead.
struct ReadAhead {
    HANDLE Handle = nullptr;  // the standard input
    HANDLE Thread = nullptr;  // the reading thread
    HANDLE Ready = nullptr;   // manual-reset event: bytes or the end are waiting
    HANDLE Room = nullptr;    // auto-reset event: the buffer has room again
    CRITICAL_SECTION Lock;    // guards Bytes and Ended
    std::string Bytes;        // read, not yet taken; at most ReadAheadMax plus one read
    bool Ended = false;       // the thread met the end of input or a read error
};
constexpr size_t ReadAheadMax = 1 << 20;  // the thread waits while this much is unread
ReadAhead* Ahead = nullptr;               // the read-ahead of standard input, once started
bool AheadDecided = false;                // standard input has been looked at once

DWORD WINAPI ReadAheadLoop(LPVOID) {
    char buf[PipeReadSize];
    for (;;) {
        for (;;) {
            EnterCriticalSection(&Ahead->Lock);
            const bool full = Ahead->Bytes.size() >= ReadAheadMax;
            LeaveCriticalSection(&Ahead->Lock);
            if (!full) break;
            WaitForSingleObject(Ahead->Room, INFINITE);
        }
        DWORD got = 0;
        const BOOL read = ReadFile(Ahead->Handle, buf, sizeof buf, &got, nullptr);
        // A Ctrl+C in a console cuts the read short; it is ignored, as on Linux.
        if (!read && GetLastError() == ERROR_OPERATION_ABORTED) continue;
        const bool ok = read && got > 0;
        EnterCriticalSection(&Ahead->Lock);
        if (ok)
            Ahead->Bytes.append(buf, got);
        else
            Ahead->Ended = true;
        SetEvent(Ahead->Ready);
        LeaveCriticalSection(&Ahead->Lock);
        if (!ok) return 0;
    }
}

bool NeedsReadAhead(HANDLE h) {
    DWORD mode = 0, available = 0;
    switch (GetFileType(h)) {
        case FILE_TYPE_PIPE:
            if (PeekNamedPipe(h, nullptr, 0, nullptr, &available, nullptr)) return false;
            return GetLastError() != ERROR_BROKEN_PIPE;  // broken: the end, found by the peek
        case FILE_TYPE_CHAR:
            return GetConsoleMode(h, &mode) != 0;
        default:
            return false;
    }
}

// The read-ahead for fd when it is standard input and needs one, else null.
ReadAhead* AheadFor(int fd) {
    if (fd != 0) return nullptr;
    if (!AheadDecided) {
        AheadDecided = true;
        HANDLE h = HandleOf(0);
        if (h != nullptr && h != INVALID_HANDLE_VALUE && NeedsReadAhead(h)) {
            auto* a = new ReadAhead;
            a->Handle = h;
            InitializeCriticalSection(&a->Lock);
            a->Ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
            a->Room = CreateEventA(nullptr, FALSE, FALSE, nullptr);
            Ahead = a;
            if (a->Ready != nullptr && a->Room != nullptr)
                a->Thread = CreateThread(nullptr, 0, ReadAheadLoop, nullptr, 0, nullptr);
            if (a->Thread == nullptr) a->Ended = true;  // it cannot be read at all: that is its end
        }
    }
    return Ahead;
}

HANDLE HandleOf(int fd) {
    switch (fd) {
        case 0: return GetStdHandle(STD_INPUT_HANDLE);
        case 1: return GetStdHandle(STD_OUTPUT_HANDLE);
        case 2: return GetStdHandle(STD_ERROR_HANDLE);
        default: return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    }
}

bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

// Bytes waiting in a pipe; false when the pipe is broken (its writer has
// gone) or cannot be peeked.
bool PipeBytes(HANDLE h, DWORD& available) {
    available = 0;
    return PeekNamedPipe(h, nullptr, 0, nullptr, &available, nullptr) != 0;
}

// Ready to read without blocking: bytes, the end, or a handle that is not a
// pipe (a file or NUL: the read reports its bytes or its end).
bool ReadyNow(HANDLE h) {
    if (!Valid(h) || GetFileType(h) != FILE_TYPE_PIPE) return true;
    DWORD available = 0;
    if (!PipeBytes(h, available)) return true;  // broken: the read reports the end
    return available > 0;
}

bool AheadWaiting(ReadAhead* a) {
    EnterCriticalSection(&a->Lock);
    const bool waiting = a->Ended || !a->Bytes.empty();
    LeaveCriticalSection(&a->Lock);
    return waiting;
}

}  // namespace

bool PipeInputReady(int fd, int waitMs) {
    if (waitMs < 0) waitMs = 0;
    if (ReadAhead* a = AheadFor(fd)) {
        if (AheadWaiting(a)) return true;
        WaitForSingleObject(a->Ready, static_cast<DWORD>(waitMs));
        return AheadWaiting(a);
    }
    HANDLE h = HandleOf(fd);
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
    if (ReadAhead* a = AheadFor(fd)) {
        EnterCriticalSection(&a->Lock);
        PipeReadResult r = PipeReadResult::Nothing;
        if (!a->Bytes.empty()) {
            const size_t n = std::min(a->Bytes.size(), PipeReadSize);
            out.assign(a->Bytes, 0, n);
            a->Bytes.erase(0, n);
            r = PipeReadResult::Data;
        } else if (a->Ended) {
            r = PipeReadResult::End;
        }
        if (a->Bytes.empty() && !a->Ended) ResetEvent(a->Ready);
        if (a->Bytes.size() < ReadAheadMax) SetEvent(a->Room);
        LeaveCriticalSection(&a->Lock);
        return r;
    }
    HANDLE h = HandleOf(fd);
    if (!Valid(h)) return PipeReadResult::End;
    DWORD want = PipeReadSize;
    if (GetFileType(h) == FILE_TYPE_PIPE) {
        // Only what is there, so the read never waits for a writer.
        DWORD available = 0;
        if (!PipeBytes(h, available)) return PipeReadResult::End;
        if (available == 0) return PipeReadResult::Nothing;
        want = std::min<DWORD>(want, available);
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
        // reaching whatever object gets the number next. A handle the
        // read-ahead thread is blocked on is left open: closing it could
        // wait for that read; the process ends right after anyway.
        static const DWORD slots[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
        if (!(fd == 0 && Ahead != nullptr && Ahead->Thread != nullptr)) CloseHandle(h);
        SetStdHandle(slots[fd], nullptr);
    } else {
        _close(fd);
    }
}
