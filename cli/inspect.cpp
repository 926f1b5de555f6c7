#include "cli/inspect.h"
#include "cli/json_text.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>

#include "device/dpi_scale.h"
#include "device/encode.h"
#include "device/protocol.h"
#include "store/ascii.h"
#include "store/tables.h"

namespace mouse::cli {

namespace {

std::string ColourText(uint32_t colour) {
    const uint8_t rgb[] = {uint8_t(ColourRed(colour)), uint8_t(ColourGreen(colour)),
                           uint8_t(ColourBlue(colour))};
    return HexBytes(rgb);
}

std::string Quoted(const TextField& field) {
    std::string text = "\"";
    text += ToUtf8(ReadText(field));
    text += '"';
    return text;
}

std::string ModifierText(uint8_t mask) {
    std::string text;
    const std::pair<uint8_t, const char*> names[] = {
        {kModCtrl, "Ctrl"}, {kModShift, "Shift"}, {kModAlt, "Alt"}, {kModWin, "Win"}};
    for (const auto& [bit, name] : names) {
        if (mask & bit) {
            text += name;
            text += '+';
        }
    }
    return text;
}

std::string ActionText(const MacroAction& action) {
    std::string text;
    switch (action.kind) {
        case kActionPress:
            text = "press " + KeyDisplayName(action.code);
            break;
        case kActionRelease:
            text = "release " + KeyDisplayName(action.code);
            break;
        case kActionMove:
            text = "move (" + std::to_string(action.x) + ", " + std::to_string(action.y) + ")";
            break;
        default:
            text = "kind " + std::to_string(action.kind) + " code 0x" + HexNumber(action.code, 2);
            break;
    }
    return text + ", " + std::to_string(action.delay) + " ms";
}

void PrintActions(const MacroAction* actions, int stored, std::ostream& out) {
    const int count = std::min(stored, kMaxMacroActions);
    if (stored > kMaxMacroActions) {
        out << "      (" << stored << " actions claimed, only " << kMaxMacroActions << " stored)\n";
    }
    for (int i = 0; i < count; ++i) {
        out << "      " << i + 1 << ": " << ActionText(actions[i]) << "\n";
    }
}

void PrintBullets(const BulletRow* rows, int stored, std::ostream& out) {
    const int count = std::min(stored, kMaxBullets);
    if (stored > kMaxBullets) {
        out << "      (" << stored << " rows claimed, only " << kMaxBullets << " stored)\n";
    }
    for (int i = 0; i < count; ++i) {
        out << "      " << i + 1 << ": x " << rows[i].x << ", y " << rows[i].y << ", delay "
            << rows[i].delay << "\n";
    }
}

void PrintButton(const ButtonEntry& entry, int slot, std::ostream& out) {
    const int id = entry.functionId;
    out << "    slot " << slot << " (" << (slot < kSlotsPerMode ? "office" : "game") << " "
        << slot % kSlotsPerMode << "): " << FunctionDisplayName(id) << " [" << id << "]";
    switch (id) {
        case 10:
            out << " count " << entry.fireClickCount << ", delay " << entry.fireClickDelay;
            break;
        case 21:
            out << " " << ModifierText(entry.shortcutModifiers)
                << KeyDisplayName(entry.shortcutKey);
            break;
        case 22:
        case 57:
            out << " macro " << entry.macroIndex << " " << Quoted(entry.bindingFolder) << "/"
                << Quoted(entry.bindingName) << ", repeat mode " << entry.repeatMode << ", loops "
                << entry.bindingLoops << ", " << entry.bindingCount << " actions\n";
            PrintActions(entry.macroActions, entry.bindingCount, out);
            return;
        case 121:
            out << " gun " << entry.gunIndex << " " << Quoted(entry.bindingFolder) << "/"
                << Quoted(entry.bindingName) << ", option " << entry.bindingLoops << ", "
                << entry.bindingCount << " rows\n";
            PrintBullets(entry.gunData, entry.bindingCount, out);
            return;
        default:
            break;
    }
    out << "\n";
}

// One record buffer, made once and refilled for every record (a profile is
// 115 KB: not on the stack, and not allocated again per record).
template <typename Record, typename Print>
bool PrintEach(const NextRecordFn& next, size_t count, RecordKind kind, std::ostream& out,
               const Print& print) {
    auto record = std::make_unique<Record>();
    for (size_t i = 0; i < count && out; ++i) {
        if (!next(record.get(), sizeof(Record))) {
            return false;
        }
        out << RecordName(kind) << " " << i << ":\n";
        print(*record);
    }
    return true;
}

}  // namespace

std::string KeyDisplayName(uint8_t keyCode) {
    if (keyCode == 0) {
        return "none";
    }
    std::string name = ToUtf8(KeyNameKey(keyCode));
    if (name.empty()) {
        return "0x" + HexNumber(keyCode, 2);
    }
    if (name.rfind("key_", 0) == 0 && name.size() > 4) {
        name.erase(0, 4);
    }
    return name;
}

std::string FunctionDisplayName(int functionId) {
    if (const FunctionRow* row = FindFunction(functionId); row && row->menuName) {
        return row->menuName;
    }
    switch (functionId) {
        case 57:
            return "left-button macro";
        case 121:
            return "select_gun";
        default:
            break;
    }
    return FindFunction(functionId) ? "(not selectable)" : "(unknown function)";
}

void PrintProfile(const ProfileRecord& r, std::ostream& out, int sensorCode) {
    out << "  name " << Quoted(r.name) << "\n";
    out << "  pointer speed " << r.pointerSpeed << ", enhance precision "
        << r.enhancePointerPrecision << ", scroll lines " << r.scrollLines << ", one-page scroll "
        << r.onePageScroll << ", double-click speed " << r.doubleClickSpeed << " ("
        << 900 - 70 * int64_t(r.doubleClickSpeed) << " ms)\n";
    // What the pages show first; the stored numbers follow for support.
    const int rateValue = ReportRateValue(r.reportRateIndex);
    out << "  report rate " << 1000 / rateValue << " Hz (index " << r.reportRateIndex
        << "), button mode " << r.buttonMode
        << (r.buttonMode == 0   ? " (office)"
            : r.buttonMode == 1 ? " (game)"
                                : "")
        << "\n";
    // Shown from 1; widened first, as the file may hold any 32-bit value.
    out << "  DPI levels in use " << int(r.dpiLevelCount) << ", current level "
        << int64_t(r.currentDpiLevel) + 1 << "\n";
    for (int i = 0; i < kDpiLevels; ++i) {
        const std::string dpi = DpiStepText(r.dpiValue[i], sensorCode);
        out << "    level " << i + 1 << ": " << (dpi.empty() ? "" : dpi + " DPI, ") << "colour #"
            << ColourText(r.dpiColour[i]) << ", " << (i < r.dpiLevelCount ? "in use" : "not in use")
            << (i == r.currentDpiLevel ? ", current" : "") << "  [step " << r.dpiValue[i] << ", y "
            << r.dpiValueY[i] << ", " << (r.dpiLevelEnabled[i] ? "enabled" : "disabled") << "]\n";
    }
    const char* effect = light::EffectName(r.lightMode);
    out << "  lighting " << (effect != nullptr ? effect : "unknown effect") << " (mode "
        << r.lightMode << "), brightness " << r.lightBrightness << ", speed " << r.lightFrequency
        << ", colour mode " << r.lightColourMode << ", length " << r.lightLength
        << ", fixed colour #" << ColourText(r.lightFixedColour) << "\n";
    out << "  cycle colours";
    for (int i = 0; i < 8; ++i) {
        out << " #" << ColourText(r.cycleColour[i]) << (r.cycleColourEnabled[i] ? "" : "(off)");
    }
    out << "\n";
    out << "  lift-off distance " << r.liftOffDistance << ", distance enabled " << r.distanceEnabled
        << ", key response " << int(r.keyResponse) << " ms\n";
    out << "  buttons:\n";
    for (int slot = 0; slot < kButtonSlots; ++slot) {
        PrintButton(r.buttons[slot], slot, out);
    }
}

void PrintMacroRecord(const MacroRecord& r, std::ostream& out) {
    if (r.isFolder) {
        out << "  folder " << Quoted(r.folderName) << "\n";
        return;
    }
    out << "  macro " << Quoted(r.folderName) << "/" << Quoted(r.macroName) << ", loops "
        << r.loopCount << ", " << r.actionCount << " actions\n";
    PrintActions(r.actions, r.actionCount, out);
}

void PrintGunRecord(const GunRecord& r, std::ostream& out) {
    if (r.isFolder) {
        out << "  folder " << Quoted(r.folderName) << "\n";
        return;
    }
    out << "  gun " << Quoted(r.folderName) << "/" << Quoted(r.gunName) << ", option "
        << int(r.reserved202) << ", " << int(r.bulletCount) << " bullets\n";
    PrintBullets(r.bullets, r.bulletCount, out);
}

void PrintDataRecord(const DataRecord& r, std::ostream& out) {
    out << "  current profile index " << r.currentProfileIndex << ", reserved 0x"
        << HexNumber(r.reserved, 8) << "\n";
}

void PrintRecords(const std::vector<uint8_t>& bytes, const FileKind& kind, std::ostream& out,
                  int sensorCode) {
    const size_t size = RecordSize(kind.record);
    size_t at = 0;
    auto next = [&](void* record, size_t n) {
        std::memcpy(record, bytes.data() + at, n);
        at += n;
        return true;
    };
    PrintRecords(next, bytes.size() / size, kind, out, sensorCode);
}

bool PrintRecords(const NextRecordFn& next, size_t count, const FileKind& kind, std::ostream& out,
                  int sensorCode) {
    switch (kind.record) {
        case RecordKind::kProfile:
            return PrintEach<ProfileRecord>(
                next, count, kind.record, out,
                [&](const ProfileRecord& record) { PrintProfile(record, out, sensorCode); });
        case RecordKind::kMacro:
            return PrintEach<MacroRecord>(
                next, count, kind.record, out,
                [&](const MacroRecord& record) { PrintMacroRecord(record, out); });
        case RecordKind::kGun:
            return PrintEach<GunRecord>(
                next, count, kind.record, out,
                [&](const GunRecord& record) { PrintGunRecord(record, out); });
        case RecordKind::kData:
            return PrintEach<DataRecord>(
                next, count, kind.record, out,
                [&](const DataRecord& record) { PrintDataRecord(record, out); });
    }
    return true;
}

namespace {

using Json = nlohmann::json;

Json ActionsJson(const MacroAction* actions, int stored) {
    Json list = Json::array();
    for (int i = 0; i < std::min(stored, kMaxMacroActions); ++i) {
        const MacroAction& a = actions[i];
        list.push_back({{"kind", a.kind},
                        {"code", a.code},
                        {"delay", a.delay},
                        {"x", a.x},
                        {"y", a.y},
                        {"text", ActionText(a)}});
    }
    return list;
}

Json BulletsJson(const BulletRow* rows, int stored) {
    Json list = Json::array();
    for (int i = 0; i < std::min(stored, kMaxBullets); ++i) {
        list.push_back({{"x", rows[i].x}, {"y", rows[i].y}, {"delay", rows[i].delay}});
    }
    return list;
}

std::string Text(const TextField& field) {
    return ToUtf8(ReadText(field));
}

// "#rrggbb", built by appending: GCC 12 warns falsely on operator+ here.
std::string Colour(uint32_t colour) {
    std::string text(1, '#');
    text += ColourText(colour);
    return text;
}

Json ButtonJson(const ButtonEntry& e, int slot) {
    Json b = {{"slot", slot},
              {"functionId", e.functionId},
              {"function", FunctionDisplayName(e.functionId)}};
    switch (e.functionId) {
        case 10:
            b["fireClickCount"] = e.fireClickCount;
            b["fireClickDelay"] = e.fireClickDelay;
            break;
        case 21:
            b["shortcutModifiers"] = e.shortcutModifiers;
            b["shortcutKey"] = e.shortcutKey;
            {
                std::string shortcut = ModifierText(e.shortcutModifiers);
                shortcut += KeyDisplayName(e.shortcutKey);
                b["shortcut"] = shortcut;
            }
            break;
        case 22:
        case 57:
            b["macroIndex"] = e.macroIndex;
            b["bindingFolder"] = Text(e.bindingFolder);
            b["bindingName"] = Text(e.bindingName);
            b["repeatMode"] = e.repeatMode;
            b["bindingLoops"] = e.bindingLoops;
            b["actions"] = ActionsJson(e.macroActions, e.bindingCount);
            break;
        case 121:
            b["gunIndex"] = e.gunIndex;
            b["bindingFolder"] = Text(e.bindingFolder);
            b["bindingName"] = Text(e.bindingName);
            b["option"] = e.bindingLoops;
            b["rows"] = BulletsJson(e.gunData, e.bindingCount);
            break;
        default:
            break;
    }
    return b;
}

Json ProfileJson(const ProfileRecord& r, int sensorCode) {
    Json dpi = Json::array();
    for (int i = 0; i < kDpiLevels; ++i) {
        dpi.push_back({{"step", r.dpiValue[i]},
                       {"y", r.dpiValueY[i]},
                       {"dpi", DpiStepText(r.dpiValue[i], sensorCode)},
                       {"colour", Colour(r.dpiColour[i])},
                       {"enabled", r.dpiLevelEnabled[i] != 0}});
    }
    Json cycle = Json::array();
    for (int i = 0; i < 8; ++i) {
        cycle.push_back(
            {{"colour", Colour(r.cycleColour[i])}, {"enabled", r.cycleColourEnabled[i] != 0}});
    }
    Json buttons = Json::array();
    for (int slot = 0; slot < kButtonSlots; ++slot) {
        buttons.push_back(ButtonJson(r.buttons[slot], slot));
    }
    const char* effect = light::EffectName(r.lightMode);
    return {{"name", Text(r.name)},
            {"pointerSpeed", r.pointerSpeed},
            {"enhancePointerPrecision", r.enhancePointerPrecision},
            {"scrollLines", r.scrollLines},
            {"onePageScroll", r.onePageScroll},
            {"doubleClickSpeed", r.doubleClickSpeed},
            {"reportRateIndex", r.reportRateIndex},
            {"buttonMode", r.buttonMode},
            {"dpiLevelCount", r.dpiLevelCount},
            {"currentDpiLevel", r.currentDpiLevel},
            {"dpiLevels", dpi},
            {"lightMode", r.lightMode},
            {"lightEffect", effect != nullptr ? effect : ""},
            {"lightBrightness", r.lightBrightness},
            {"lightFrequency", r.lightFrequency},
            {"lightColourMode", r.lightColourMode},
            {"lightLength", r.lightLength},
            {"lightFixedColour", Colour(r.lightFixedColour)},
            {"cycleColours", cycle},
            {"liftOffDistance", r.liftOffDistance},
            {"distanceEnabled", r.distanceEnabled},
            {"keyResponse", r.keyResponse},
            {"buttons", buttons}};
}

template <typename Record, typename ToJson>
bool JsonEach(const NextRecordFn& next, size_t count, std::ostream& out, const ToJson& toJson) {
    auto record = std::make_unique<Record>();
    out << "[";
    for (size_t i = 0; i < count && out; ++i) {
        if (!next(record.get(), sizeof(Record))) {
            return false;
        }
        out << (i == 0 ? "\n" : ",\n") << JsonText(toJson(*record));
    }
    out << "\n]";
    return true;
}

}  // namespace

bool JsonRecords(const NextRecordFn& next, size_t count, const FileKind& kind, std::ostream& out,
                 int sensorCode) {
    switch (kind.record) {
        case RecordKind::kProfile:
            return JsonEach<ProfileRecord>(next, count, out, [&](const ProfileRecord& r) {
                return ProfileJson(r, sensorCode);
            });
        case RecordKind::kMacro:
            return JsonEach<MacroRecord>(next, count, out, [](const MacroRecord& r) {
                return r.isFolder ? Json{{"folder", Text(r.folderName)}}
                                  : Json{{"folder", Text(r.folderName)},
                                         {"name", Text(r.macroName)},
                                         {"loops", r.loopCount},
                                         {"actions", ActionsJson(r.actions, r.actionCount)}};
            });
        case RecordKind::kGun:
            return JsonEach<GunRecord>(next, count, out, [](const GunRecord& r) {
                return r.isFolder ? Json{{"folder", Text(r.folderName)}}
                                  : Json{{"folder", Text(r.folderName)},
                                         {"name", Text(r.gunName)},
                                         {"option", r.reserved202},
                                         {"rows", BulletsJson(r.bullets, r.bulletCount)}};
            });
        case RecordKind::kData:
            return JsonEach<DataRecord>(next, count, out, [](const DataRecord& r) {
                return Json{{"currentProfileIndex", r.currentProfileIndex},
                            {"reserved", r.reserved}};
            });
    }
    return true;
}

}  // namespace mouse::cli
