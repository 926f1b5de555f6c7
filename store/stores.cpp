#include "store/stores.h"

#include "store/store_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
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

std::string LocalStamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
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

const char* const kStoreNames[kStoreFileCount] = {"Data.bin", "profile.bin", "macro.bin",
                                                  "gun.bin"};

template <typename T>
bool ReadList(const fs::path& path, std::vector<std::unique_ptr<T>>& list, uintmax_t& size) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        return false;
    }
    list = SplitRecords<T>(bytes);
    size = bytes.size();
    return true;
}

template <typename T>
std::vector<uint8_t> ListBytes(const std::vector<std::unique_ptr<T>>& list,
                               std::vector<uint8_t> bytes) {
    bytes.clear();
    bytes.reserve(list.size() * sizeof(T));
    for (const auto& record : list) {
        const auto* p = reinterpret_cast<const uint8_t*>(record.get());
        bytes.insert(bytes.end(), p, p + sizeof(T));
    }
    return bytes;
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
    SyncFolder(folder);
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
    // Only regular files: a FIFO or a device under a store's name would
    // block the start or read without end. O_NONBLOCK keeps the open of a
    // FIFO from waiting for a writer; it does not change reads of a file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    if (st.st_size > 0) {
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

std::string DescribeDamage(const DamagedFile& damaged) {
    std::string text =
        damaged.file.string() + " (" + std::to_string(damaged.size) + " bytes) is damaged: ";
    if (damaged.defaultCreated) {
        text += "it held no whole record, a default profile replaces it";
    } else {
        text += std::to_string(damaged.keptRecords) +
                (damaged.keptRecords == 1 ? " whole record" : " whole records") + " loaded";
    }
    if (!damaged.movedTo.empty()) {
        text += "; the original is kept as " + damaged.movedTo.string();
    } else {
        text += "; " + damaged.error + ", so it is not written until the program starts again";
    }
    return text;
}

fs::path Stores::PathOf(StoreFile which) const {
    return folder_ / kStoreNames[size_t(which)];
}

void Stores::RemoveStaleTempFiles(LoadReport& report) const {
    std::error_code ec;
    fs::directory_iterator it(folder_, ec);
    if (ec) {
        return;  // no folder yet: nothing to clean
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            return;
        }
        const std::string name = it->path().filename().string();
        bool ours = false;
        for (const char* store : kStoreNames) {
            ours = ours || IsTempNameOf(name, store);
        }
        if (ours && it->is_regular_file(ec) && !it->is_symlink(ec) &&
            ::unlink(it->path().c_str()) == 0) {
            report.removedTempFiles.push_back(it->path());
        }
    }
}

void Stores::MoveAside(DamagedFile& damaged) {
    const std::string base = damaged.file.string() + ".damaged-" + LocalStamp(clock_());
    int error = Fault("move-aside");
    for (int n = 0; error == 0; ++n) {
        const fs::path target = n == 0 ? fs::path(base) : fs::path(base + "-" + std::to_string(n));
        error = RenameWithoutReplacing(damaged.file, target);
        if (error == 0) {
            damaged.movedTo = target;
            SyncFolder(folder_);
            return;
        }
        if (error == EEXIST && n < 1000) {
            error = 0;  // an earlier damaged copy has this name: try the next
        }
    }
    damaged.error =
        "cannot move the damaged file " + damaged.file.string() + " aside: " + ErrorText(error);
    const size_t i = size_t(damaged.which);
    blocked_[i] = true;
    blockedReason_[i] = damaged.file.string() +
                        " was not written: it is damaged and could not be moved aside (" +
                        ErrorText(error) + ")";
}

LoadReport Stores::LoadStores(int sensorCode, std::u16string_view profileText) {
    LoadReport report;
    profiles.clear();
    macros.clear();
    guns.clear();
    for (size_t i = 0; i < kStoreFileCount; ++i) {
        blocked_[i] = false;
        blockedReason_[i].clear();
    }
    RemoveStaleTempFiles(report);

    auto noteError = [&report](const IoResult& r) {
        if (!r) {
            report.errors.push_back(r.message);
        }
    };
    // A file of the wrong length is moved aside first; once that worked, the
    // whole records it held are written back under its own name, so that the
    // folder holds what the lists hold even if the program ends before the
    // next save.
    auto damagedFile = [this](StoreFile which, uintmax_t size, size_t kept) {
        DamagedFile damaged;
        damaged.which = which;
        damaged.file = PathOf(which);
        damaged.size = size;
        damaged.keptRecords = kept;
        MoveAside(damaged);
        return damaged;
    };

    // Data.bin: a short file fills the index from its low bytes; the rest
    // stays 0. An empty file holds nothing to keep.
    std::vector<uint8_t> bytes;
    if (ReadWholeFile(DataBinPath(), bytes)) {
        DataRecord record{};
        if (!bytes.empty()) {
            std::memcpy(&record, bytes.data(),
                        bytes.size() < sizeof(record) ? bytes.size() : sizeof(record));
        }
        currentIndex = record.currentProfileIndex;
        dataReserved = record.reserved;
        if (!bytes.empty() && bytes.size() != sizeof(DataRecord)) {
            report.damaged.push_back(damagedFile(StoreFile::DataBin, bytes.size(),
                                                 bytes.size() >= sizeof(DataRecord) ? 1 : 0));
            if (!report.damaged.back().movedTo.empty()) {
                noteError(SaveCurrentProfileIndex());
            }
        }
    } else {
        currentIndex = 0;
        dataReserved = 0;
        report.dataBinCreated = true;
        noteError(SaveCurrentProfileIndex());
    }

    // profile.bin: a part record at the end is dropped rather than kept with
    // an undefined tail; a file without one whole record counts as missing.
    uintmax_t size = 0;
    if (ReadList(ProfilePath(), profiles, size) && size % sizeof(ProfileRecord) != 0) {
        report.damaged.push_back(damagedFile(StoreFile::Profiles, size, profiles.size()));
        if (!profiles.empty() && !report.damaged.back().movedTo.empty()) {
            noteError(SaveProfiles());
        }
    }
    if (profiles.empty()) {
        IoResult saved;
        CreateDefaultProfile(sensorCode, profileText, &saved);
        report.defaultProfileCreated = true;
        noteError(saved);
        if (!report.damaged.empty() && report.damaged.back().which == StoreFile::Profiles) {
            report.damaged.back().defaultCreated = true;
        }
    }

    if (ReadList(MacroPath(), macros, size) && size % sizeof(MacroRecord) != 0) {
        report.damaged.push_back(damagedFile(StoreFile::Macros, size, macros.size()));
        if (!report.damaged.back().movedTo.empty()) {
            noteError(SaveMacros());
        }
    }
    if (ReadList(GunPath(), guns, size) && size % sizeof(GunRecord) != 0) {
        report.damaged.push_back(damagedFile(StoreFile::Guns, size, guns.size()));
        if (!report.damaged.back().movedTo.empty()) {
            noteError(SaveGuns());
        }
    }

    // An index outside the list selects the first profile. Data.bin is not
    // rewritten for this; the next apply saves the index.
    if (currentIndex < 0 || size_t(currentIndex) >= profiles.size()) {
        currentIndex = 0;
        report.indexReset = true;
    }
    return report;
}

IoResult Stores::CheckWritable(StoreFile which) const {
    const size_t i = size_t(which);
    return blocked_[i] ? IoResult::Failure(blockedReason_[i]) : IoResult{};
}

IoResult Stores::SaveCurrentProfileIndex() const {
    return Save(StoreFile::DataBin);
}
IoResult Stores::SaveProfiles() const {
    return Save(StoreFile::Profiles);
}
IoResult Stores::SaveMacros() const {
    return Save(StoreFile::Macros);
}
IoResult Stores::SaveGuns() const {
    return Save(StoreFile::Guns);
}

IoResult Stores::Save(StoreFile which) const {
    if (IoResult writable = CheckWritable(which); !writable) {
        return writable;
    }
    switch (which) {
        case StoreFile::DataBin: {
            const DataRecord record{currentIndex, dataReserved};
            return WriteFileAtomically(DataBinPath(), &record, sizeof(record));
        }
        case StoreFile::Profiles:
            return SaveList(ProfilePath(), profiles);
        case StoreFile::Macros:
            return SaveList(MacroPath(), macros);
        case StoreFile::Guns:
            return SaveList(GunPath(), guns);
    }
    return IoResult::Failure("unknown store file");
}

size_t Stores::SizeOf(StoreFile which) const {
    switch (which) {
        case StoreFile::DataBin:
            return sizeof(DataRecord);
        case StoreFile::Profiles:
            return profiles.size() * sizeof(ProfileRecord);
        case StoreFile::Macros:
            return macros.size() * sizeof(MacroRecord);
        case StoreFile::Guns:
            return guns.size() * sizeof(GunRecord);
    }
    return 0;
}

IoResult Stores::SaveInBackground(std::initializer_list<StoreFile> files,
                                  StoreWriter& writer) const {
    IoResult refused;
    std::vector<StoreSnapshot> snapshots;
    for (StoreFile which : files) {
        if (IoResult writable = CheckWritable(which); !writable) {
            if (refused) {
                refused = std::move(writable);
            }
        } else {
            snapshots.push_back({PathOf(which), Snapshot(which, writer.TakeBuffer(SizeOf(which)))});
        }
    }
    if (!snapshots.empty()) {
        writer.Save(std::move(snapshots));
    }
    return refused;
}

std::vector<uint8_t> Stores::Snapshot(StoreFile which, std::vector<uint8_t> buffer) const {
    switch (which) {
        case StoreFile::DataBin: {
            const DataRecord record{currentIndex, dataReserved};
            buffer.resize(sizeof(record));
            std::memcpy(buffer.data(), &record, sizeof(record));
            return buffer;
        }
        case StoreFile::Profiles:
            return ListBytes(profiles, std::move(buffer));
        case StoreFile::Macros:
            return ListBytes(macros, std::move(buffer));
        case StoreFile::Guns:
            return ListBytes(guns, std::move(buffer));
    }
    return buffer;
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
