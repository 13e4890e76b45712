// The settings file read and written as INI text by the engine itself (the POSIX back end).
#include "platform/profile.h"
#include "platform/profiletext.h"

#include "platform/pipe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace {

std::string Trim(const std::string& s) { return TrimProfileText(s); }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// What one line of the file is.
struct Line {
    enum Kind { Other,
                Section,
                Key } kind = Other;
    std::string name;   // section or key name, trimmed
    std::string value;  // key value, trimmed
};

Line Classify(const std::string& raw) {
    Line l;
    std::string t = Trim(raw);
    if (t.empty() || t[0] == ';' || t[0] == '#') return l;
    if (t[0] == '[') {
        size_t close = t.find(']');
        l.kind = Line::Section;
        l.name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return l;
    }
    size_t eq = t.find('=');
    if (eq == std::string::npos) return l;
    l.kind = Line::Key;
    l.name = Trim(t.substr(0, eq));
    l.value = Trim(t.substr(eq + 1));
    return l;
}

// Reads a regular file whole. False when it is missing, unreadable or not a
// regular file (a folder, a device).
bool ReadWholeFile(const std::string& path, std::string& text) {
    text.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) {
            text.append(buf, static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            close(fd);
            return n == 0;
        }
    }
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

bool HasAny(const std::string& s, const char* chars) { return s.find_first_of(chars) != std::string::npos; }


}  // namespace

bool ProfileRead(const std::string& path, const std::string& section, const std::string& key,
                 std::string& value) {
    value.clear();
    std::string text;
    if (!ReadWholeFile(path, text)) return false;
    std::string wantSection = Trim(section), wantKey = Trim(key);
    bool inSection = false;
    for (const std::string& raw : SplitLines(text)) {
        Line l = Classify(raw);
        if (l.kind == Line::Section) {
            if (inSection) return false;  // only the first section of that name counts
            inSection = SameName(l.name, wantSection);
        } else if (l.kind == Line::Key && inSection && SameName(l.name, wantKey)) {
            std::string v = l.value;
            size_t zero = v.find('\0');
            if (zero != std::string::npos) v.resize(zero);
            if (v.size() > ProfileValueMax) v.resize(ProfileValueMax);
            value = Trim(v);
            return true;
        }
    }
    return false;
}

bool ProfileWrite(const std::string& path, const std::string& section, const std::string& key,
                  const std::string& value) {
    std::string sec = Trim(section), k = Trim(key);
    if (sec.empty() || k.empty() || HasAny(sec, "]\r\n") || HasAny(k, "=\r\n") || k[0] == '[' || k[0] == ';' ||
        k[0] == '#' || sec.find('\0') != std::string::npos || k.find('\0') != std::string::npos)
        return false;
    std::string v = value.substr(0, value.find_first_of(std::string("\r\n\0", 3)));

    // Where the file really is: a symbolic link is followed, so the link stays.
    std::string target = path;
    struct stat lst {};
    if (lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) == nullptr) return false;
        target = resolved;
    }
    struct stat st {};
    bool exists = stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return false;

    std::string text;
    if (exists && !ReadWholeFile(target, text)) return false;
    std::vector<std::string> lines = SplitLines(text);

    // Find the first section of that name, its key, and its last non-blank line.
    bool found = false;
    size_t lastContent = 0, keyLine = 0;
    bool keyFound = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        Line l = Classify(lines[i]);
        if (l.kind == Line::Section) {
            if (found) break;
            if (SameName(l.name, sec)) {
                found = true;
                lastContent = i;
            }
            continue;
        }
        if (!found) continue;
        if (!Trim(lines[i]).empty()) lastContent = i;
        if (l.kind == Line::Key && !keyFound && SameName(l.name, k)) {
            keyFound = true;
            keyLine = i;
        }
    }
    if (keyFound) {
        lines[keyLine] = Classify(lines[keyLine]).name + "=" + v;
    } else if (found) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastContent + 1), k + "=" + v);
    } else {
        lines.push_back("[" + sec + "]");
        lines.push_back(k + "=" + v);
    }

    std::string out;
    for (const std::string& l : lines) {
        out += l;
        out += '\n';
    }

    std::string tmpl = target + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return false;
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = fchmod(fd, mode) == 0 && PipeWriteAll(fd, out) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (ok) ok = rename(name.data(), target.c_str()) == 0;
    if (!ok) unlink(name.data());
    return ok;
}
