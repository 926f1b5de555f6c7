// Helpers shared by the fuzz targets: a private scratch folder, a reader that
// cuts an input into fields, and a check that turns a broken invariant into a
// crash libFuzzer records.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

namespace mouse::fuzz {

// Aborts with the failed condition: libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(cond)                                                                      \
    do {                                                                                      \
        if (!(cond)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)

// One folder per process, made on first use and removed when the process
// exits normally: under $TMPDIR when it is set (the smoke script points it
// at its own scratch folder), else in /dev/shm so that the many small writes
// stay in memory.
inline const std::filesystem::path& ScratchFolder(const char* name) {
    static std::filesystem::path folder;
    if (folder.empty()) {
        namespace fs = std::filesystem;
        fs::path base;
        if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) {
            base = tmp;
        } else if (std::error_code ec; fs::is_directory("/dev/shm", ec)) {
            base = "/dev/shm";
        } else {
            base = fs::temp_directory_path();
        }
        folder = base / (std::string("mouse-fuzz-") + name + "-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        });
    }
    return folder;
}

// Empties folder (creating it when needed).
inline void ResetFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directories(folder);
}

inline void WriteFile(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    FUZZ_CHECK(out.good());
}

// Reads fields from the front of an input. Past the end every read gives
// zeros / an empty span, so a short input is still a complete case.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    size_t Left() const { return size_ - pos_; }

    uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t U16() { return uint16_t(U8() | U8() << 8); }
    uint32_t U32() {
        const uint32_t low = U16();
        return low | uint32_t(U16()) << 16;
    }
    // At most n bytes.
    std::span<const uint8_t> Take(size_t n) {
        const size_t k = n < Left() ? n : Left();
        std::span<const uint8_t> part(data_ + pos_, k);
        pos_ += k;
        return part;
    }
    std::span<const uint8_t> Rest() { return Take(Left()); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace mouse::fuzz
