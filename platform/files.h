// Tests on files the engine keeps beside itself.
#pragma once
#include <string>

// True when path names an existing normal file: on Linux a regular file
// (a symbolic link is followed); on Windows a file that is neither a
// folder, nor hidden, nor a system file. False for the empty path.
bool IsNormalFile(const std::string& path);

// True when path names an existing folder.
bool IsFolder(const std::string& path);

// The absolute form of path; path itself when it cannot be worked out.
std::string FullPath(const std::string& path);
