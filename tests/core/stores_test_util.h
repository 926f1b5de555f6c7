// What the store tests share: a temporary folder, whole-file reads and
// writes, records and files made from a seed, a fault plan for the saves and
// a fixed clock and time zone for the names of damaged copies.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/temp_dir.h"
#include "store/stores.h"

namespace mouse::storetest {

namespace fs = std::filesystem;

struct TempDir : test::TempDir {
    TempDir() : test::TempDir("mouse-stores") {}
};

using test::ReadBytes;
using test::WriteBytes;

template <typename T>
inline void AppendRecord(std::vector<uint8_t>& bytes, const T& record) {
    const size_t at = bytes.size();
    bytes.resize(at + sizeof(T));
    std::memcpy(bytes.data() + at, &record, sizeof(T));
}

inline std::unique_ptr<ProfileRecord> NamedProfile(std::u16string_view name, int seed) {
    auto p = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*p, 3050);
    WriteText(p->name, name);
    p->dpiValue[0] = seed;
    p->buttons[seed % 64].macroActions[seed % 40].x = seed * 1000;
    p->reserved314[0] = uint8_t(seed);
    return p;
}

inline std::vector<uint8_t> ProfileFileOf(int count) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        AppendRecord(bytes, *NamedProfile(std::u16string{u'P', char16_t(u'A' + i)}, i + 1));
    }
    return bytes;
}

inline std::vector<uint8_t> DataBinOf(int32_t index, uint32_t reserved) {
    std::vector<uint8_t> bytes;
    AppendRecord(bytes, DataRecord{index, reserved});
    return bytes;
}

// Files whose names show a temporary file of a save.
inline std::vector<std::string> TempFilesIn(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos) {
            found.push_back(name);
        }
    }
    return found;
}

// Fault injection for the saves: the step named fails once its countdown
// has run out.
struct FaultPlan {
    const char* step;
    int countdown;  // calls of that step that pass before the fault
    int error;
};
inline FaultPlan g_plan{};
inline int g_writeCalls = 0;

inline int PlannedFault(const char* step) {
    if (std::strcmp(step, "write") == 0) {
        ++g_writeCalls;
    }
    if (std::strcmp(step, g_plan.step) != 0) {
        return 0;
    }
    return g_plan.countdown-- > 0 ? 0 : g_plan.error;
}

class HookGuard {
public:
    explicit HookGuard(FaultPlan plan) {
        g_plan = plan;
        g_writeCalls = 0;
        SetWriteFaultHookForTesting(&PlannedFault);
    }
    ~HookGuard() { SetWriteFaultHookForTesting(nullptr); }
};

// Local time zone for the names of damaged copies; restored afterwards.
class TimeZone {
public:
    explicit TimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) {
            old_ = old;
        }
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (old_) {
            ::setenv("TZ", old_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::optional<std::string> old_;
};

// 2026-12-08 10:15:00 UTC.
inline std::chrono::system_clock::time_point FixedNow() {
    using namespace std::chrono;
    return sys_days{year{2026} / 12 / 8} + hours{10} + minutes{15};
}

inline size_t RecordSizeOf(StoreFile which) {
    switch (which) {
        case StoreFile::DataBin:
            return sizeof(DataRecord);
        case StoreFile::Profiles:
            return sizeof(ProfileRecord);
        case StoreFile::Macros:
            return sizeof(MacroRecord);
        case StoreFile::Guns:
            return sizeof(GunRecord);
    }
    return 0;
}

inline size_t ListSize(const Stores& s, StoreFile which) {
    switch (which) {
        case StoreFile::DataBin:
            return 1;
        case StoreFile::Profiles:
            return s.profiles.size();
        case StoreFile::Macros:
            return s.macros.size();
        case StoreFile::Guns:
            return s.guns.size();
    }
    return 0;
}

inline std::vector<uint8_t> PatternBytes(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = uint8_t(i * 7 + seed + i / 997);
    }
    return bytes;
}

}  // namespace mouse::storetest
