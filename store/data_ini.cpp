#include "store/data_ini.h"
#include "store/ascii.h"

#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "device/records.h"

namespace mouse {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsSpace(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

struct Section {
    std::string_view name;
    std::vector<Entry> entries;
};

// The text split into sections and entries, viewing into the caller's text.
class IniText {
public:
    explicit IniText(std::string_view text) {
        Section* current = nullptr;
        while (!text.empty()) {
            const size_t end = text.find('\n');
            std::string_view line = Trim(text.substr(0, end));
            text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
            if (line.empty() || line.front() == ';') {
                continue;
            }
            if (line.front() == '[') {
                const size_t close = line.find(']');
                if (close != std::string_view::npos) {
                    sections_.push_back({Trim(line.substr(1, close - 1)), {}});
                    current = &sections_.back();
                }
                continue;
            }
            const size_t eq = line.find('=');
            if (!current || eq == std::string_view::npos) {
                continue;
            }
            current->entries.push_back(
                {Trim(line.substr(0, eq)), Unquote(Trim(line.substr(eq + 1)))});
        }
    }

    // Only the first section of a name is searched, and within it the first
    // entry of the key counts, as the Windows profile functions do.
    std::optional<std::string_view> Get(std::string_view section, std::string_view key) const {
        for (const auto& s : sections_) {
            if (!AsciiEqualsNoCase(s.name, section)) {
                continue;
            }
            for (const auto& e : s.entries) {
                if (AsciiEqualsNoCase(e.key, key)) {
                    return e.value;
                }
            }
            return std::nullopt;
        }
        return std::nullopt;
    }

private:
    // A value enclosed in matching quotes loses them.
    static std::string_view Unquote(std::string_view v) {
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
            return v.substr(1, v.size() - 2);
        }
        return v;
    }

    std::vector<Section> sections_;
};

// Decimal integer: leading blanks, an optional sign, then the leading digits;
// no digits gives 0. Overflow wraps around like the 32-bit system routine.
int ParseDecimal(std::string_view s) {
    s = Trim(s);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    uint32_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10u + uint32_t(c - '0');
    }
    if (negative) {
        value = 0u - value;
    }
    return int(int32_t(value));
}

// Hexadecimal number with an optional 0x; nullopt when there is no digit.
std::optional<uint32_t> ParseHex(std::string_view s) {
    s = Trim(s);
    if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') &&
        (s.size() == 2 || HexDigitValue(s[2]) >= 0)) {
        s.remove_prefix(2);
        if (s.empty()) {
            return 0u;  // "0x" alone: the 0 was a digit
        }
    }
    uint32_t value = 0;
    bool any = false;
    for (char c : s) {
        const int d = HexDigitValue(c);
        if (d < 0) {
            break;
        }
        value = (value << 4) | uint32_t(d);
        any = true;
    }
    if (!any) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> SplitCommas(std::string_view s) {
    std::vector<std::string_view> parts;
    while (true) {
        const size_t comma = s.find(',');
        parts.push_back(s.substr(0, comma));
        if (comma == std::string_view::npos) {
            break;
        }
        s.remove_prefix(comma + 1);
    }
    return parts;
}

// An integer key: missing or empty gives the default (an empty value counts
// as missing for the system's integer reader as well).
int GetInt(const IniText& ini, std::string_view key, int fallback) {
    const auto v = ini.Get("Default", key);
    if (!v || v->empty()) {
        return fallback;
    }
    return ParseDecimal(*v);
}

// A hexadecimal key. A value without any hex digit keeps the default too: a
// device id of 0 can never match, the built-in one may.
int GetHex(const IniText& ini, std::string_view key, int fallback) {
    const auto v = ini.Get("Default", key);
    if (!v) {
        return fallback;
    }
    const auto parsed = ParseHex(*v);
    return parsed ? int(*parsed) : fallback;
}

}  // namespace

DeviceConfig ParseDeviceConfig(const std::string& text) {
    const IniText ini(text);
    DeviceConfig config;
    config.vid = GetHex(ini, "VID", config.vid);
    config.pid = GetHex(ini, "PID", config.pid);
    config.dpi = GetInt(ini, "DPI", config.dpi);
    config.sensor = GetInt(ini, "Sensor", config.sensor);
    config.distance = GetInt(ini, "Distance", config.distance);
    config.distanceMin = GetHex(ini, "Distance_Min", config.distanceMin);
    config.distanceMax = GetHex(ini, "Distance_Max", config.distanceMax);

    // Button overrides: five comma-separated hex bytes. Each field is read on
    // its own; a field that is missing or has no hex digit stays 0, and only
    // the low byte of a larger number is kept.
    for (int slot = 0; slot < 64; ++slot) {
        const auto v = ini.Get("BUTTON", std::to_string(slot + 1));
        if (!v) {
            continue;
        }
        const auto fields = SplitCommas(*v);
        ButtonOverride& o = config.buttonOverrides[size_t(slot)];
        for (size_t i = 0; i < fields.size() && i < 5; ++i) {
            const uint8_t byte = uint8_t(ParseHex(fields[i]).value_or(0));
            if (i < 4) {
                o.code[i] = byte;
            } else {
                o.useProfile = byte;
            }
        }
    }

    config.verH = GetInt(ini, "Ver_H", config.verH);
    config.verL = GetInt(ini, "Ver_L", config.verL);
    config.update = GetInt(ini, "Update", config.update);

    // Eight decimal numbers, each kept as its low byte; missing fields stay 0.
    if (const auto v = ini.Get("Default", "Distance_Value")) {
        const auto fields = SplitCommas(*v);
        for (size_t i = 0; i < fields.size() && i < config.distanceValue.size(); ++i) {
            config.distanceValue[i] = uint8_t(ParseDecimal(fields[i]));
        }
    }
    return config;
}

DeviceConfig LoadDeviceConfig(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return DeviceConfig{};
    }
    std::string text;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        text.append(buffer, n);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        return DeviceConfig{};
    }
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text.erase(0, 3);
    } else if (text.size() >= 2 && uint8_t(text[0]) == 0xFF && uint8_t(text[1]) == 0xFE) {
        // UTF-16LE, as the Windows profile functions also write it.
        std::u16string wide;
        wide.reserve(text.size() / 2);
        for (size_t i = 2; i + 1 < text.size(); i += 2) {
            wide.push_back(char16_t(uint8_t(text[i]) | (uint8_t(text[i + 1]) << 8)));
        }
        text = ToUtf8(wide);
    }
    return ParseDeviceConfig(text);
}

}  // namespace mouse
