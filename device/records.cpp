#include "device/records.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "device/sensors.h"
#include "store/tables.h"

namespace mouse {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Simple lower-case mapping of the scripts names are written in here: ASCII,
// Latin-1, Latin Extended-A, Greek and Cyrillic. Other characters map to
// themselves, so the comparison stays exact for them.
char16_t FoldCase(char16_t c) {
    if (c < 0x80) {
        return (c >= u'A' && c <= u'Z') ? char16_t(c + 0x20) : c;
    }
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) {
        return char16_t(c + 0x20);
    }
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A pairs capitals with the next code point; the runs
        // 0x139-0x148 and 0x179-0x17E have their capitals on odd code points.
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
            return (c & 1) ? char16_t(c + 1) : c;
        }
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) {
            return c;  // dotted I, dotless i, kra, 'n, long s: no simple pair
        }
        if (c == 0x178) {
            return 0xFF;  // Y with diaeresis
        }
        return (c & 1) ? c : char16_t(c + 1);
    }
    if (c >= 0x386 && c <= 0x3AB) {
        if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) {
            return char16_t(c + 0x20);
        }
        switch (c) {
            case 0x386:
                return 0x3AC;
            case 0x388:
            case 0x389:
            case 0x38A:
                return char16_t(c + 0x25);
            case 0x38C:
                return 0x3CC;
            case 0x38E:
            case 0x38F:
                return char16_t(c + 0x3F);
            default:
                return c;
        }
    }
    if (c >= 0x400 && c <= 0x40F) {
        return char16_t(c + 0x50);
    }
    if (c >= 0x410 && c <= 0x42F) {
        return char16_t(c + 0x20);
    }
    if (c >= 0x460 && c <= 0x4FF) {
        // Cyrillic supplement letters come in capital/small pairs, capital on
        // the even code point, except the run 0x4C1-0x4CE (capital odd).
        if (c >= 0x482 && c <= 0x489) {
            return c;  // signs and combining marks
        }
        if (c == 0x4C0) {
            return 0x4CF;
        }
        if (c >= 0x4C1 && c <= 0x4CE) {
            return (c & 1) ? char16_t(c + 1) : c;
        }
        if (c == 0x4CF) {
            return c;
        }
        return (c & 1) ? c : char16_t(c + 1);
    }
    return c;
}

std::u16string_view FieldView(const TextField& field) {
    size_t n = 0;
    while (n < size_t(kTextChars) && field[n] != 0) {
        ++n;
    }
    return std::u16string_view(field, n);
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(char16_t(cp));
    } else {
        cp -= 0x10000;
        out.push_back(char16_t(0xD800 + (cp >> 10)));
        out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    }
}

constexpr std::array<uint32_t, 8> kTableC = {
    MakeColour(255, 0, 0),   MakeColour(0, 255, 0),     MakeColour(0, 0, 255),
    MakeColour(255, 255, 0), MakeColour(255, 0, 255),   MakeColour(0, 255, 255),
    MakeColour(255, 128, 0), MakeColour(255, 255, 255),
};

}  // namespace

std::u16string ReadText(const TextField& field) {
    return std::u16string(FieldView(field));
}

void WriteText(TextField& field, std::u16string_view text) {
    size_t n = std::min(text.size(), size_t(kTextChars - 1));
    // Never keep half of a surrogate pair at the cut.
    if (n < text.size() && n > 0 && IsHighSurrogate(text[n - 1]) && IsLowSurrogate(text[n])) {
        --n;
    }
    // The text may view the field itself: move it first, then clear the rest.
    if (n > 0) {
        std::memmove(field, text.data(), n * sizeof(char16_t));
    }
    std::fill(field + n, field + kTextChars, char16_t(0));
}

bool TextEqualsNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

bool TextEqualsNoCase(const TextField& a, std::u16string_view b) {
    return TextEqualsNoCase(FieldView(a), b);
}

std::u16string FoldText(std::u16string_view text) {
    std::u16string folded(text);
    for (char16_t& c : folded) {
        c = FoldCase(c);
    }
    return folded;
}

std::u16string CleanText(std::u16string_view text) {
    std::u16string clean(text);
    for (size_t i = 0; i < clean.size(); ++i) {
        char16_t& c = clean[i];
        if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xFFFE || c == 0xFFFF) {
            c = kReplacement;
        } else if (IsHighSurrogate(c)) {
            if (i + 1 < clean.size() && IsLowSurrogate(clean[i + 1])) {
                ++i;  // a whole pair
            } else {
                c = kReplacement;
            }
        } else if (IsLowSurrogate(c)) {
            c = kReplacement;
        }
    }
    return clean;
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            char32_t cp =
                0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            AppendUtf8(out, cp);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

// Decodes strictly: overlong forms, encoded surrogates and values above
// U+10FFFF are invalid. Each maximal invalid part becomes one U+FFFD.
std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const uint8_t lead = uint8_t(text[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        int length = 0;
        char32_t cp = 0;
        uint8_t low = 0x80;
        uint8_t high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            cp = lead & 0x0F;
            if (lead == 0xE0) {
                low = 0xA0;
            } else if (lead == 0xED) {
                high = 0x9F;
            }
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            cp = lead & 0x07;
            if (lead == 0xF0) {
                low = 0x90;
            } else if (lead == 0xF4) {
                high = 0x8F;
            }
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        size_t j = i + 1;
        int got = 1;
        while (got < length && j < text.size()) {
            const uint8_t b = uint8_t(text[j]);
            if (b < low || b > high) {
                break;
            }
            cp = (cp << 6) | (b & 0x3F);
            low = 0x80;
            high = 0xBF;
            ++j;
            ++got;
        }
        if (got == length) {
            AppendUtf16(out, cp);
        } else {
            out.push_back(kReplacement);
        }
        i = j;
    }
    return out;
}

void MakeDefaultRecord(ProfileRecord& record, int sensorCode) {
    std::memset(&record, 0, sizeof(record));
    record.pointerSpeed = 6;
    record.scrollLines = 3;
    record.doubleClickSpeed = 5;
    record.enhancePointerPrecision = 0;
    record.onePageScroll = 0;
    record.reserved120 = 10;
    record.reserved124 = 10;
    record.reportRateIndex = 2;
    record.currentDpiLevel = 0;
    static_assert(std::tuple_size_v<decltype(SensorRow::defaultSteps)> == kDpiLevels);
    const auto steps = SensorDefaultSteps(sensorCode);
    for (int i = 0; i < kDpiLevels; ++i) {
        record.dpiValue[i] = steps[size_t(i)];
        record.dpiValueY[i] = steps[size_t(i)];
        record.dpiLevelEnabled[i] = 1;
        record.dpiColour[i] = kTableC[size_t(i)];
        record.cycleColourEnabled[i] = i < 7 ? 1 : 0;
        record.cycleColour[i] = kTableC[size_t(i)];
    }
    record.lightMode = 4;
    record.lightBrightness = 255;
    record.lightFrequency = 3;
    record.lightColourMode = 1;
    record.lightLength = 2;
    record.lightFixedColour = MakeColour(255, 0, 0);
    record.liftOffDistance = kDefaultLiftOffDistance;
    record.distanceEnabled = 0;
    record.keyResponse = 4;
    record.dpiLevelCount = 8;
    record.buttonMode = 0;
    for (int i = 0; i < kButtonSlots; ++i) {
        ButtonEntry& b = record.buttons[i];
        b.buttonIndex = uint8_t(i);
        b.functionId = DefaultFunction(i);
        b.gunIndex = -1;
        b.macroIndex = -1;
        b.bindingColour = 255;
        b.fireClickCount = 0;
        b.fireClickDelay = 2;
    }
}

void CopyFromTemplate(ProfileRecord& record, const ProfileRecord& templ, std::u16string_view name) {
    if (&record != &templ) {
        std::memcpy(&record, &templ, sizeof(record));
    }
    WriteText(record.name, name);
}

}  // namespace mouse
