// Pipe reads that must tell "nothing yet" from "the end", framed writes,
// and starting a viewer that may not exist.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "platform/pipe.h"
#include "platform/viewer.h"

namespace {

TEST(Pipe, NothingIsNotTheEnd) {
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_NONBLOCK), 0);
    std::string got = "stale";
    EXPECT_FALSE(PipeInputReady(fds[0], 0));
    EXPECT_EQ(PipeRead(fds[0], got), PipeReadResult::Nothing);
    EXPECT_EQ(got, "");

    std::string big(5000, 'z');
    ASSERT_TRUE(PipeWriteAll(fds[1], big));
    EXPECT_TRUE(PipeInputReady(fds[0], 50));
    EXPECT_EQ(PipeRead(fds[0], got), PipeReadResult::Data);
    EXPECT_EQ(got.size(), PipeReadSize);  // one read never takes more

    PipeClose(fds[1]);
    size_t total = got.size();
    while (PipeRead(fds[0], got) == PipeReadResult::Data) total += got.size();
    EXPECT_EQ(total, big.size());
    EXPECT_TRUE(PipeInputReady(fds[0], 0));  // the end is something to read
    EXPECT_EQ(PipeRead(fds[0], got), PipeReadResult::End);
    PipeClose(fds[0]);
    EXPECT_TRUE(PipeInputReady(fds[0], 0));  // a closed descriptor reads as the end
    EXPECT_EQ(PipeRead(fds[0], got), PipeReadResult::End);
}

TEST(Pipe, WritingToAClosedReaderFails) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    PipeClose(fds[0]);
    auto old = signal(SIGPIPE, SIG_IGN);
    EXPECT_FALSE(PipeWriteAll(fds[1], "\nmove e2e4\n"));
    signal(SIGPIPE, old);
    PipeClose(fds[1]);
}

TEST(Viewer, StartsOrSaysItCannot) {
    EXPECT_TRUE(StartViewer("/dev/null", "true"));
    EXPECT_FALSE(StartViewer("/dev/null", "/no/such/viewer"));
    EXPECT_FALSE(StartViewer("", "true"));
}

}  // namespace
