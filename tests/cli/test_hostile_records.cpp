// Record files may hold anything: every 32-bit position of every record kind
// set to INT32_MIN, INT32_MAX and -1 is listed (inspect) and encoded
// (encode) without undefined behaviour. The sanitizer build
// (-DMOUSE_SANITIZE=ON) stops at the first overflow or bad shift.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/core_commands.h"
#include "cli/inspect.h"
#include "cli/mousectl_fixture.h"
#include "cli/record_files.h"
#include "device/records.h"

namespace mouse {
namespace {

constexpr int32_t kExtremes[] = {INT32_MIN, INT32_MAX, -1};

template <typename Record>
std::vector<uint8_t> Bytes(const Record& record) {
    std::vector<uint8_t> bytes(sizeof(Record));
    std::memcpy(bytes.data(), static_cast<const void*>(&record), sizeof(Record));
    return bytes;
}

// The record with the four bytes at offset (a multiple of 4) set to value.
template <typename Record>
std::unique_ptr<Record> WithValueAt(const Record& base, size_t offset, int32_t value) {
    auto record = std::make_unique<Record>(base);
    std::memcpy(reinterpret_cast<uint8_t*>(record.get()) + offset, &value, sizeof value);
    return record;
}

std::string Inspect(const std::vector<uint8_t>& bytes, const char* kind) {
    std::ostringstream out;
    cli::PrintRecords(bytes, *cli::KindFromName(kind), out);
    return out.str();
}

DeviceConfig Config() {
    DeviceConfig config;
    config.sensor = 3311;
    config.distance = 1;
    for (auto& o : config.buttonOverrides) {
        o.useProfile = 1;
    }
    return config;
}

TEST(HostileRecords, ProfileHeadFields) {
    auto base = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*base, 3311);
    const DeviceConfig config = Config();
    for (size_t offset = 0; offset < offsetof(ProfileRecord, buttons); offset += 4) {
        for (const int32_t value : kExtremes) {
            const auto record = WithValueAt(*base, offset, value);
            const std::string text = Inspect(Bytes(*record), "pbin");
            EXPECT_NE(text.find("slot 63"), std::string::npos) << offset << " " << value;
            const auto lines = cli::EncodeTranscript(*record, config, {});
            EXPECT_FALSE(lines.empty()) << offset << " " << value;
        }
    }
}

TEST(HostileRecords, ButtonEntryFieldsOfEveryFunctionWithParameters) {
    auto base = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*base, 3311);
    const DeviceConfig config = Config();
    const size_t entry = offsetof(ProfileRecord, buttons);
    // Fire click, shortcut, macro, left-button macro, recoil preset, click.
    for (const uint8_t function : {10, 21, 22, 57, 121, 1}) {
        for (size_t offset = 0; offset < sizeof(ButtonEntry); offset += 4) {
            for (const int32_t value : kExtremes) {
                auto record = WithValueAt(*base, entry + offset, value);
                record->buttons[0].functionId = function;
                const std::string text = Inspect(Bytes(*record), "pbin");
                EXPECT_NE(text.find("slot 0 "), std::string::npos)
                    << int(function) << " " << offset << " " << value;
                const auto lines = cli::EncodeTranscript(*record, config, {});
                EXPECT_FALSE(lines.empty()) << int(function) << " " << offset << " " << value;
            }
        }
    }
}

template <typename Record>
void InspectEveryPosition(const char* kind, bool folder) {
    Record base;
    std::memset(static_cast<void*>(&base), 0, sizeof base);
    for (size_t offset = 0; offset < sizeof(Record); offset += 4) {
        for (const int32_t value : kExtremes) {
            auto record = WithValueAt(base, offset, value);
            if (offset != offsetof(Record, isFolder)) {
                record->isFolder = folder ? 1 : 0;
            }
            const std::string text = Inspect(Bytes(*record), kind);
            EXPECT_FALSE(text.empty()) << kind << " " << offset << " " << value;
        }
    }
}

TEST(HostileRecords, LibraryAndDataRecords) {
    for (const bool folder : {false, true}) {
        InspectEveryPosition<MacroRecord>("mbin", folder);
        InspectEveryPosition<GunRecord>("gbin", folder);
    }
    for (const int32_t value : kExtremes) {
        const DataRecord record{value, uint32_t(value)};
        EXPECT_NE(Inspect(Bytes(record), "data").find(std::to_string(value)), std::string::npos);
    }
}

// The numbers shown from 1 are widened before the 1 is added.
TEST_F(MousectlTest, InspectShowsExtremeDpiLevelsExactly) {
    auto record = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*record, 3311);
    const struct {
        int32_t stored;
        const char* shown;
    } cases[] = {
        {INT32_MAX, "current level 2147483648\n"},
        {INT32_MIN, "current level -2147483647\n"},
        {-1, "current level 0\n"},
        {0, "current level 1\n"},
    };
    for (const auto& c : cases) {
        record->currentDpiLevel = c.stored;
        const std::filesystem::path path = dir / "hostile.pbin";
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(record.get()), sizeof(ProfileRecord));
        const RunResult r = Run({"inspect", path.string()});
        EXPECT_EQ(r.status, 0) << c.stored << ": " << r.err;
        EXPECT_NE(r.out.find(c.shown), std::string::npos) << c.stored;
        EXPECT_EQ(Run({"encode", path.string()}).status, 0) << c.stored;
    }
}

}  // namespace
}  // namespace mouse
