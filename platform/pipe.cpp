// Pipe services on POSIX file descriptors: waiting for input, bounded reads, whole writes.
#include "platform/pipe.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

bool PipeInputReady(int fd, int waitMs) {
    if (waitMs < 0) waitMs = 0;
    struct pollfd p {};
    p.fd = fd;
    p.events = POLLIN;
    for (;;) {
        int n = poll(&p, 1, waitMs);
        if (n > 0) return (p.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
        if (n == 0) return false;
        if (errno != EINTR) return true;  // let the read report the failure as the end
        waitMs = 0;                       // interrupted: look once more without waiting
    }
}

PipeReadResult PipeRead(int fd, std::string& out) {
    char buf[PipeReadSize];
    out.clear();
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) {
            out.assign(buf, static_cast<size_t>(n));
            return PipeReadResult::Data;
        }
        if (n == 0) return PipeReadResult::End;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return PipeReadResult::Nothing;
        return PipeReadResult::End;
    }
}

bool PipeWriteAll(int fd, const std::string& data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n > 0) {
            p += n;
            left -= static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

void PipeClose(int fd) { close(fd); }
