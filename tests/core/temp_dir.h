// A temporary folder per test, named after the test and the process, removed
// with everything in it when the test ends; whole-file reads and writes.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/file_io.h"

namespace mouse::test {

class TempDir {
public:
    explicit TempDir(const std::string& prefix = "mouse-test") {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = prefix + "-" + info->test_suite_name() + "-" + info->name() + "-" +
                           std::to_string(::getpid());
        for (char& c : name) {
            if (c == '/') {
                c = '_';  // parameterised test names hold slashes
            }
        }
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& p) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ReadWholeFile(p, bytes)) << p;
    return bytes;
}

inline void WriteBytes(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace mouse::test
