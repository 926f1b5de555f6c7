#include "store/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "store/tables.h"

namespace mouse {

namespace {

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

// The name as it will be kept: at most 49 characters without splitting a
// pair, unprintable characters replaced.
std::u16string CleanName(const TextField& field) {
    std::u16string name = ReadText(field);
    if (name.size() >= size_t(kTextChars)) {
        name.resize(size_t(kTextChars - 1));
        if (IsHighSurrogate(name.back())) {
            name.pop_back();  // its low half was the 50th character
        }
    }
    return CleanText(name);
}

bool FieldBytesEqual(const TextField& field, std::u16string_view text) {
    TextField written{};
    WriteText(written, text);
    return std::memcmp(written, field, sizeof(TextField)) == 0;
}

struct Fixer {
    std::vector<std::string>& corrected;

    template <typename T>
    void Range(T& value, const T& fallback, long long lo, long long hi, std::string name) {
        if (static_cast<long long>(value) < lo || static_cast<long long>(value) > hi) {
            value = fallback;
            corrected.push_back(std::move(name));
        }
    }
    void Colour(uint32_t& colour, std::string name) {
        if ((colour & 0xFF000000u) != 0) {
            colour &= 0x00FFFFFFu;
            corrected.push_back(std::move(name));
        }
    }
};

std::string Indexed(const char* field, int i) {
    return std::string(field) + "[" + std::to_string(i) + "]";
}

bool KnownFunction(int id) {
    // 121 binds a recoil preset; it has no row of device bytes of its own.
    return FindFunction(id) != nullptr || id == FunctionIdForMenuName("select_gun");
}

}  // namespace

std::vector<std::string> SanitizeProfile(ProfileRecord& r, const ProfileLimits& limits,
                                         std::u16string_view fallbackName) {
    std::vector<std::string> corrected;
    auto defaults = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*defaults, limits.sensorCode);
    const ProfileRecord& d = *defaults;

    // Name: whatever follows the terminator is dropped too, so that the
    // record saves the same bytes a typed name would.
    std::u16string name = CleanName(r.name);
    if (name.empty()) {
        name = std::u16string(fallbackName.substr(0, std::min<size_t>(fallbackName.size(), 256)));
        TextField cut{};
        WriteText(cut, name);
        name = CleanName(cut);
    }
    if (!FieldBytesEqual(r.name, name)) {
        WriteText(r.name, name);
        corrected.push_back("name");
    }

    Fixer fix{corrected};
    fix.Range(r.pointerSpeed, d.pointerSpeed, 1, 11, "pointerSpeed");
    fix.Range(r.scrollLines, d.scrollLines, 1, 100, "scrollLines");
    // The double-click time 900 - 70 x step must stay positive.
    fix.Range(r.doubleClickSpeed, d.doubleClickSpeed, 0, 12, "doubleClickSpeed");
    fix.Range(r.enhancePointerPrecision, d.enhancePointerPrecision, 0, 1,
              "enhancePointerPrecision");
    fix.Range(r.onePageScroll, d.onePageScroll, 0, 1, "onePageScroll");
    fix.Range(r.reportRateIndex, d.reportRateIndex, 0, 3, "reportRateIndex");
    fix.Range(r.currentDpiLevel, d.currentDpiLevel, 0, kDpiLevels - 1, "currentDpiLevel");
    for (int i = 0; i < kDpiLevels; ++i) {
        fix.Range(r.dpiLevelEnabled[i], d.dpiLevelEnabled[i], 0, 1, Indexed("dpiLevelEnabled", i));
    }
    for (int i = 0; i < kDpiLevels; ++i) {
        fix.Colour(r.dpiColour[i], Indexed("dpiColour", i));
    }
    fix.Range(r.lightMode, d.lightMode, 0, 11, "lightMode");
    fix.Range(r.lightBrightness, d.lightBrightness, 0, 255, "lightBrightness");
    // Speed and length are steps 1-4 on the page; the effects send 4 - step,
    // which any other value would wrap into a byte the mouse does not know.
    fix.Range(r.lightFrequency, d.lightFrequency, 1, 4, "lightFrequency");
    fix.Range(r.lightColourMode, d.lightColourMode, 0, 1, "lightColourMode");
    fix.Range(r.lightLength, d.lightLength, 1, 4, "lightLength");
    fix.Colour(r.lightFixedColour, "lightFixedColour");
    for (int i = 0; i < 8; ++i) {
        fix.Range(r.cycleColourEnabled[i], d.cycleColourEnabled[i], 0, 1,
                  Indexed("cycleColourEnabled", i));
    }
    for (int i = 0; i < 8; ++i) {
        fix.Colour(r.cycleColour[i], Indexed("cycleColour", i));
    }
    fix.Range(r.distanceEnabled, d.distanceEnabled, 0, 1, "distanceEnabled");
    fix.Range(r.dpiLevelCount, d.dpiLevelCount, 1, kDpiLevels, "dpiLevelCount");
    fix.Range(r.buttonMode, d.buttonMode, 0, 1, "buttonMode");

    for (int i = 0; i < kButtonSlots; ++i) {
        ButtonEntry& b = r.buttons[i];
        const std::string slot = Indexed("buttons", i);
        if (!KnownFunction(b.functionId) || b.bindingCount > kMaxMacroActions) {
            // Nothing of an entry whose function is unknown can be trusted.
            b = d.buttons[i];
            corrected.push_back(slot);
            continue;
        }
        if (b.buttonIndex != uint8_t(i)) {
            b.buttonIndex = uint8_t(i);
            corrected.push_back(slot + ".buttonIndex");
        }
        fix.Range(b.macroIndex, -1, -1, static_cast<long long>(limits.macroCount) - 1,
                  slot + ".macroIndex");
        fix.Range(b.gunIndex, -1, -1, static_cast<long long>(limits.gunCount) - 1,
                  slot + ".gunIndex");
        fix.Range(b.fireClickCount, d.buttons[i].fireClickCount, 0, 255, slot + ".fireClickCount");
        fix.Range(b.fireClickDelay, d.buttons[i].fireClickDelay, 1, 255, slot + ".fireClickDelay");
    }
    return corrected;
}

ProfileFileResult ParseProfileFile(std::span<const uint8_t> bytes, const ProfileLimits& limits,
                                   std::u16string_view fallbackName) {
    ProfileFileResult result;
    if (bytes.empty()) {
        result.error = ProfileFileError::Empty;
    } else if (bytes.size() < sizeof(ProfileRecord)) {
        result.error = ProfileFileError::TooShort;
    } else if (bytes.size() > sizeof(ProfileRecord)) {
        result.error = ProfileFileError::TooLong;
    }
    if (result.error != ProfileFileError::None) {
        return result;
    }
    result.record = std::make_unique_for_overwrite<ProfileRecord>();
    std::memcpy(result.record.get(), bytes.data(), sizeof(ProfileRecord));
    result.corrected = SanitizeProfile(*result.record, limits, fallbackName);
    return result;
}

ProfileFileResult ReadProfileFile(const std::filesystem::path& path, const ProfileLimits& limits) {
    ProfileFileResult unreadable;
    unreadable.error = ProfileFileError::Unreadable;
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return unreadable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return unreadable;
    }
    // One byte more than a record tells a longer file from a whole one
    // without reading a huge file.
    std::vector<uint8_t> bytes(sizeof(ProfileRecord) + 1);
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            return unreadable;
        }
        if (n == 0) {
            break;
        }
        got += size_t(n);
    }
    ::close(fd);
    bytes.resize(got);
    const std::string stem = path.stem().string();
    return ParseProfileFile(bytes, limits, FromUtf8(stem));
}

IoResult WriteProfileFile(const std::filesystem::path& path, const ProfileRecord& record) {
    return WriteFileAtomically(path, &record, sizeof record);
}

std::string DescribeProfileFileError(ProfileFileError error) {
    switch (error) {
        case ProfileFileError::None:
            return "the file holds a profile";
        case ProfileFileError::Unreadable:
            return "the file cannot be read";
        case ProfileFileError::Empty:
            return "the file is empty";
        case ProfileFileError::TooShort:
            return "the file is shorter than a profile (" + std::to_string(sizeof(ProfileRecord)) +
                   " bytes)";
        case ProfileFileError::TooLong:
            return "the file is longer than a profile (" + std::to_string(sizeof(ProfileRecord)) +
                   " bytes)";
    }
    return "the file cannot be read";
}

}  // namespace mouse
