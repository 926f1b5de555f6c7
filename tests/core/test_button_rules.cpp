#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "device/protocol.h"
#include "store/button_rules.h"

namespace mouse {
namespace {

constexpr int kMacro = fn::kMacro;
constexpr int kPreset = fn::kRecoil;
constexpr int kLeftMacro = fn::kLeftButtonMacro;

// Left click on slot 0 (office) and slot 32 (game), then the given functions.
std::unique_ptr<ProfileRecord> Profile(int mode, const std::vector<std::pair<int, int>>& ids) {
    auto p = std::make_unique<ProfileRecord>();
    std::memset(p.get(), 0, sizeof(ProfileRecord));
    p->buttonMode = mode;
    p->buttons[0].functionId = fn::kLeftClick;
    p->buttons[32].functionId = fn::kLeftClick;
    for (auto [slot, id] : ids) {
        p->buttons[slot].functionId = uint8_t(id);
    }
    return p;
}

// Ten macro buttons, five in each mode.
std::vector<std::pair<int, int>> TenMacros() {
    std::vector<std::pair<int, int>> ids;
    for (int slot : {1, 2, 3, 4, 5, 33, 34, 35, 36, 37}) {
        ids.emplace_back(slot, kMacro);
    }
    return ids;
}

TEST(ButtonRules, EachRefusalNamesTheRuleThatRefused) {
    const std::vector<std::pair<int, int>> threePlaces = {
        {20, kPreset}, {52, kPreset}, {23, kLeftMacro}};
    struct Case {
        const char* what;
        int mode;
        std::vector<std::pair<int, int>> ids;
        int slot;
        int newId;
        BindingRule rule;
        // What the limit alone says where the guard refuses.
        BindingRule limitAlone = BindingRule::Allowed;
    };
    const Case cases[] = {
        {"a plain function elsewhere", 0, {}, 5, 33, BindingRule::Allowed},
        {"the only left click moves away", 0, {}, 0, 33, BindingRule::LeftClickGuard},
        {"send_gun keeps the mode clicking", 0, {{16, fn::kSendGun}}, 0, 33, BindingRule::Allowed},
        {"game mode guards its own range", 1, {}, 32, 33, BindingRule::LeftClickGuard},
        {"game mode leaves the office range free", 1, {}, 0, 33, BindingRule::Allowed},
        {"a tenth macro", 0, {{1, kMacro}, {40, kMacro}}, 6, kMacro, BindingRule::Allowed},
        {"an eleventh macro, both modes counted", 0, TenMacros(), 6, kMacro,
         BindingRule::MacroLimit},
        {"a macro button chooses again", 0, TenMacros(), 33, kMacro, BindingRule::Allowed},
        {"ten macros leave presets free", 0, TenMacros(), 40, kPreset, BindingRule::Allowed},
        {"the guard comes before the limit", 0, TenMacros(), 0, kMacro, BindingRule::LeftClickGuard,
         BindingRule::MacroLimit},
        {"a third preset", 0, {{20, kPreset}, {52, kLeftMacro}}, 24, kPreset, BindingRule::Allowed},
        {"presets and left-button macros share three places", 0, threePlaces, 24, kPreset,
         BindingRule::PresetLimit},
        {"a fourth left-button macro", 0, threePlaces, 24, kLeftMacro, BindingRule::PresetLimit},
        {"a left-button macro slot takes a preset", 0, threePlaces, 23, kPreset,
         BindingRule::Allowed},
        {"three presets leave macros free", 0, threePlaces, 24, kMacro, BindingRule::Allowed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto p = Profile(c.mode, c.ids);
        EXPECT_EQ(CheckBinding(*p, c.slot, c.newId), c.rule);
        // The limit alone ignores the guard.
        EXPECT_EQ(CheckBindingLimit(*p, c.slot, c.newId),
                  c.rule == BindingRule::LeftClickGuard ? c.limitAlone : c.rule);
    }
}

}  // namespace
}  // namespace mouse
