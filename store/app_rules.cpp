#include "store/app_rules.h"

#include <algorithm>
#include <cerrno>
#include <nlohmann/json.hpp>

#include "store/ascii.h"

namespace mouse {

namespace {

using Json = nlohmann::json;

bool Named(const std::vector<std::string>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// A string field of a rule: absent gives "", anything but a string of at
// most kMaxAppRuleText bytes gives nullopt.
std::optional<std::string> TextField(const Json& rule, const char* key) {
    const auto it = rule.find(key);
    if (it == rule.end()) {
        return std::string();
    }
    if (!it->is_string() || it->get_ref<const std::string&>().size() > kMaxAppRuleText) {
        return std::nullopt;
    }
    return it->get<std::string>();
}

// What of the document could be used; `problems` says what could not.
AppRules ReadDocument(const Json& doc, std::vector<std::string>& problems) {
    AppRules rules;
    if (!doc.is_object()) {
        problems.push_back("it is not a JSON object");
        return rules;
    }
    if (auto it = doc.find("version"); it != doc.end() && *it != 1) {
        problems.push_back("it is of an unknown version");
        return rules;
    }
    if (auto it = doc.find("enabled"); it != doc.end()) {
        if (it->is_boolean()) {
            rules.enabled = it->get<bool>();
        } else {
            problems.push_back("\"enabled\" is not true or false");
        }
    }
    if (auto it = doc.find("default"); it != doc.end() && !it->is_null()) {
        if (it->is_string() && !it->get_ref<const std::string&>().empty() &&
            it->get_ref<const std::string&>().size() <= kMaxAppRuleText) {
            rules.defaultProfile = it->get<std::string>();
        } else {
            problems.push_back("\"default\" is not a profile name");
        }
    }
    const auto list = doc.find("rules");
    if (list == doc.end()) {
        return rules;
    }
    if (!list->is_array()) {
        problems.push_back("\"rules\" is not a list");
        return rules;
    }
    size_t bad = 0, repeated = 0;
    for (const Json& item : *list) {
        if (rules.rules.size() == kMaxAppRules) {
            problems.push_back("it holds more than " + std::to_string(kMaxAppRules) +
                               " rules (the first " + std::to_string(kMaxAppRules) + " are kept)");
            break;
        }
        std::optional<std::string> app, executable, profile;
        if (item.is_object()) {
            app = TextField(item, "app");
            executable = TextField(item, "executable");
            profile = TextField(item, "profile");
        }
        if (!app || !executable || !profile || app->empty() || profile->empty()) {
            ++bad;
            continue;
        }
        const bool seen =
            std::any_of(rules.rules.begin(), rules.rules.end(), [&](const AppRule& r) {
                return SameAppId(r.appId, *app) && r.executable == *executable;
            });
        if (seen) {
            ++repeated;
            continue;
        }
        rules.rules.push_back({std::move(*app), std::move(*executable), std::move(*profile)});
    }
    if (bad > 0) {
        problems.push_back(std::to_string(bad) + " rule(s) without an application and a profile");
    }
    if (repeated > 0) {
        problems.push_back(std::to_string(repeated) +
                           " rule(s) for an application that an earlier rule names (the first "
                           "is kept)");
    }
    return rules;
}

// Moves a file that cannot be used whole aside, under the first free name
// of <file>.damaged, <file>.damaged-1, ...; empty, with `error`, when it fails.
std::filesystem::path MoveAside(const std::filesystem::path& file, std::string& error) {
    int code = fileio::Fault("move-aside");
    for (int n = 0; code == 0 && n < 100; ++n) {
        std::filesystem::path to = file;
        to += n == 0 ? ".damaged" : ".damaged-" + std::to_string(n);
        code = fileio::RenameWithoutReplacing(file, to);
        if (code == 0) {
            fileio::SyncFolder(file.parent_path());
            return to;
        }
        if (code == EEXIST) {
            code = 0;
        }
    }
    error = fileio::ErrorText(code != 0 ? code : EEXIST);
    return {};
}

}  // namespace

bool SameAppId(std::string_view a, std::string_view b) {
    return AsciiEqualsNoCase(a, b);
}

AppRulesLoad LoadAppRules(const std::filesystem::path& file,
                          const std::vector<std::string>& profileNames) {
    AppRulesLoad load;
    std::vector<uint8_t> bytes;
    const ReadOutcome read = ReadFileUpTo(file, kMaxAppRulesBytes, bytes);
    std::vector<std::string> problems;
    switch (read.status) {
        case ReadStatus::Missing:
            return load;
        case ReadStatus::Unreadable:
            // Left as it is: it may be fine once it can be read.
            load.messages.push_back(read.message + "; the per-application rules are off.");
            return load;
        case ReadStatus::TooLarge:
            problems.push_back("it is longer than " + std::to_string(kMaxAppRulesBytes / 1024) +
                               " KiB");
            break;
        case ReadStatus::Ok:
            try {
                load.rules = ReadDocument(Json::parse(bytes.begin(), bytes.end()), problems);
            } catch (const Json::exception& e) {
                // Bad UTF-8 is among the parser's errors.
                problems.push_back(std::string("it is not readable JSON (") + e.what() + ")");
            }
            break;
    }
    if (!problems.empty()) {
        std::string line = file.filename().string() + " could not be used whole: ";
        for (size_t i = 0; i < problems.size(); ++i) {
            line += (i > 0 ? "; " : "") + problems[i];
        }
        std::string error;
        load.movedTo = MoveAside(file, error);
        line += load.movedTo.empty()
                    ? ". It could not be kept aside (" + error + ") and is left as it is."
                    : ". It was kept as " + load.movedTo.filename().string() + ".";
        load.messages.push_back(std::move(line));
    }
    for (const AppRule& rule : load.rules.rules) {
        if (!Named(profileNames, rule.profile)) {
            load.messages.push_back("The rule for " + rule.appId + " names the profile \"" +
                                    rule.profile +
                                    "\", which does not exist; it does nothing until there is "
                                    "a profile of that name.");
        }
    }
    if (load.rules.defaultProfile && !Named(profileNames, *load.rules.defaultProfile)) {
        load.messages.push_back("The profile for other applications, \"" +
                                *load.rules.defaultProfile +
                                "\", does not exist; the profile stays as it is for them.");
    }
    return load;
}

std::string FormatAppRules(const AppRules& rules) {
    Json doc = Json::object();
    doc["version"] = 1;
    doc["enabled"] = rules.enabled;
    doc["default"] = rules.defaultProfile ? Json(*rules.defaultProfile) : Json(nullptr);
    Json list = Json::array();
    for (const AppRule& rule : rules.rules) {
        Json item = {{"app", rule.appId}, {"profile", rule.profile}};
        if (!rule.executable.empty()) {
            item["executable"] = rule.executable;
        }
        list.push_back(std::move(item));
    }
    doc["rules"] = std::move(list);
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

IoResult SaveAppRules(const std::filesystem::path& file, const AppRules& rules) {
    const std::string text = FormatAppRules(rules);
    return WriteFileAtomically(file, text.data(), text.size());
}

std::optional<std::string> ChooseProfile(const AppRules& rules, std::string_view appId,
                                         std::string_view executable,
                                         const std::vector<std::string>& profileNames) {
    if (appId.empty()) {
        return std::nullopt;
    }
    const AppRule* byId = nullptr;
    for (const AppRule& rule : rules.rules) {
        if (!SameAppId(rule.appId, appId) || !Named(profileNames, rule.profile)) {
            continue;
        }
        if (!rule.executable.empty() && rule.executable == executable) {
            return rule.profile;
        }
        if (rule.executable.empty() && byId == nullptr) {
            byId = &rule;
        }
    }
    if (byId != nullptr) {
        return byId->profile;
    }
    if (rules.defaultProfile && Named(profileNames, *rules.defaultProfile)) {
        return rules.defaultProfile;
    }
    return std::nullopt;
}

bool RenameProfileInRules(AppRules& rules, std::string_view from, std::string_view to) {
    bool changed = false;
    for (AppRule& rule : rules.rules) {
        if (rule.profile == from) {
            rule.profile = to;
            changed = true;
        }
    }
    if (rules.defaultProfile == from) {
        rules.defaultProfile = std::string(to);
        changed = true;
    }
    return changed;
}

std::vector<std::string> DropProfileFromRules(AppRules& rules, std::string_view profile) {
    std::vector<std::string> dropped;
    std::erase_if(rules.rules, [&](const AppRule& rule) {
        if (rule.profile != profile) {
            return false;
        }
        dropped.push_back(rule.appId);
        return true;
    });
    if (rules.defaultProfile == profile) {
        rules.defaultProfile.reset();
        dropped.push_back("");
    }
    return dropped;
}

}  // namespace mouse
