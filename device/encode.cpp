#include "device/encode.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "device/protocol.h"
#include "store/tables.h"

namespace mouse {

namespace {

void PutBigEndian16(uint8_t* out, int64_t value) {
    out[0] = uint8_t(value >> 8);
    out[1] = uint8_t(value);
}

// One item of a macro block; at most 10 bytes.
struct Item {
    uint8_t bytes[10];
    int size = 0;
    void Add(std::initializer_list<uint8_t> values) {
        for (uint8_t v : values) {
            bytes[size++] = v;
        }
    }
};

Item MacroItem(const MacroAction& action) {
    Item item;
    const int t = action.delay;
    const uint8_t k = action.code;
    const uint8_t xl = uint8_t(action.x), xh = uint8_t(uint32_t(action.x) >> 8);
    const uint8_t yl = uint8_t(action.y), yh = uint8_t(uint32_t(action.y) >> 8);
    if (t <= items::kShortDelayMaxMs) {
        const uint8_t d = uint8_t(t / 10);
        switch (action.kind) {
            case kActionPress:
                item.Add({uint8_t(d | items::kPressBits), k});
                break;
            case kActionRelease:
                item.Add({uint8_t(d | items::kReleaseBits), k});
                break;
            case kActionMove:
                item.Add({d, items::kMoveCode, xl, xh, yl, yh});
                break;
            default:
                item.Add({d, k});
                break;
        }
        return item;
    }
    const int l = t / 20;
    const uint8_t lh = uint8_t(l >> 8), ll = uint8_t(l);
    const uint8_t u = uint8_t(((t % 20) + 5) / 10);
    const uint8_t m0 = items::kLongDelayMarker[0], m1 = items::kLongDelayMarker[1];
    switch (action.kind) {
        case kActionPress:
            item.Add({u, k, m0, m1, lh, ll});
            break;
        case kActionRelease:
            item.Add({uint8_t(u | items::kReleaseBit), k, m0, m1, lh, ll});
            break;
        case kActionMove:
            item.Add({0x00, items::kMoveCode, xl, xh, yl, yh, m0, m1, lh, ll});
            break;
        default:
            item.Add({0x00, 0x00, m0, m1, lh, ll});
            break;
    }
    return item;
}

Item RecoilItem(const BulletRow& row) {
    Item item;
    const uint8_t d = uint8_t((row.delay / 10) | items::kPressBits);
    const uint8_t button = items::kLeftButtonCode;
    if (row.x == 0 && row.y == 0) {
        item.Add({d, button, items::kReleaseBits, button});
    } else {
        item.Add({d, button, 0x00, items::kRelativeMoveCode, uint8_t(row.x), uint8_t(row.y),
                  items::kReleaseBits, button});
    }
    return item;
}

// Appends item at pos when it fits whole into the block.
bool Append(MacroBlock& block, size_t& pos, const Item& item) {
    if (pos + size_t(item.size) > block.size()) {
        return false;
    }
    std::memcpy(block.data() + pos, item.bytes, size_t(item.size));
    pos += size_t(item.size);
    return true;
}

constexpr int kRecoilRowsPerBlock = 15;

}  // namespace

uint8_t FeatureChecksum(const uint8_t* report) {
    unsigned sum = 0;
    for (int i = 0; i < 7; ++i) {
        sum += report[i];
    }
    return uint8_t(0xFF - sum);
}

FeatureReport MakeFeature(uint8_t command, uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4,
                          uint8_t p5, uint8_t p6) {
    FeatureReport report{command, p1, p2, p3, p4, p5, p6, 0};
    report[7] = FeatureChecksum(report.data());
    return report;
}

bool FeatureChecksumValid(const uint8_t* report) {
    return FeatureChecksum(report) == report[7];
}

uint8_t ReportRateValue(int reportRateIndex) {
    switch (reportRateIndex) {
        case 0:
            return 8;
        case 1:
            return 4;
        case 3:
            return 1;
        default:
            return 2;
    }
}

std::array<uint8_t, 2> LightingParameters(const ProfileRecord& record) {
    const int64_t mode = record.lightMode;
    const uint8_t c = uint8_t(record.lightColourMode == 1 ? 2 : record.lightColourMode);
    const uint8_t b = uint8_t(record.lightBrightness);
    const uint8_t f = uint8_t(record.lightFrequency);
    const uint8_t n = uint8_t(record.lightLength);
    switch (mode) {
        case light::kSteady:
        case light::kReactive:
        case light::kSpotlight:
            return {b, c};
        case light::kBreathing:
            return {f, c};
        case light::kSpectrum:
        case light::kWave:
            return {f, b};
        case light::kFlow:
        case light::kMarquee:
            return {uint8_t(4 - n), c};
        case light::kStarlight:
            return {b, uint8_t(c != 0 ? 1 : 0)};
        case light::kRipple:
            return {b, uint8_t(c | ((4 - f) << 4))};
        case light::kRainbow:
            return {b, uint8_t(4 - f)};
        default:
            return {0, 0};
    }
}

uint8_t EncodeDpiStep(int step, int sensorCode) {
    const SensorRow* row = FindSensor(sensorCode);
    return row != nullptr ? EncodeStep(row->encoding, step) : 0;
}

std::array<uint8_t, 8> EncodeDpiTable(const ProfileRecord& record, int sensorCode) {
    std::array<uint8_t, 8> out{};
    const bool flags = SensorUsesLevelFlags(sensorCode);
    for (int i = 0; i < kDpiLevels; ++i) {
        if (flags && record.dpiLevelEnabled[i] == 0) {
            out[size_t(i)] = i == 0 ? code::kDisabledLevelBit
                                    : uint8_t(out[size_t(i - 1)] | code::kDisabledLevelBit);
        } else {
            out[size_t(i)] = EncodeDpiStep(record.dpiValue[i], sensorCode);
        }
    }
    return out;
}

uint8_t HighDpiMask(const ProfileRecord& record, int sensorCode) {
    const SensorRow* row = FindSensor(sensorCode);
    if (row == nullptr || row->highDpiLimit <= 0) {
        return 0;
    }
    uint8_t mask = 0;
    for (int i = 0; i < kDpiLevels; ++i) {
        if (record.dpiValue[i] > row->highDpiLimit) {
            mask = uint8_t(mask | (1u << i));
        }
    }
    return mask;
}

uint8_t LiftOffDistanceValue(const ProfileRecord& record, const DeviceConfig& config) {
    return LiftOffDistanceValue(record.liftOffDistance, config);
}

uint8_t LiftOffDistanceValue(int32_t position, const DeviceConfig& config) {
    if (position < 0 || position > 7) {
        return 0;
    }
    return config.distanceValue[size_t(position)];
}

ButtonTable EncodeButtonTable(const ProfileRecord& record,
                              const std::array<ButtonOverride, 64>& overrides) {
    ButtonTable table;
    int macroCounter = 1;
    int recoilCounter = 0;
    for (int slot = 0; slot < kButtonSlots; ++slot) {
        const ButtonEntry& entry = record.buttons[slot];
        const int id = entry.functionId;
        std::array<uint8_t, 4> b = FunctionBytes(id);
        switch (id) {
            case fn::kFireClick:
                b = {code::kFireClickFamily, code::kFireClickMarker, uint8_t(entry.fireClickDelay),
                     uint8_t(entry.fireClickCount)};
                break;
            case fn::kShortcut:
                b[1] = entry.shortcutModifiers;
                b[2] = entry.shortcutKey;
                break;
            case fn::kMacro:
                b[1] = uint8_t(entry.repeatMode);
                break;
            case fn::kLeftButtonMacro:
            case fn::kRecoil:
                b = {code::kSwitchFamily, 0x00, uint8_t(code::kFirstPresetNumber + recoilCounter),
                     0x00};
                ++recoilCounter;
                break;
            default:
                break;
        }
        // A macro code takes the next of the ten macro blocks. An eleventh
        // macro button keeps the code computed so far and gets no block.
        int block = 0;
        if (b[0] == code::kMacroFamily && macroCounter <= kMaxMacroBlocks) {
            block = macroCounter++;
            b[2] = uint8_t(block);
            table.blockOfSlot[size_t(slot)] = uint8_t(block);
            table.macroBlocks.resize(size_t(block));  // zero block unless a macro fills it
            if (id == fn::kMacro) {
                table.macroBlocks[size_t(block - 1)] = EncodeMacroBlock(entry);
            }
        }
        const ButtonOverride& override = overrides[size_t(slot)];
        uint8_t* out = table.codes.data() + 4 * slot;
        if (override.useProfile == 1) {
            std::copy(b.begin(), b.end(), out);
        } else {
            std::copy(override.code, override.code + 4, out);
        }
    }
    return table;
}

MacroBlock EncodeMacroBlock(const ButtonEntry& entry) {
    MacroBlock block{};
    const int count = std::min<int>(entry.bindingCount, kMaxMacroActions);
    if (count == 0) {
        return block;
    }
    PutBigEndian16(block.data(), entry.bindingLoops);
    size_t pos = 2;
    for (int i = 0; i < count; ++i) {
        if (!Append(block, pos, MacroItem(entry.macroActions[i]))) {
            break;  // the block ends at the last whole item
        }
    }
    return block;
}

std::vector<MacroBlock> EncodeRecoilBlocks(const ButtonEntry& entry) {
    if (entry.functionId == fn::kLeftButtonMacro) {
        return {EncodeMacroBlock(entry)};
    }
    const int rows = std::min<int>(entry.bindingCount, kMaxBullets);
    std::vector<MacroBlock> blocks(rows > kRecoilRowsPerBlock ? 2 : 1);
    PutBigEndian16(blocks[0].data(), entry.bindingLoops);
    if (rows == 0) {
        blocks[0][1] = items::kOneLoop;
    }
    size_t pos = 2;
    for (int i = 0; i < rows; ++i) {
        if (i == kRecoilRowsPerBlock) {
            blocks[1][0] = 0x00;
            blocks[1][1] = items::kOneLoop;
            pos = 2;
        }
        // 15 rows of at most 8 bytes always fit after the 2-byte head.
        Append(blocks[size_t(i / kRecoilRowsPerBlock)], pos, RecoilItem(entry.gunData[i]));
    }
    return blocks;
}

}  // namespace mouse
