#include "store/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <algorithm>

#include "device/protocol.h"
#include "device/sensors.h"
#include "store/button_rules.h"
#include "store/gun_library.h"
#include "store/macro_library.h"
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

// A field's name, made into text only when the field is corrected: most
// records correct nothing, and a check at start-up walks every profile.
struct Field {
    // Implicit: a plain field is named by its text alone.
    Field(const char* name, int at = -1, const char* member = nullptr)  // NOLINT
        : base(name), index(at), sub(member) {}
    const char* base;
    int index;
    const char* sub;  // a field of an indexed entry
    std::string Text() const {
        std::string text = base;
        if (index >= 0) {
            text.append(1, '[').append(std::to_string(index)).append(1, ']');
        }
        if (sub != nullptr) {
            text.append(1, '.').append(sub);
        }
        return text;
    }
};

struct Fixer {
    std::vector<std::string>& corrected;

    void Note(const Field& field) { corrected.push_back(field.Text()); }
    template <typename T>
    void Range(T& value, const T& fallback, long long lo, long long hi, const Field& field) {
        if (static_cast<long long>(value) < lo || static_cast<long long>(value) > hi) {
            value = fallback;
            Note(field);
        }
    }
    template <typename T>
    void Colour(T& colour, const Field& field) {
        if ((uint32_t(colour) & 0xFF000000u) != 0) {
            colour = T(uint32_t(colour) & 0x00FFFFFFu);
            Note(field);
        }
    }
};

bool KnownFunction(int id) {
    // 121 binds a recoil preset and 57 a macro on the left button; neither
    // has a row of device bytes of its own (both are sent as a preset).
    return FindFunction(id) != nullptr || id == FunctionIdForMenuName("select_gun") ||
           id == fn::kLeftButtonMacro;
}

bool IsMacroKind(int id) {
    return id == fn::kMacro || id == fn::kLeftButtonMacro;
}

bool IsPresetKind(int id) {
    return id == fn::kRecoil || id == fn::kLeftButtonMacro;
}

// The slider positions of the key response time (ms) on the performance page.
constexpr int kMinKeyResponse = 1;
constexpr int kMaxKeyResponse = 30;
// The positions of the lift-off distance list of Data.ini.
constexpr int kLiftOffPositions = 8;
// The repeat modes the select dialogs offer.
constexpr int kRepeatModes = 3;

// An entry whose function or binding cannot be trusted as a whole, or whose
// macro copy would play something nobody recorded, is replaced by the
// default entry of its slot; the fields of any other entry are corrected one
// by one.
void FixEntry(ButtonEntry& b, const ButtonEntry& d, int i, const ProfileLimits& limits,
              Fixer& fix) {
    const Field slot{"buttons", i};
    bool clamped = false;
    const bool macro = IsMacroKind(b.functionId);
    if (!KnownFunction(b.functionId) || b.bindingCount > kMaxMacroActions ||
        (macro &&
         !CheckMacroActions(std::span(b.macroActions, size_t(b.bindingCount)), clamped).empty()) ||
        (b.functionId == fn::kShortcut && b.shortcutKey != 0 &&
         KeyNameKey(b.shortcutKey).empty())) {
        b = d;
        fix.Note(slot);
        return;
    }
    if (macro && clamped) {
        fix.Note(Field{"buttons", i, "macroActions"});
    }
    if (b.buttonIndex != uint8_t(i)) {
        b.buttonIndex = uint8_t(i);
        fix.Note(Field{"buttons", i, "buttonIndex"});
    }
    fix.Range(b.macroIndex, -1, -1, static_cast<long long>(limits.macroCount) - 1,
              Field{"buttons", i, "macroIndex"});
    fix.Range(b.gunIndex, -1, -1, static_cast<long long>(limits.gunCount) - 1,
              Field{"buttons", i, "gunIndex"});
    fix.Range(b.repeatMode, d.repeatMode, 0, kRepeatModes - 1, Field{"buttons", i, "repeatMode"});
    fix.Range(b.shortcutModifiers, d.shortcutModifiers, 0, kModCtrl | kModShift | kModAlt | kModWin,
              Field{"buttons", i, "shortcutModifiers"});
    fix.Colour(b.bindingColour, Field{"buttons", i, "bindingColour"});
    fix.Range(b.fireClickCount, d.fireClickCount, 0, 255, Field{"buttons", i, "fireClickCount"});
    fix.Range(b.fireClickDelay, d.fireClickDelay, 1, 255, Field{"buttons", i, "fireClickDelay"});
    if (macro && b.bindingCount > 0) {
        // The loop count is sent in two bytes; the editor keeps 1..255. A
        // binding without actions sends an empty block, loops unused.
        fix.Range(b.bindingLoops, kMinMacroLoops, kMinMacroLoops, kMaxMacroLoops,
                  Field{"buttons", i, "bindingLoops"});
    } else if (b.functionId == fn::kRecoil) {
        // A preset's loops come from one byte of its record; its rows are
        // checked as an imported preset's are.
        fix.Range(b.bindingCount, uint16_t(kMaxBullets), 0, kMaxBullets,
                  Field{"buttons", i, "bindingCount"});
        fix.Range(b.bindingLoops, 0, 0, 255, Field{"buttons", i, "bindingLoops"});
        if (ClampBulletRows(b.gunData)) {
            fix.Note(Field{"buttons", i, "gunData"});
        }
    }
}

// The rules the button page keeps when it binds a function: at most ten
// macro buttons and three presets or left-button macros (later slots over
// the limit go back to their default), and each mode keeps a left click (its
// first slot goes back to its default, a left click, when none is left).
void FixBindingRules(ProfileRecord& r, const ProfileRecord& d, Fixer& fix) {
    int macros = 0;
    int presets = 0;
    for (int i = 0; i < kButtonSlots; ++i) {
        const int id = r.buttons[i].functionId;
        const bool over = (id == fn::kMacro && ++macros > kMaxMacroButtons) ||
                          (IsPresetKind(id) && ++presets > kMaxRecoilButtons);
        if (over) {
            r.buttons[i] = d.buttons[i];
            fix.Note(Field{"buttons", i});
        }
    }
    // Office mode counts slots 0-29, game mode 32-63.
    for (const auto& [first, last] : {std::pair{0, 29}, std::pair{32, 63}}) {
        bool kept = false;
        for (int i = first; i <= last; ++i) {
            const int id = r.buttons[i].functionId;
            kept = kept || id == fn::kLeftClick || id == fn::kSendGun;
        }
        if (!kept) {
            r.buttons[first] = d.buttons[first];
            fix.Note(Field{"buttons", first});
        }
    }
}

}  // namespace

std::vector<std::string> SanitizeProfile(ProfileRecord& r, const ProfileLimits& limits,
                                         std::u16string_view fallbackName) {
    auto defaults = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*defaults, limits.sensorCode);
    return SanitizeProfile(r, limits, fallbackName, *defaults);
}

std::vector<std::string> SanitizeProfile(ProfileRecord& r, const ProfileLimits& limits,
                                         std::u16string_view fallbackName, const ProfileRecord& d) {
    std::vector<std::string> corrected;

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
    fix.Range(r.pointerSpeed, d.pointerSpeed, 1, 11, Field{"pointerSpeed"});
    fix.Range(r.scrollLines, d.scrollLines, 1, 100, Field{"scrollLines"});
    // The double-click time 900 - 70 x step must stay positive.
    fix.Range(r.doubleClickSpeed, d.doubleClickSpeed, 0, 12, Field{"doubleClickSpeed"});
    fix.Range(r.enhancePointerPrecision, d.enhancePointerPrecision, 0, 1,
              "enhancePointerPrecision");
    fix.Range(r.onePageScroll, d.onePageScroll, 0, 1, Field{"onePageScroll"});
    fix.Range(r.reportRateIndex, d.reportRateIndex, 0, 3, Field{"reportRateIndex"});
    // The level in use must be one of the levels counted.
    fix.Range(r.dpiLevelCount, d.dpiLevelCount, 1, kDpiLevels, Field{"dpiLevelCount"});
    fix.Range(r.currentDpiLevel, d.currentDpiLevel, 0, r.dpiLevelCount - 1,
              Field{"currentDpiLevel"});
    // A step outside the sensor's slider encodes to a byte of another
    // segment, or wraps; a sensor the program does not know sends 0 for
    // every step, so any step is harmless there.
    if (const SensorRow* sensor = FindSensor(limits.sensorCode)) {
        const int lo = sensor->scale.minStep;
        const int hi = sensor->scale.maxStep;
        for (int i = 0; i < kDpiLevels; ++i) {
            fix.Range(r.dpiValue[i], std::clamp(d.dpiValue[i], lo, hi), lo, hi,
                      Field{"dpiValue", i});
        }
    }
    for (int i = 0; i < kDpiLevels; ++i) {
        fix.Range(r.dpiLevelEnabled[i], d.dpiLevelEnabled[i], 0, 1, Field{"dpiLevelEnabled", i});
    }
    for (int i = 0; i < kDpiLevels; ++i) {
        fix.Colour(r.dpiColour[i], Field{"dpiColour", i});
    }
    fix.Range(r.lightMode, d.lightMode, 0, 11, Field{"lightMode"});
    fix.Range(r.lightBrightness, d.lightBrightness, 0, 255, Field{"lightBrightness"});
    // Speed and length are steps 1-4 on the page; the effects send 4 - step,
    // which any other value would wrap into a byte the mouse does not know.
    fix.Range(r.lightFrequency, d.lightFrequency, 1, 4, Field{"lightFrequency"});
    fix.Range(r.lightColourMode, d.lightColourMode, 0, 1, Field{"lightColourMode"});
    fix.Range(r.lightLength, d.lightLength, 1, 4, Field{"lightLength"});
    fix.Colour(r.lightFixedColour, Field{"lightFixedColour"});
    for (int i = 0; i < 8; ++i) {
        fix.Range(r.cycleColourEnabled[i], d.cycleColourEnabled[i], 0, 1,
                  Field{"cycleColourEnabled", i});
    }
    for (int i = 0; i < 8; ++i) {
        fix.Colour(r.cycleColour[i], Field{"cycleColour", i});
    }
    // A position of the distance list, or the default of a profile whose
    // distance was never set (it sends 0, as the page has not chosen one).
    if (r.liftOffDistance != d.liftOffDistance) {
        fix.Range(r.liftOffDistance, d.liftOffDistance, 0, kLiftOffPositions - 1,
                  "liftOffDistance");
    }
    fix.Range(r.distanceEnabled, d.distanceEnabled, 0, 1, Field{"distanceEnabled"});
    fix.Range(r.keyResponse, d.keyResponse, kMinKeyResponse, kMaxKeyResponse, Field{"keyResponse"});
    fix.Range(r.buttonMode, d.buttonMode, 0, 1, Field{"buttonMode"});

    for (int i = 0; i < kButtonSlots; ++i) {
        FixEntry(r.buttons[i], d.buttons[i], i, limits, fix);
    }
    FixBindingRules(r, d, fix);
    return corrected;
}

std::vector<StoredProfileCorrection> SanitizeStoredProfiles(Stores& stores, int sensorCode) {
    auto defaults = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*defaults, sensorCode);
    const ProfileLimits limits{sensorCode, stores.macros.size(), stores.guns.size()};
    std::vector<StoredProfileCorrection> out;
    for (size_t i = 0; i < stores.profiles.size(); ++i) {
        std::vector<std::string> fields =
            SanitizeProfile(*stores.profiles[i], limits, {}, *defaults);
        if (!fields.empty()) {
            out.push_back({i, std::move(fields)});
        }
    }
    return out;
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
