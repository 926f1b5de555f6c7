#include "store/stores.h"

#include "store/store_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <random>
#include <span>
#include <system_error>

namespace mouse {

namespace fs = std::filesystem;

namespace {

using fileio::ErrorText;
using fileio::Fault;
using fileio::IsTempNameOf;
using fileio::RenameWithoutReplacing;
using fileio::SyncFolder;

std::string LocalStamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

const char* const kStoreNames[kStoreFileCount] = {"Data.bin", "profile.bin", "macro.bin",
                                                  "gun.bin"};

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

// Reads straight into records of T: no buffer of the whole file, and each
// byte is copied once. A trailing part record is dropped at the end.
template <typename T>
class RecordTarget final : public ReadTarget {
public:
    explicit RecordTarget(std::vector<std::unique_ptr<T>>& records) : records_(records) {}
    void Reserve(size_t n) override { records_.reserve(n / sizeof(T) + 1); }
    std::span<uint8_t> Room(size_t want) override {
        if (filled_ == sizeof(T) || records_.empty()) {
            records_.push_back(std::make_unique_for_overwrite<T>());
            filled_ = 0;
        }
        auto* record = reinterpret_cast<uint8_t*>(records_.back().get());
        return std::span<uint8_t>(record + filled_, std::min(sizeof(T) - filled_, want));
    }
    void Took(size_t n) override {
        filled_ += n;
        size_ += n;
    }
    size_t Size() const override { return size_; }
    void Clear() override {
        records_.clear();
        size_ = 0;
        filled_ = 0;
    }
    void Keep(size_t n) override {
        records_.resize(std::min(records_.size(), n / sizeof(T)));
        size_ = records_.size() * sizeof(T);
        filled_ = sizeof(T);
    }
    // Drops a part record left at the end.
    void Finish() {
        if (!records_.empty() && filled_ < sizeof(T)) {
            records_.pop_back();
        }
        filled_ = sizeof(T);
    }

private:
    std::vector<std::unique_ptr<T>>& records_;
    size_t filled_ = 0;  // bytes of the last record read so far
    size_t size_ = 0;
};

// Reads at most maxRecords records of a list store; the first maxRecords of
// a longer file are loaded and the outcome says TooLarge.
template <typename T>
ReadOutcome ReadList(const fs::path& path, std::vector<std::unique_ptr<T>>& list,
                     size_t maxRecords) {
    std::vector<std::unique_ptr<T>> records;
    RecordTarget<T> target(records);
    ReadOutcome read = ReadFileInto(path, maxRecords * sizeof(T), target, true);
    target.Finish();
    if (read.status == ReadStatus::Ok || read.status == ReadStatus::TooLarge) {
        list = std::move(records);
    }
    return read;
}

}  // namespace

fs::path ProgramFolderOf(const fs::path& executablePath) {
    fs::path folder = executablePath.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

fs::path StoreFolderOf(const fs::path& programFolder) {
    return programFolder / "Data";
}

Stores::Stores(fs::path storeFolder) : folder_(std::move(storeFolder)) {}

std::string DescribeDamage(const DamagedFile& damaged) {
    if (damaged.kind == DamagedFile::Kind::Unreadable) {
        std::string text = damaged.file.string() + " cannot be read (" + damaged.readError +
                           "). It is kept as it is and not written until the program starts "
                           "again; ";
        switch (damaged.which) {
            case StoreFile::DataBin:
                text += "profile 1 is selected meanwhile";
                break;
            case StoreFile::Profiles:
                text += "a default profile stands in for its profiles meanwhile";
                break;
            case StoreFile::Macros:
            case StoreFile::Guns:
                text += "the library is empty meanwhile";
                break;
        }
        return text;
    }
    std::string text =
        damaged.file.string() + " (" + std::to_string(damaged.size) + " bytes) is damaged: ";
    if (damaged.kind == DamagedFile::Kind::TooLarge) {
        text = damaged.file.string() + " (" + std::to_string(damaged.size) +
               " bytes) holds more records than the program keeps: the first " +
               std::to_string(damaged.keptRecords) + " loaded";
    } else if (damaged.defaultCreated) {
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

void Stores::Block(StoreFile which, std::string reason) {
    const size_t i = size_t(which);
    blocked_[i] = true;
    blockedReason_[i] = std::move(reason);
}

void Stores::MoveAside(DamagedFile& damaged) {
    // A store kept through a link is moved aside beside its target, where
    // the next save writes.
    const fs::path source = WriteTargetOf(damaged.file);
    const std::string base = source.string() + ".damaged-" + LocalStamp(clock_());
    int error = Fault("move-aside");
    for (int n = 0; error == 0; ++n) {
        const fs::path target = n == 0 ? fs::path(base) : fs::path(base + "-" + std::to_string(n));
        error = RenameWithoutReplacing(source, target);
        if (error == 0) {
            damaged.movedTo = target;
            SyncFolder(source.parent_path());
            return;
        }
        if (error == EEXIST && n < 1000) {
            error = 0;  // an earlier damaged copy has this name: try the next
        }
    }
    damaged.error =
        "cannot move the damaged file " + damaged.file.string() + " aside: " + ErrorText(error);
    Block(damaged.which, damaged.file.string() +
                             " was not written: it is damaged and could not be moved aside (" +
                             ErrorText(error) + ")");
}

StoreLists ReadStoreLists(const fs::path& storeFolder) {
    StoreLists lists;
    lists.folder = storeFolder;
    lists.profilesRead = ReadList(storeFolder / "profile.bin", lists.profiles, kMaxProfiles);
    lists.macrosRead = ReadList(storeFolder / "macro.bin", lists.macros, kMaxLibraryRecords);
    lists.gunsRead = ReadList(storeFolder / "gun.bin", lists.guns, kMaxLibraryRecords);
    return lists;
}

LoadReport Stores::LoadStores(int sensorCode, std::u16string_view profileText,
                              StoreLists* readAhead) {
    if (readAhead != nullptr && readAhead->folder != folder_) {
        readAhead = nullptr;
    }
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
    // A file that exists but cannot be read is left exactly as it is and
    // never written during this run: treating it as missing would replace
    // the user's profiles or library at the next save.
    auto unreadable = [this, &report](StoreFile which, const ReadOutcome& read) {
        DamagedFile damaged;
        damaged.kind = DamagedFile::Kind::Unreadable;
        damaged.which = which;
        damaged.file = PathOf(which);
        damaged.readError = read.reason;
        Block(which, damaged.file.string() + " was not written: " + read.message);
        report.damaged.push_back(std::move(damaged));
    };
    // A file of the wrong length is moved aside first; once that worked, the
    // whole records it held are written back under its own name, so that the
    // folder holds what the lists hold even if the program ends before the
    // next save. A file with more records than the list may hold is handled
    // the same way, with the records up to the bound.
    auto damagedFile = [this, &report](StoreFile which, DamagedFile::Kind kind, uintmax_t size,
                                       size_t kept) -> const DamagedFile& {
        DamagedFile damaged;
        damaged.kind = kind;
        damaged.which = which;
        damaged.file = PathOf(which);
        damaged.size = size;
        damaged.keptRecords = kept;
        MoveAside(damaged);
        report.damaged.push_back(std::move(damaged));
        return report.damaged.back();
    };

    // Data.bin: a short file fills the index from its low bytes; the rest
    // stays 0. An empty file holds nothing to keep. Only its first record is
    // read, whatever its length.
    std::vector<uint8_t> bytes;
    const ReadOutcome dataRead = ReadFileUpTo(DataBinPath(), sizeof(DataRecord), bytes, true);
    currentIndex = 0;
    dataReserved = 0;
    if (dataRead.status == ReadStatus::Missing) {
        report.dataBinCreated = true;
        noteError(SaveCurrentProfileIndex());
    } else if (dataRead.status == ReadStatus::Unreadable) {
        unreadable(StoreFile::DataBin, dataRead);
    } else {
        DataRecord record{};
        if (!bytes.empty()) {
            std::memcpy(&record, bytes.data(), std::min(bytes.size(), sizeof(record)));
        }
        currentIndex = record.currentProfileIndex;
        dataReserved = record.reserved;
        if (dataRead.size != 0 && dataRead.size != sizeof(DataRecord)) {
            const DamagedFile& damaged =
                damagedFile(StoreFile::DataBin, DamagedFile::Kind::Length, dataRead.size,
                            dataRead.size >= sizeof(DataRecord) ? 1 : 0);
            if (!damaged.movedTo.empty()) {
                noteError(SaveCurrentProfileIndex());
            }
        }
    }

    // The lists: a part record at the end is dropped rather than kept with
    // an undefined tail.
    auto loadList = [&](StoreFile which, auto& list, size_t maxRecords, auto& aheadList,
                        ReadOutcome& aheadRead) {
        using Record = typename std::remove_reference_t<decltype(list)>::value_type::element_type;
        ReadOutcome read;
        if (readAhead != nullptr) {
            read = std::move(aheadRead);
            if (read.status == ReadStatus::Ok || read.status == ReadStatus::TooLarge) {
                list = std::move(aheadList);
            }
        } else {
            read = ReadList(PathOf(which), list, maxRecords);
        }
        if (read.status == ReadStatus::Unreadable) {
            unreadable(which, read);
            return;
        }
        const bool tooLarge = read.status == ReadStatus::TooLarge;
        if (!tooLarge && (read.status != ReadStatus::Ok || read.size % sizeof(Record) == 0)) {
            return;
        }
        const DamagedFile& damaged =
            damagedFile(which, tooLarge ? DamagedFile::Kind::TooLarge : DamagedFile::Kind::Length,
                        read.size, list.size());
        // An empty profile list is written when its default profile is made.
        if (!damaged.movedTo.empty() && (!list.empty() || which != StoreFile::Profiles)) {
            noteError(Save(which));
        }
    };

    // profile.bin: a file without one whole record counts as missing.
    StoreLists none;
    StoreLists& ahead = readAhead != nullptr ? *readAhead : none;
    loadList(StoreFile::Profiles, profiles, kMaxProfiles, ahead.profiles, ahead.profilesRead);
    if (profiles.empty()) {
        IoResult saved;
        CreateDefaultProfile(sensorCode, profileText, &saved);
        report.defaultProfileCreated = true;
        // A blocked profile.bin is not written; the report already says why.
        if (CheckWritable(StoreFile::Profiles)) {
            noteError(saved);
        }
        for (DamagedFile& damaged : report.damaged) {
            if (damaged.which == StoreFile::Profiles &&
                damaged.kind != DamagedFile::Kind::Unreadable) {
                damaged.defaultCreated = true;
            }
        }
    }
    loadList(StoreFile::Macros, macros, kMaxLibraryRecords, ahead.macros, ahead.macrosRead);
    loadList(StoreFile::Guns, guns, kMaxLibraryRecords, ahead.guns, ahead.gunsRead);

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

bool NameSet::Contains(std::u16string_view name) const {
    return folded_.count(FoldText(name)) != 0;
}

void NameSet::Add(std::u16string_view name) {
    folded_.insert(FoldText(name));
}

std::u16string NameSet::Take(std::u16string_view base) {
    std::u16string candidate = detail::NameCandidate(base, 0);
    if (folded_.insert(FoldText(candidate)).second) {
        return candidate;
    }
    // Suffixes below the remembered one were all taken when it was handed
    // out, and names are never removed from the set.
    int& next = nextSuffix_[FoldText(base)];
    while (true) {
        next = next < 1 ? 1 : next + 1;
        candidate = detail::NameCandidate(base, next);
        if (folded_.insert(FoldText(candidate)).second) {
            return candidate;
        }
        if (next == std::numeric_limits<int>::max()) {
            return candidate;
        }
    }
}

}  // namespace mouse
