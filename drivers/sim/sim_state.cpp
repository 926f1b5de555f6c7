#include "drivers/sim/sim_state.h"
#include "store/ascii.h"

#include <cstdio>
#include <map>
#include <span>
#include <vector>

namespace mouse {

namespace {

bool ParseHex(std::string_view text, std::span<uint8_t> out) {
    if (text.size() != out.size() * 2) {
        return false;
    }
    for (size_t i = 0; i < out.size(); ++i) {
        const int hi = HexDigitValue(text[2 * i]);
        const int lo = HexDigitValue(text[2 * i + 1]);
        if (hi < 0 || lo < 0) {
            return false;
        }
        out[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return true;
}

bool ParseCount(std::string_view text, uint32_t& out) {
    if (text.empty() || text.size() > 10) {
        return false;
    }
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFu) {
        return false;
    }
    out = static_cast<uint32_t>(v);
    return true;
}

// The fields of the text form, in order, with how to write and read each.
struct Field {
    std::string name;
    std::string value;
};

std::vector<Field> Fields(const SimState& s) {
    std::vector<Field> f;
    f.push_back({"plugged", s.plugged ? "1" : "0"});
    const uint8_t version[2] = {s.versionMajor, s.versionMinor};
    f.push_back({"version", HexBytes(version)});
    f.push_back({"settings", HexBytes(s.settings)});
    f.push_back({"buttonMode", HexNumber(s.buttonMode, 2)});
    f.push_back({"reportRate", HexNumber(s.reportRate, 2)});
    f.push_back({"dpiLevel", HexNumber(s.dpiLevel, 2)});
    f.push_back({"fixedColour", HexBytes(s.fixedColour)});
    const uint8_t light[3] = {s.lightEffect, s.lightP, s.lightQ};
    f.push_back({"light", HexBytes(light)});
    f.push_back({"cycleColours", HexBytes(s.cycleColours)});
    f.push_back({"dpiColours", HexBytes(s.dpiColours)});
    f.push_back({"dpiLevelCount", HexNumber(s.dpiLevelCount, 2)});
    f.push_back({"dpiTable", HexBytes(s.dpiTable)});
    f.push_back({"buttonTable", HexBytes(s.buttonTable)});
    for (size_t k = 0; k < s.macroBlocks.size(); ++k) {
        f.push_back({"macro" + std::to_string(k + 1),
                     s.macroBlocks[k] ? HexBytes(*s.macroBlocks[k]) : std::string("-")});
    }
    f.push_back({"liftOff", HexNumber(s.liftOff, 2)});
    f.push_back({"keyResponse", HexNumber(s.keyResponse, 2)});
    f.push_back({"highDpiMask", HexNumber(s.highDpiMask, 2)});
    f.push_back({"closingCount", std::to_string(s.closingCount)});
    f.push_back({"acceptedCount", std::to_string(s.acceptedCount)});
    f.push_back({"refusedCount", std::to_string(s.refusedCount)});
    f.push_back({"faultCount", std::to_string(s.faultCount)});
    return f;
}

bool ParseOne(const std::map<std::string, std::string, std::less<>>& values, const char* name,
              std::span<uint8_t> out) {
    auto it = values.find(name);
    return it != values.end() && ParseHex(it->second, out);
}

bool ParseOne(const std::map<std::string, std::string, std::less<>>& values, const char* name,
              uint8_t& out) {
    return ParseOne(values, name, std::span<uint8_t>(&out, 1));
}

bool ParseOne(const std::map<std::string, std::string, std::less<>>& values, const char* name,
              uint32_t& out) {
    auto it = values.find(name);
    return it != values.end() && ParseCount(it->second, out);
}

std::string Colour(std::span<const uint8_t> rgb) {
    std::string text = "#";
    text += HexBytes(rgb.first(3));
    return text;
}

}  // namespace

std::string EncodeSimState(const SimState& state) {
    std::string out;
    for (const Field& f : Fields(state)) {
        out += f.name;
        out += ' ';
        out += f.value;
        out += '\n';
    }
    return out;
}

std::optional<SimState> ParseSimState(std::string_view text) {
    std::map<std::string, std::string, std::less<>> values;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty()) {
            continue;
        }
        const size_t space = line.find(' ');
        if (space == std::string_view::npos) {
            return std::nullopt;
        }
        values[std::string(line.substr(0, space))] = std::string(line.substr(space + 1));
    }
    SimState s;
    auto plugged = values.find("plugged");
    if (plugged == values.end() || (plugged->second != "0" && plugged->second != "1")) {
        return std::nullopt;
    }
    s.plugged = plugged->second == "1";
    uint8_t version[2];
    uint8_t light[3];
    bool ok =
        ParseOne(values, "version", version) && ParseOne(values, "settings", s.settings) &&
        ParseOne(values, "buttonMode", s.buttonMode) &&
        ParseOne(values, "reportRate", s.reportRate) && ParseOne(values, "dpiLevel", s.dpiLevel) &&
        ParseOne(values, "fixedColour", s.fixedColour) && ParseOne(values, "light", light) &&
        ParseOne(values, "cycleColours", s.cycleColours) &&
        ParseOne(values, "dpiColours", s.dpiColours) &&
        ParseOne(values, "dpiLevelCount", s.dpiLevelCount) &&
        ParseOne(values, "dpiTable", s.dpiTable) &&
        ParseOne(values, "buttonTable", s.buttonTable) && ParseOne(values, "liftOff", s.liftOff) &&
        ParseOne(values, "keyResponse", s.keyResponse) &&
        ParseOne(values, "highDpiMask", s.highDpiMask) &&
        ParseOne(values, "closingCount", s.closingCount) &&
        ParseOne(values, "acceptedCount", s.acceptedCount) &&
        ParseOne(values, "refusedCount", s.refusedCount) &&
        ParseOne(values, "faultCount", s.faultCount);
    if (!ok) {
        return std::nullopt;
    }
    s.versionMajor = version[0];
    s.versionMinor = version[1];
    s.lightEffect = light[0];
    s.lightP = light[1];
    s.lightQ = light[2];
    for (size_t k = 0; k < s.macroBlocks.size(); ++k) {
        auto it = values.find("macro" + std::to_string(k + 1));
        if (it == values.end()) {
            return std::nullopt;
        }
        if (it->second == "-") {
            continue;
        }
        std::array<uint8_t, 128> block{};
        if (!ParseHex(it->second, block)) {
            return std::nullopt;
        }
        s.macroBlocks[k] = block;
    }
    return s;
}

std::string FormatSimState(const SimState& s) {
    std::string out;
    char line[160];
    auto add = [&](const char* label, const std::string& value) {
        std::snprintf(line, sizeof line, "%-15s %s\n", label, value.c_str());
        out += line;
    };
    auto spaced = [](std::span<const uint8_t> bytes) {
        std::string t;
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (i != 0) {
                t += ' ';
            }
            t += HexNumber(bytes[i], 2);
        }
        return t;
    };
    auto colours = [&](std::span<const uint8_t> list) {
        std::string t;
        for (size_t i = 0; i + 3 <= list.size(); i += 3) {
            if (i != 0) {
                t += ' ';
            }
            t += Colour(list.subspan(i, 3));
        }
        return t;
    };
    add("plugged:", s.plugged ? "yes" : "no");
    add("firmware:", std::to_string(s.versionMajor) + "." + std::to_string(s.versionMinor));
    add("settings:", spaced(s.settings));
    add("button mode:", std::to_string(s.buttonMode));
    add("report rate:", std::to_string(s.reportRate));
    add("DPI level:", std::to_string(s.dpiLevel));
    add("DPI levels:", std::to_string(s.dpiLevelCount));
    add("DPI table:", spaced(s.dpiTable));
    add("DPI colours:", colours(s.dpiColours));
    add("cycle colours:", colours(s.cycleColours));
    add("fixed colour:", Colour(s.fixedColour));
    add("lighting:", "effect " + std::to_string(s.lightEffect) + ", p " + HexNumber(s.lightP, 2) +
                         ", q " + HexNumber(s.lightQ, 2));
    add("lift-off:", HexNumber(s.liftOff, 2));
    add("key response:", HexNumber(s.keyResponse, 2));
    add("high-DPI mask:", HexNumber(s.highDpiMask, 2));
    add("closing cmds:", std::to_string(s.closingCount));
    add("exchanges:", std::to_string(s.acceptedCount) + " accepted, " +
                          std::to_string(s.refusedCount) + " refused, " +
                          std::to_string(s.faultCount) + " failed on purpose");
    out += "button table (slot: code):\n";
    for (size_t slot = 0; slot < 64; slot += 4) {
        std::string row;
        for (size_t j = slot; j < slot + 4; ++j) {
            std::snprintf(
                line, sizeof line, "  %2zu: %s", j,
                spaced(std::span<const uint8_t>(s.buttonTable).subspan(j * 4, 4)).c_str());
            row += line;
        }
        out += row + "\n";
    }
    for (size_t k = 0; k < s.macroBlocks.size(); ++k) {
        if (!s.macroBlocks[k]) {
            std::snprintf(line, sizeof line, "macro block %zu: not written\n", k + 1);
            out += line;
            continue;
        }
        std::snprintf(line, sizeof line, "macro block %zu:\n", k + 1);
        out += line;
        const std::span<const uint8_t> block(*s.macroBlocks[k]);
        for (size_t i = 0; i < block.size(); i += 16) {
            out += "  " + spaced(block.subspan(i, 16)) + "\n";
        }
    }
    return out;
}

}  // namespace mouse
