#include "store/button_rules.h"

#include "device/protocol.h"

namespace mouse {

namespace {

bool IsPresetKind(int id) {
    return id == fn::kRecoil || id == fn::kLeftButtonMacro;
}

}  // namespace

bool LeftClickKept(const ProfileRecord& profile, int slot, int newId) {
    // The office range stops at entry 29: entries 30 and 31 do not count.
    const int first = profile.buttonMode == 1 ? 32 : 0;
    const int last = profile.buttonMode == 1 ? 63 : 29;
    for (int i = first; i <= last; ++i) {
        const int id = i == slot ? newId : profile.buttons[i].functionId;
        if (id == fn::kLeftClick || id == fn::kSendGun) {
            return true;
        }
    }
    return false;
}

int CountFunctions(const ProfileRecord& profile, int a, int b) {
    int count = 0;
    for (const ButtonEntry& entry : profile.buttons) {
        if (entry.functionId == a || entry.functionId == b) {
            ++count;
        }
    }
    return count;
}

BindingRule CheckBindingLimit(const ProfileRecord& profile, int slot, int newId) {
    const int current =
        slot >= 0 && slot < kButtonSlots ? int(profile.buttons[slot].functionId) : -1;
    if (newId == fn::kMacro && current != fn::kMacro &&
        CountFunctions(profile, fn::kMacro) >= kMaxMacroButtons) {
        return BindingRule::MacroLimit;
    }
    if (IsPresetKind(newId) && !IsPresetKind(current) &&
        CountFunctions(profile, fn::kRecoil, fn::kLeftButtonMacro) >= kMaxRecoilButtons) {
        return BindingRule::PresetLimit;
    }
    return BindingRule::Allowed;
}

BindingRule CheckBinding(const ProfileRecord& profile, int slot, int newId) {
    if (!LeftClickKept(profile, slot, newId)) {
        return BindingRule::LeftClickGuard;
    }
    return CheckBindingLimit(profile, slot, newId);
}

}  // namespace mouse
