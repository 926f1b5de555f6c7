#include "performance/kconfig_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "device/diagnostics.h"

namespace mouse {

namespace {

std::string Trim(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) {
        return {};
    }
    const size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

bool IsHeader(const std::string& line) {
    const std::string t = Trim(line);
    return t.size() >= 2 && t.front() == '[' && t.back() == ']';
}

// The key of an entry line, empty for comments, blank and header lines.
std::string KeyOf(const std::string& line) {
    const std::string t = Trim(line);
    if (t.empty() || t.front() == '#' || t.front() == '[') {
        return {};
    }
    const size_t eq = t.find('=');
    return eq == std::string::npos ? std::string() : Trim(t.substr(0, eq));
}

void Set(std::vector<std::string>& lines, const KConfigEntry& entry) {
    const std::string header = "[" + entry.group + "]";
    const std::string line = entry.key + "=" + entry.value;
    bool inGroup = false;
    size_t lastEntry = std::string::npos;  // where a new key of the group goes after
    for (size_t i = 0; i < lines.size(); ++i) {
        if (IsHeader(lines[i])) {
            if (inGroup) {
                break;
            }
            inGroup = Trim(lines[i]) == header;
            lastEntry = inGroup ? i : lastEntry;
            continue;
        }
        if (!inGroup) {
            continue;
        }
        if (KeyOf(lines[i]) == entry.key) {
            lines[i] = line;
            return;
        }
        if (!Trim(lines[i]).empty()) {
            lastEntry = i;
        }
    }
    if (lastEntry != std::string::npos) {
        lines.insert(lines.begin() + std::ptrdiff_t(lastEntry + 1), line);
        return;
    }
    if (!lines.empty() && !Trim(lines.back()).empty()) {
        lines.emplace_back();
    }
    lines.push_back(header);
    lines.push_back(line);
}

bool MakeFolders(const std::string& path) {
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        if (mkdir(path.substr(0, at).c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool SetKConfigEntries(const std::string& path, const std::vector<KConfigEntry>& entries) {
    std::vector<std::string> lines;
    mode_t mode = 0600;
    if (std::ifstream in(path); in) {
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        struct stat st {};
        if (stat(path.c_str(), &st) == 0) {
            mode = st.st_mode & 07777;
        }
    } else if (errno != ENOENT) {
        log::Warning(log::kDesktop, "desktop pointer settings: cannot read %s: %s", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    for (const KConfigEntry& entry : entries) {
        Set(lines, entry);
    }
    std::ostringstream text;
    for (const std::string& line : lines) {
        text << line << '\n';
    }
    const std::string data = text.str();

    // A temporary file next to it, renamed over it: a reader never sees half
    // a file. A link (a configuration kept in a dotfiles folder) stays a
    // link: its target is the file replaced.
    std::error_code linkError;
    const std::filesystem::path real = std::filesystem::canonical(path, linkError);
    const std::string target = linkError ? path : real.string();
    std::string temp = target + ".XXXXXX";
    const int fd = MakeFolders(path) ? mkstemp(temp.data()) : -1;
    if (fd < 0) {
        log::Warning(log::kDesktop, "desktop pointer settings: cannot write %s: %s", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    bool ok = fchmod(fd, mode) == 0;
    for (size_t done = 0; ok && done < data.size();) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        ok = n > 0;
        done += ok ? size_t(n) : 0;
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        log::Warning(log::kDesktop, "desktop pointer settings: cannot write %s: %s", path.c_str(),
                     std::strerror(errno));
        unlink(temp.c_str());
    }
    return ok;
}

std::string KConfigDouble(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace mouse
