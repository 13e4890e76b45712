// Pipe services on file descriptors: waiting for input, one bounded read,
// one framed write.
#pragma once
#include <cstddef>
#include <string>

// Largest read taken in one call.
inline constexpr size_t PipeReadSize = 2048;

// True when fd has something to read (bytes, or its end) within waitMs
// milliseconds (0 = just look). Also true for a descriptor that is not
// open, so that the next read reports the end.
bool PipeInputReady(int fd, int waitMs);

enum class PipeReadResult { Data,
                            Nothing,
                            End };

// One read(2) of at most PipeReadSize bytes into out (replaced). Data when
// bytes came, Nothing when none were there (a non-blocking descriptor),
// End at end of input or on a read error.
PipeReadResult PipeRead(int fd, std::string& out);

// Writes all of data with one write(2) call, repeated only for the rest of a
// partial write or after an interrupted one. False when the write fails.
bool PipeWriteAll(int fd, const std::string& data);

// Closes fd; a descriptor that is not open is ignored.
void PipeClose(int fd);
