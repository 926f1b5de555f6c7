// The per-application rules file: what a file gives, what is kept aside, and
// how rules follow the profiles.
#include <gtest/gtest.h>

#include "store/app_rules.h"
#include "temp_dir.h"

namespace mouse {
namespace {

const std::vector<std::string> kProfiles = {"Work", "Game"};

struct LoadCase {
    const char* what;
    std::string text;
    size_t rules;         // rules loaded
    bool enabled;         // as loaded
    bool movedAside;      // the file was kept aside whole
    const char* message;  // part of the first message, "" for none
};

std::string Rules(size_t count) {
    std::string text = R"({"enabled":true,"rules":[)";
    for (size_t i = 0; i < count; ++i) {
        text.append(i ? "," : "").append(R"({"app":"a)").append(std::to_string(i));
        text.append(R"(","profile":"Game"})");
    }
    return text.append("]}");
}

TEST(AppRules, LoadKeepsWhatItCanAndTheOriginalBytes) {
    const LoadCase cases[] = {
        {"good",
         R"({"version":1,"enabled":true,"default":"Work","rules":[{"app":"XLogo","profile":"Game"},{"app":"XLogo","executable":"/usr/bin/xlogo","profile":"Work"}]})",
         2, true, false, ""},
        {"missing profile stays", R"({"enabled":true,"rules":[{"app":"a","profile":"Gone"}]})", 1,
         true, false, "\"Gone\", which does not exist"},
        {"not JSON", "{\"enabled\":tru", 0, false, true, "not readable JSON"},
        {"bad UTF-8", "{\"rules\":[{\"app\":\"\xff\",\"profile\":\"Game\"}]}", 0, false, true,
         "not readable JSON"},
        {"wrong shape", R"({"enabled":"yes","rules":[{"app":"a","profile":"Game"},7]})", 1, false,
         true, "\"enabled\" is not true or false"},
        {"repeated application",
         R"({"rules":[{"app":"a","profile":"Game"},{"app":"A","profile":"Work"}]})", 1, false, true,
         "an earlier rule names"},
        {"too many rules", Rules(kMaxAppRules + 1), kMaxAppRules, true, true, "more than 500"},
        {"oversized", std::string(kMaxAppRulesBytes + 1, ' '), 0, false, true, "longer than"},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const auto file = dir.path() / kAppRulesFile;
        test::WriteBytes(file, std::vector<uint8_t>(c.text.begin(), c.text.end()));
        const AppRulesLoad load = LoadAppRules(file, kProfiles);
        EXPECT_EQ(load.rules.rules.size(), c.rules);
        EXPECT_EQ(load.rules.enabled, c.enabled);
        EXPECT_EQ(!load.movedTo.empty(), c.movedAside);
        if (c.movedAside) {
            EXPECT_EQ(load.movedTo, dir.path() / "app-rules.json.damaged");
            EXPECT_EQ(test::ReadBytes(load.movedTo),
                      std::vector<uint8_t>(c.text.begin(), c.text.end()));
            EXPECT_FALSE(std::filesystem::exists(file));
        }
        ASSERT_EQ(load.messages.empty(), std::string(c.message).empty());
        if (!load.messages.empty()) {
            EXPECT_NE(load.messages[0].find(c.message), std::string::npos) << load.messages[0];
        }
        // What was loaded survives a save and a load again.
        ASSERT_TRUE(SaveAppRules(file, load.rules));
        EXPECT_EQ(LoadAppRules(file, kProfiles).rules, load.rules);
    }
}

TEST(AppRules, ChoiceFollowsRenamesAndDeletes) {
    AppRules rules{true,
                   "Work",
                   {{"XLogo", "", "Game"}, {"xlogo", "/opt/xlogo", "Work"}, {"Gone", "", "Old"}}};
    struct Step {
        const char* what;
        std::function<void()> change;
        const char* appId;
        const char* executable;
        std::optional<std::string> chosen;
    };
    const Step steps[] = {
        {"id, letter case ignored", [] {}, "xLOGO", "/usr/bin/xlogo", "Game"},
        {"id and executable first", [] {}, "XLogo", "/opt/xlogo", "Work"},
        {"no rule: the default", [] {}, "XEyes", "", "Work"},
        {"a rule's profile missing: the default", [] {}, "Gone", "", "Work"},
        {"renamed profile", [&] { RenameProfileInRules(rules, "Game", "Play"); }, "XLogo", "",
         "Play"},
        {"deleted default leaves it as it is",
         [&] {
             EXPECT_EQ(DropProfileFromRules(rules, "Work"),
                       (std::vector<std::string>{"xlogo", ""}));
         },
         "XEyes", "", std::nullopt},
        {"deleted rule's profile", [&] { DropProfileFromRules(rules, "Play"); }, "XLogo", "",
         std::nullopt},
    };
    std::vector<std::string> names = {"Work", "Game"};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.change();
        if (std::string(s.what).starts_with("renamed")) {
            names = {"Work", "Play"};
        }
        EXPECT_EQ(ChooseProfile(rules, s.appId, s.executable, names), s.chosen);
    }
}

}  // namespace
}  // namespace mouse
