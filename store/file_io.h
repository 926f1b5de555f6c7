// Files written crash-safely and read with a bound: the file operations the
// stores, the exchange files and mousectl share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mouse {

// Outcome of a file operation; the user interface decides what to show.
struct IoResult {
    bool ok = true;
    std::string message;  // what failed, naming the file
    explicit operator bool() const { return ok; }
    static IoResult Failure(std::string text) { return IoResult{false, std::move(text)}; }
};

// Writes bytes to path crash-safely: a temporary file in the same folder is
// written, flushed to disk and renamed over the target, so the old file stays
// whole when anything fails. Creates the folder when it is missing.
IoResult WriteFileAtomically(const std::filesystem::path& path, const void* data, size_t size);
// Test seam for WriteFileAtomically: when set, the hook is asked before each
// step ("open", "write" once per chunk of at most 64 KiB, "sync", "rename")
// and a non-zero return fails that step with that errno value. LoadStores
// asks it with "move-aside" before it moves a damaged store file aside, and
// ReadFileUpTo with "read <file name>" before it reads. The
// hook may be called on any thread that saves. Not for production use; pass
// nullptr to remove it.
using WriteFaultHook = int (*)(const char* step);
void SetWriteFaultHookForTesting(WriteFaultHook hook);
// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes);

// How a bounded read of a file ended.
enum class ReadStatus {
    Ok,          // the whole file is in bytes
    Missing,     // no file of that name (or a folder on the way is missing)
    Unreadable,  // it exists but cannot be read: no permission, an I/O error, not a regular file
    TooLarge,    // longer than the limit
};
struct ReadOutcome {
    ReadStatus status = ReadStatus::Ok;
    int error = 0;        // errno of a failure (Missing, Unreadable)
    uintmax_t size = 0;   // the file's length when it was opened
    std::string message;  // what failed, naming the file; empty for Ok
    std::string reason;   // why a read failed, without the file's name
    explicit operator bool() const { return status == ReadStatus::Ok; }
};
// Reads a regular file of at most maxBytes into bytes. A longer file is
// TooLarge: its length is known from the open file, so nothing is read
// unless keepPrefix is set, which reads its first maxBytes. Only regular
// files are read, so a FIFO or a device under that name never blocks. The
// fault hook is asked with "read <file name>" before the read; an error it
// returns fails the read as Unreadable with that errno.
ReadOutcome ReadFileUpTo(const std::filesystem::path& path, size_t maxBytes,
                         std::vector<uint8_t>& bytes, bool keepPrefix = false);

// Where a save of path writes: path itself, or, when path is a symbolic
// link, the file the link (or the chain of links) names, so that a store
// kept in a synchronised folder through a link stays there. A relative link
// is taken from the link's own folder.
std::filesystem::path WriteTargetOf(const std::filesystem::path& path);

// Where a bounded read puts what it reads: Room gives space for up to `want`
// more bytes (never empty), Took says how many of them the read filled.
// Clear drops everything (a failed read); Keep(n) keeps the first n bytes.
class ReadTarget {
public:
    virtual ~ReadTarget() = default;
    virtual void Reserve(size_t n) = 0;
    virtual std::span<uint8_t> Room(size_t want) = 0;
    virtual void Took(size_t n) = 0;
    virtual size_t Size() const = 0;
    virtual void Clear() = 0;
    virtual void Keep(size_t n) = 0;
};
// ReadFileUpTo into any target: the store lists read straight into their
// records, with no buffer of the whole file.
ReadOutcome ReadFileInto(const std::filesystem::path& path, size_t maxBytes, ReadTarget& target,
                         bool keepPrefix);

// One piece of a file written by WriteChunksAtomically.
struct Chunk {
    const void* data;
    size_t size;
};
// WriteFileAtomically for a file made of several pieces (the records of a
// list), written in order without first copying them together.
IoResult WriteChunksAtomically(const std::filesystem::path& path, std::span<const Chunk> chunks);

// What the stores' loading shares with the writing here.
namespace fileio {
// The errno the test hook gives for this step, or 0.
int Fault(const char* step);
// The system's text for an errno value.
std::string ErrorText(int error);
// True when name is a temporary file name that a save of target makes
// (<target>.tmp-XXXXXX).
bool IsTempNameOf(std::string_view name, std::string_view target);
// Renames from to to unless to exists (EEXIST then); 0 or an errno value.
int RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);
// Makes a rename in folder durable; failures are ignored (some file systems
// refuse to sync a folder).
void SyncFolder(const std::filesystem::path& folder);
}  // namespace fileio

}  // namespace mouse
