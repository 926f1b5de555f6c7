// The file kinds mousectl reads: which record a file holds, recognised by
// its name, and checked reading of whole records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace mouse::cli {

enum class RecordKind { kProfile, kMacro, kGun, kData };

struct FileKind {
    RecordKind record;
    bool single;       // the format holds exactly one record (.pbin, .mbin, .gbin, Data.bin)
    const char* name;  // as accepted by --as: pbin, profile, mbin, ...
};

size_t RecordSize(RecordKind kind);
const char* RecordName(RecordKind kind);  // "profile", "macro", "gun", "Data.bin"

// profile.bin, macro.bin, gun.bin and Data.bin by file name (any case);
// .pbin, .mbin, .mbins, .gbin, .gbins by extension.
std::optional<FileKind> KindFromPath(const std::filesystem::path& path);
// A --as value: pbin, profile, mbin, mbins, macro, gbin, gbins, gun, data
// (the store names profile.bin, macro.bin, gun.bin, Data.bin are accepted too).
std::optional<FileKind> KindFromName(const std::string& name);
// The accepted --as values, for help and error texts.
std::string KindNames();

// Reads the file; on failure message says why, naming the file.
bool ReadFileBytes(const std::filesystem::path& path, std::vector<uint8_t>& bytes,
                   std::string& message);

// A file read from front to back in pieces, so that a file of any size is
// gone through in bounded memory. Only a regular file is opened (a FIFO or a
// device could block or never end); its length is taken when it is opened.
class RecordFileReader {
public:
    RecordFileReader() = default;
    ~RecordFileReader();
    RecordFileReader(const RecordFileReader&) = delete;
    RecordFileReader& operator=(const RecordFileReader&) = delete;

    // On failure message says why, naming the file, as ReadFileBytes does.
    bool Open(const std::filesystem::path& path, std::string& message);
    uint64_t Size() const { return size_; }
    // The next size bytes; false on a read error or when the file ends
    // before them (it shrank since it was opened).
    bool Read(void* buffer, size_t size);

private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

// How the length of a file fits its kind; problem is empty when it fits.
struct LengthCheck {
    size_t wholeRecords = 0;
    size_t trailingBytes = 0;
    std::string problem;
};
LengthCheck CheckLength(size_t length, const FileKind& kind);

// Copies record i of bytes into record; the caller checked that it is whole.
template <typename T>
void CopyRecord(const std::vector<uint8_t>& bytes, size_t index, T& record) {
    std::memcpy(static_cast<void*>(&record), bytes.data() + index * sizeof(T), sizeof(T));
}

}  // namespace mouse::cli
