#include "store/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>
#include <random>
#include <system_error>

namespace mouse {

namespace fs = std::filesystem;

namespace {

std::atomic<WriteFaultHook> g_faultHook{nullptr};

constexpr size_t kWriteChunk = 64 * 1024;

// A save writes <target>.tmp-XXXXXX, X from kTempChars, next to its target.
constexpr std::string_view kTempInfix = ".tmp-";
constexpr std::string_view kTempChars = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t kTempSuffixLength = 6;

std::string RandomSuffix() {
    thread_local std::mt19937 engine{std::random_device{}() ^ uint32_t(::getpid())};
    std::uniform_int_distribution<size_t> pick(0, kTempChars.size() - 1);
    std::string s(kTempSuffixLength, 'x');
    for (char& c : s) {
        c = kTempChars[pick(engine)];
    }
    return s;
}

}  // namespace

namespace fileio {

// errno of an injected fault at this step, or 0.
int Fault(const char* step) {
    WriteFaultHook hook = g_faultHook.load();
    return hook ? hook(step) : 0;
}

std::string ErrorText(int error) {
    return std::system_category().message(error);
}

// True when name is a temporary file name that a save of target makes.
bool IsTempNameOf(std::string_view name, std::string_view target) {
    if (name.size() != target.size() + kTempInfix.size() + kTempSuffixLength ||
        name.substr(0, target.size()) != target ||
        name.substr(target.size(), kTempInfix.size()) != kTempInfix) {
        return false;
    }
    for (char c : name.substr(target.size() + kTempInfix.size())) {
        if (kTempChars.find(c) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

// Renames from to to unless to exists (EEXIST then); 0 or an errno value.
int RenameWithoutReplacing(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // The file system cannot refuse to replace in a rename; a hard link
    // refuses an existing name too. Should the old name stay as well, a
    // later save replaces only that name, never the linked bytes.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    ::unlink(from.c_str());
    return 0;
}

void SyncFolder(const fs::path& folder) {
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

}  // namespace fileio

namespace {

using fileio::ErrorText;
using fileio::Fault;
using fileio::SyncFolder;

bool WriteAll(int fd, const uint8_t* data, size_t size, int& error) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Reads into a byte vector through a buffer.
class ByteTarget final : public ReadTarget {
public:
    explicit ByteTarget(std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    void Reserve(size_t n) override { bytes_.reserve(n); }
    std::span<uint8_t> Room(size_t want) override {
        return std::span<uint8_t>(buffer_, std::min(sizeof buffer_, want));
    }
    void Took(size_t n) override { bytes_.insert(bytes_.end(), buffer_, buffer_ + n); }
    size_t Size() const override { return bytes_.size(); }
    void Clear() override { bytes_.clear(); }
    void Keep(size_t n) override {
        bytes_.resize(n);
        bytes_.shrink_to_fit();
    }

private:
    std::vector<uint8_t>& bytes_;
    uint8_t buffer_[64 * 1024];
};

}  // namespace

// The temporary file lives in the target's folder so that the rename stays
// within one file system and replaces the target in one step.
IoResult WriteChunksAtomically(const fs::path& requested, std::span<const Chunk> chunks) {
    // A link is written through: the temporary file goes beside the link's
    // target and replaces it, and the link stays.
    const fs::path path = WriteTargetOf(requested);
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::error_code ec;
    if (path == requested && !fs::is_directory(folder, ec)) {
        // Only the program's own folders are made; the folder of a link's
        // target is the user's to make.
        fs::create_directories(folder, ec);  // a failure shows at the open below
    }

    fs::path temp;
    int fd = -1;
    int error = 0;
    auto fail = [&](int err) {
        if (fd >= 0) {
            ::close(fd);
        }
        if (!temp.empty()) {
            ::unlink(temp.c_str());
        }
        std::string text = "cannot write " + requested.string();
        if (path != requested) {
            text += " (a link to " + path.string() + ")";
        }
        return IoResult::Failure(text + ": " + ErrorText(err));
    };

    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        if ((error = Fault("open")) != 0) {
            return fail(error);
        }
        fs::path candidate = folder / (path.filename().string() + ".tmp-" + RandomSuffix());
        fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temp = std::move(candidate);
        } else if (errno != EEXIST) {
            return fail(errno);
        }
    }
    if (fd < 0) {
        return fail(EEXIST);
    }

    for (const Chunk& chunk : chunks) {
        const uint8_t* p = static_cast<const uint8_t*>(chunk.data);
        size_t left = chunk.size;
        while (left > 0) {
            const size_t n = left < kWriteChunk ? left : kWriteChunk;
            if ((error = Fault("write")) != 0 || !WriteAll(fd, p, n, error)) {
                return fail(error);
            }
            p += n;
            left -= n;
        }
    }
    if ((error = Fault("sync")) != 0) {
        return fail(error);
    }
    if (::fsync(fd) != 0) {
        return fail(errno);
    }
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) {
        return fail(errno);
    }
    if ((error = Fault("rename")) != 0) {
        return fail(error);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        return fail(errno);
    }
    // Make the rename itself durable. The new file is complete either way,
    // and some file systems refuse to sync a folder, so this cannot fail the
    // save.
    SyncFolder(folder);
    return IoResult{};
}

void SetWriteFaultHookForTesting(WriteFaultHook hook) {
    g_faultHook.store(hook);
}

IoResult WriteFileAtomically(const fs::path& path, const void* data, size_t size) {
    const Chunk chunk{data, size};
    return WriteChunksAtomically(path, std::span<const Chunk>(&chunk, size > 0 ? 1 : 0));
}

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>& bytes) {
    return bool(ReadFileUpTo(path, std::numeric_limits<size_t>::max() / 2, bytes));
}

ReadOutcome ReadFileInto(const fs::path& path, size_t maxBytes, ReadTarget& target,
                         bool keepPrefix) {
    target.Clear();
    ReadOutcome out;
    auto failed = [&](ReadStatus status, int error, std::string why) {
        out.status = status;
        out.error = error;
        out.message = "cannot read " + path.string() + ": " + why;
        out.reason = std::move(why);
        target.Clear();
        return out;
    };
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it does
    // not change reads of a file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        return failed(error == ENOENT ? ReadStatus::Missing : ReadStatus::Unreadable, error,
                      ErrorText(error));
    }
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        return failed(ReadStatus::Unreadable, error, ErrorText(error));
    }
    if (!S_ISREG(st.st_mode)) {
        return failed(
            ReadStatus::Unreadable, S_ISDIR(st.st_mode) ? EISDIR : EINVAL,
            S_ISDIR(st.st_mode) ? "it is a folder, not a file" : "it is not a regular file");
    }
    out.size = uintmax_t(st.st_size);
    if (out.size > maxBytes && !keepPrefix) {
        out.status = ReadStatus::TooLarge;
        out.message = path.string() + " is " + std::to_string(out.size) +
                      " bytes long, more than the " + std::to_string(maxBytes) + " bytes allowed";
        return out;
    }
    if (const int error = Fault(("read " + path.filename().string()).c_str()); error != 0) {
        return failed(ReadStatus::Unreadable, error, ErrorText(error));
    }
    // The length can change or be wrong (files of /proc say 0), so the read
    // goes to the end of the file or to one byte past the limit.
    const size_t limit = maxBytes + 1;
    target.Reserve(std::min<uintmax_t>(out.size, maxBytes));
    while (target.Size() < limit) {
        const std::span<uint8_t> room = target.Room(limit - target.Size());
        const ssize_t n = ::read(fd, room.data(), room.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            return failed(ReadStatus::Unreadable, error, ErrorText(error));
        }
        if (n == 0) {
            break;
        }
        target.Took(size_t(n));
    }
    if (target.Size() > maxBytes) {
        out.status = ReadStatus::TooLarge;
        out.size = std::max<uintmax_t>(out.size, target.Size());
        out.message =
            path.string() + " is longer than the " + std::to_string(maxBytes) + " bytes allowed";
        target.Keep(keepPrefix ? maxBytes : 0);
    } else {
        out.size = target.Size();
    }
    return out;
}

ReadOutcome ReadFileUpTo(const fs::path& path, size_t maxBytes, std::vector<uint8_t>& bytes,
                         bool keepPrefix) {
    ByteTarget target(bytes);
    return ReadFileInto(path, maxBytes, target, keepPrefix);
}

fs::path WriteTargetOf(const fs::path& path) {
    fs::path target = path;
    // As many links as the kernel follows in one path; a longer chain (or a
    // loop) is replaced like a plain file.
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return target;
        }
        std::error_code ec;
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) {
            return target;
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return path;
}

}  // namespace mouse
