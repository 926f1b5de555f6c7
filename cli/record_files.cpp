#include "cli/record_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "device/records.h"
#include "store/stores.h"

namespace mouse::cli {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

constexpr FileKind kKinds[] = {
    {RecordKind::kProfile, true, "pbin"}, {RecordKind::kProfile, false, "profile"},
    {RecordKind::kMacro, true, "mbin"},   {RecordKind::kMacro, false, "mbins"},
    {RecordKind::kMacro, false, "macro"}, {RecordKind::kGun, true, "gbin"},
    {RecordKind::kGun, false, "gbins"},   {RecordKind::kGun, false, "gun"},
    {RecordKind::kData, true, "data"},
};

// The refusals every read of a named file starts with.
bool IsFile(const std::filesystem::path& path, std::string& message) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        message = path.string() + ": no such file";
        return false;
    }
    if (std::filesystem::is_directory(path, ec)) {
        message = path.string() + ": is a folder, not a file";
        return false;
    }
    return true;
}

}  // namespace

size_t RecordSize(RecordKind kind) {
    switch (kind) {
        case RecordKind::kProfile:
            return sizeof(ProfileRecord);
        case RecordKind::kMacro:
            return sizeof(MacroRecord);
        case RecordKind::kGun:
            return sizeof(GunRecord);
        case RecordKind::kData:
            return sizeof(DataRecord);
    }
    return 1;
}

const char* RecordName(RecordKind kind) {
    switch (kind) {
        case RecordKind::kProfile:
            return "profile";
        case RecordKind::kMacro:
            return "macro";
        case RecordKind::kGun:
            return "gun";
        case RecordKind::kData:
            return "Data.bin";
    }
    return "";
}

std::optional<FileKind> KindFromName(const std::string& name) {
    std::string key = Lower(name);
    if (key == "profile.bin" || key == "profiles") {
        key = "profile";
    } else if (key == "macro.bin" || key == "macros") {
        key = "macro";
    } else if (key == "gun.bin" || key == "guns") {
        key = "gun";
    } else if (key == "data.bin") {
        key = "data";
    } else if (!key.empty() && key[0] == '.') {
        key = key.substr(1);
    }
    for (const FileKind& kind : kKinds) {
        if (key == kind.name) {
            return kind;
        }
    }
    return std::nullopt;
}

std::optional<FileKind> KindFromPath(const std::filesystem::path& path) {
    const std::string file = Lower(path.filename().string());
    if (file == "profile.bin" || file == "macro.bin" || file == "gun.bin" || file == "data.bin") {
        return KindFromName(file);
    }
    const std::string ext = Lower(path.extension().string());
    if (ext == ".pbin" || ext == ".mbin" || ext == ".mbins" || ext == ".gbin" || ext == ".gbins") {
        return KindFromName(ext);
    }
    return std::nullopt;
}

std::string KindNames() {
    std::string names;
    for (const FileKind& kind : kKinds) {
        names += names.empty() ? "" : ", ";
        names += kind.name;
    }
    return names;
}

bool ReadFileBytes(const std::filesystem::path& path, std::vector<uint8_t>& bytes,
                   std::string& message) {
    if (!IsFile(path, message)) {
        return false;
    }
    if (!ReadWholeFile(path, bytes)) {
        message = path.string() + ": cannot be read";
        return false;
    }
    return true;
}

RecordFileReader::~RecordFileReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool RecordFileReader::Open(const std::filesystem::path& path, std::string& message) {
    if (!IsFile(path, message)) {
        return false;
    }
    // O_NONBLOCK: opening a FIFO must not wait for a writer. It does not
    // change reads of a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) {
            ::close(fd);
        }
        message = path.string() + ": cannot be read";
        return false;
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = fd;
    size_ = uint64_t(st.st_size);
    return true;
}

bool RecordFileReader::Read(void* buffer, size_t size) {
    auto* at = static_cast<uint8_t*>(buffer);
    while (size > 0) {
        const ssize_t n = ::read(fd_, at, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        at += n;
        size -= size_t(n);
    }
    return true;
}

LengthCheck CheckLength(size_t length, const FileKind& kind) {
    const size_t size = RecordSize(kind.record);
    LengthCheck check;
    check.wholeRecords = length / size;
    check.trailingBytes = length % size;
    const std::string what = std::string(RecordName(kind.record)) + " record";
    if (check.trailingBytes != 0) {
        check.problem = std::to_string(length) + " bytes is not a whole number of " +
                        std::to_string(size) + "-byte " + what + "s (" +
                        std::to_string(check.wholeRecords) + " whole, " +
                        std::to_string(check.trailingBytes) + " bytes left over)";
    } else if (kind.single && check.wholeRecords != 1) {
        check.problem = "a " + std::string(kind.name) + " file holds exactly one " + what + " (" +
                        std::to_string(size) + " bytes); this one holds " +
                        std::to_string(check.wholeRecords);
    }
    return check;
}

}  // namespace mouse::cli
