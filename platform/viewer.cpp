// Opening a file in the desktop's viewer on POSIX.
#include "platform/viewer.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace {

// In the grandchild: silence the standard handles and run the viewer.
[[noreturn]] void RunViewer(const std::string& file, const std::string& program, int reportFd) {
    int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        if (null > 2) close(null);
    }
    const char* argv[] = {program.c_str(), file.c_str(), nullptr};
    execvp(argv[0], const_cast<char* const*>(argv));
    int err = errno;
    ssize_t ignored = write(reportFd, &err, sizeof err);
    (void)ignored;
    _exit(127);
}

}  // namespace

bool StartViewer(const std::string& file, const std::string& program) {
    if (file.empty() || program.empty()) return false;
    // The report pipe closes on a successful exec, so an empty read means
    // the viewer runs; an exec failure sends its errno first.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return false;
    pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (child == 0) {
        // The intermediate child forks the viewer and leaves at once, so the
        // viewer is adopted by init and never becomes our zombie.
        close(report[0]);
        setsid();
        pid_t grandchild = fork();
        if (grandchild == 0) RunViewer(file, program, report[1]);
        if (grandchild < 0) {
            int err = errno;
            ssize_t ignored = write(report[1], &err, sizeof err);
            (void)ignored;
        }
        _exit(0);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    do {
        n = read(report[0], &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    close(report[0]);
    return n == 0;
}
