#include "store/stores.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <span>
#include <system_error>

namespace mouse {

namespace fs = std::filesystem;

namespace {

std::atomic<WriteFaultHook> g_faultHook{nullptr};

constexpr size_t kWriteChunk = 64 * 1024;

struct Chunk {
    const void* data;
    size_t size;
};

// errno of an injected fault at this step, or 0.
int Fault(const char* step) {
    WriteFaultHook hook = g_faultHook.load();
    return hook ? hook(step) : 0;
}

std::string ErrorText(int error) {
    return std::system_category().message(error);
}

std::string RandomSuffix() {
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 engine{std::random_device{}() ^ uint32_t(::getpid())};
    std::uniform_int_distribution<size_t> pick(0, sizeof(kChars) - 2);
    std::string s(6, 'x');
    for (char& c : s) {
        c = kChars[pick(engine)];
    }
    return s;
}

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

// The temporary file lives in the target's folder so that the rename stays
// within one file system and replaces the target in one step.
IoResult WriteChunksAtomically(const fs::path& path, std::span<const Chunk> chunks) {
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
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
        return IoResult::Failure("cannot write " + path.string() + ": " + ErrorText(err));
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
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return IoResult{};
}

template <typename T>
IoResult SaveList(const fs::path& path, const std::vector<std::unique_ptr<T>>& list) {
    std::vector<Chunk> chunks;
    chunks.reserve(list.size());
    for (const auto& record : list) {
        chunks.push_back({record.get(), sizeof(T)});
    }
    return WriteChunksAtomically(path, chunks);
}

template <typename T>
bool FirstFieldMatches(const T& record, std::u16string_view name) {
    return TextEqualsNoCase(record.folderName, name);
}

}  // namespace

void SetWriteFaultHookForTesting(WriteFaultHook hook) {
    g_faultHook.store(hook);
}

IoResult WriteFileAtomically(const fs::path& path, const void* data, size_t size) {
    const Chunk chunk{data, size};
    return WriteChunksAtomically(path, std::span<const Chunk>(&chunk, size > 0 ? 1 : 0));
}

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        bytes.reserve(size_t(st.st_size));
    }
    uint8_t buffer[64 * 1024];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            bytes.clear();
            return false;
        }
        if (n == 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    return true;
}

fs::path ProgramFolderOf(const fs::path& executablePath) {
    fs::path folder = executablePath.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

fs::path StoreFolderOf(const fs::path& programFolder) {
    return programFolder / "Data";
}

Stores::Stores(fs::path storeFolder) : folder_(std::move(storeFolder)) {}

LoadReport Stores::LoadStores(int sensorCode, std::u16string_view profileText) {
    LoadReport report;
    profiles.clear();
    macros.clear();
    guns.clear();
    std::vector<uint8_t> bytes;

    // Data.bin: a short file fills the index from its low bytes; the rest
    // stays 0.
    if (ReadWholeFile(DataBinPath(), bytes)) {
        DataRecord record{};
        if (!bytes.empty()) {
            std::memcpy(&record, bytes.data(),
                        bytes.size() < sizeof(record) ? bytes.size() : sizeof(record));
        }
        currentIndex = record.currentProfileIndex;
        dataReserved = record.reserved;
    } else {
        currentIndex = 0;
        dataReserved = 0;
        report.dataBinCreated = true;
        if (IoResult r = SaveCurrentProfileIndex(); !r) {
            report.errors.push_back(r.message);
        }
    }

    // profile.bin: a part record at the end is dropped rather than kept with
    // an undefined tail; a file without one whole record counts as missing.
    if (ReadWholeFile(ProfilePath(), bytes)) {
        profiles = SplitRecords<ProfileRecord>(bytes, &report.profileTrailingBytes);
    }
    if (profiles.empty()) {
        IoResult saved;
        CreateDefaultProfile(sensorCode, profileText, &saved);
        report.defaultProfileCreated = true;
        if (!saved) {
            report.errors.push_back(saved.message);
        }
    }

    if (ReadWholeFile(MacroPath(), bytes)) {
        macros = SplitRecords<MacroRecord>(bytes, &report.macroTrailingBytes);
    }
    if (ReadWholeFile(GunPath(), bytes)) {
        guns = SplitRecords<GunRecord>(bytes, &report.gunTrailingBytes);
    }

    // An index outside the list selects the first profile. Data.bin is not
    // rewritten for this; the next apply saves the index.
    if (currentIndex < 0 || size_t(currentIndex) >= profiles.size()) {
        currentIndex = 0;
        report.indexReset = true;
    }
    return report;
}

IoResult Stores::SaveCurrentProfileIndex() const {
    const DataRecord record{currentIndex, dataReserved};
    return WriteFileAtomically(DataBinPath(), &record, sizeof(record));
}

IoResult Stores::SaveProfiles() const {
    return SaveList(ProfilePath(), profiles);
}
IoResult Stores::SaveMacros() const {
    return SaveList(MacroPath(), macros);
}
IoResult Stores::SaveGuns() const {
    return SaveList(GunPath(), guns);
}

ProfileRecord& Stores::CreateDefaultProfile(int sensorCode, std::u16string_view profileText,
                                            IoResult* saveResult) {
    std::u16string numbered(profileText);
    const std::string count = std::to_string(profiles.size() + 1);
    numbered.append(count.begin(), count.end());
    const std::u16string name =
        UniqueName(numbered, [this](const std::u16string& n) { return ProfileNameExists(n); });

    auto record = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*record, sensorCode);
    WriteText(record->name, name);
    profiles.push_back(std::move(record));
    IoResult saved = SaveProfiles();
    if (saveResult) {
        *saveResult = std::move(saved);
    }
    return *profiles.back();
}

bool Stores::ProfileNameExists(std::u16string_view name) const {
    for (const auto& p : profiles) {
        if (TextEqualsNoCase(p->name, name)) {
            return true;
        }
    }
    return false;
}

bool RecordNameExists(std::u16string_view name,
                      const std::vector<std::unique_ptr<MacroRecord>>& list) {
    for (const auto& r : list) {
        if (FirstFieldMatches(*r, name)) {
            return true;
        }
    }
    return false;
}

bool RecordNameExists(std::u16string_view name,
                      const std::vector<std::unique_ptr<GunRecord>>& list) {
    for (const auto& r : list) {
        if (FirstFieldMatches(*r, name)) {
            return true;
        }
    }
    return false;
}

bool RecordNameExists(std::u16string_view name, std::u16string_view second,
                      const std::vector<std::unique_ptr<MacroRecord>>& list) {
    for (const auto& r : list) {
        if (FirstFieldMatches(*r, name) && TextEqualsNoCase(r->macroName, second)) {
            return true;
        }
    }
    return false;
}

bool RecordNameExists(std::u16string_view name, std::u16string_view second,
                      const std::vector<std::unique_ptr<GunRecord>>& list) {
    for (const auto& r : list) {
        if (FirstFieldMatches(*r, name) && TextEqualsNoCase(r->gunName, second)) {
            return true;
        }
    }
    return false;
}

}  // namespace mouse
