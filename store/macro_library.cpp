#include "store/macro_library.h"

#include <algorithm>
#include <cstring>

#include "device/protocol.h"
#include "store/record_library_impl.h"
#include "store/tables.h"

namespace mouse {

bool MacroTraits::IsBound(const ButtonEntry& e) {
    return e.functionId == fn::kMacro || e.functionId == fn::kLeftButtonMacro;
}

void MacroTraits::CopyToEntry(const MacroRecord& r, ButtonEntry& e) {
    e.bindingCount = r.actionCount;
    e.bindingLoops = int32_t(r.loopCount);
    std::memcpy(e.macroActions, r.actions, sizeof(e.macroActions));
    WriteText(e.bindingName, ReadText(r.macroName));
}

void MacroTraits::InitItem(MacroRecord& r) {
    r.loopCount = 1;
    r.actionCount = 0;
}

namespace {

// A press or release names no key (0, as recording may leave it), a key of
// the key-code table, or a mouse button; the mouse-move code is not one.
bool IsKeyOrButtonCode(uint8_t code) {
    return code == 0 || (code != kMoveCode && !KeyNameKey(code).empty());
}

}  // namespace

std::string CheckMacroActions(std::span<MacroAction> actions, bool& clamped) {
    clamped = false;
    for (size_t i = 0; i < actions.size(); ++i) {
        MacroAction& a = actions[i];
        const std::string where = "action " + std::to_string(i + 1) + ": ";
        switch (a.kind) {
            case kActionMove: {
                if (a.code != kMoveCode) {
                    return where + "a mouse move with code " + std::to_string(a.code);
                }
                const int32_t x = std::clamp(a.x, -kMaxMoveCounts, kMaxMoveCounts);
                const int32_t y = std::clamp(a.y, -kMaxMoveCounts, kMaxMoveCounts);
                clamped = clamped || x != a.x || y != a.y;
                a.x = x;
                a.y = y;
                break;
            }
            case kActionPress:
            case kActionRelease:
                if (!IsKeyOrButtonCode(a.code)) {
                    return where + "code " + std::to_string(a.code) +
                           " is not a key or mouse button";
                }
                break;
            default:
                return where + "kind " + std::to_string(a.kind) + " is not press, release or move";
        }
    }
    return {};
}

// Corrected without refusing, because the macro stays what it was meant to
// be: an action count above 40 becomes 40 (the record holds only 40 slots),
// a loop count outside 1..255 the nearest of the two (the editor's range),
// and move distances outside -32767..32767 the nearest limit (the device
// takes 16 bits; a wrapped value would move the other way). Refused, because
// playing it would send the mouse something nobody recorded: an action in
// use whose kind is not press, release or move, a move whose code is not the
// move code, and a press or release whose code is neither 0, a key of the
// table nor a mouse button. Slots beyond the action count carry no meaning
// and are kept as read, as are the reserved fields.
std::string MacroTraits::CheckImported(MacroRecord& r, std::vector<std::string>& corrected) {
    if (r.actionCount > kMaxMacroActions) {
        r.actionCount = kMaxMacroActions;
        corrected.push_back("actionCount");
    }
    const uint16_t loops = std::clamp<uint16_t>(r.loopCount, kMinMacroLoops, kMaxMacroLoops);
    if (loops != r.loopCount) {
        r.loopCount = loops;
        corrected.push_back("loopCount");
    }
    bool clamped = false;
    std::string refused = CheckMacroActions(std::span(r.actions, size_t(r.actionCount)), clamped);
    if (clamped) {
        corrected.push_back("actions");
    }
    return refused;
}

template class RecordLibrary<MacroTraits>;

}  // namespace mouse
