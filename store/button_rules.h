// The rules a button binding must keep before the button page gives a slot a
// function: the current mode keeps a left click somewhere, and a profile
// holds at most ten macro buttons and at most three recoil presets and
// left-button macros together (both modes counted, as the mouse has ten macro
// blocks and three preset places).
#pragma once

#include "device/records.h"

namespace mouse {

// How many buttons of a profile, both modes together, may hold a macro (22),
// and a recoil preset (121) or a left-button macro (57).
inline constexpr int kMaxMacroButtons = 10;
inline constexpr int kMaxRecoilButtons = 3;

// What refused a binding.
enum class BindingRule {
    Allowed,
    LeftClickGuard,  // the current mode would be left without a left click
    MacroLimit,      // a new macro button beyond kMaxMacroButtons
    PresetLimit,     // a new preset or left-button macro beyond kMaxRecoilButtons
};

// True when, with `slot` given function `newId`, the profile's current mode
// still has a left click (1) or "send_gun" (25) among its entries (office
// mode: entries 0-29; game mode: entries 32-63).
bool LeftClickKept(const ProfileRecord& profile, int slot, int newId);
// Entries of the profile (all 64) whose function is `a` or `b`.
int CountFunctions(const ProfileRecord& profile, int a, int b = -1);

// The limit `newId` would break on `slot`: MacroLimit or PresetLimit, else
// Allowed. A slot that already holds a function of the same kind (a macro; a
// preset or a left-button macro) only chooses again and is not counted.
BindingRule CheckBindingLimit(const ProfileRecord& profile, int slot, int newId);
// The first rule that refuses giving `slot` the function `newId`: the
// left-click guard, then the limit of its kind; Allowed when none does.
BindingRule CheckBinding(const ProfileRecord& profile, int slot, int newId);

}  // namespace mouse
