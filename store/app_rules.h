// The per-application profile rules: which profile to switch to when a
// given application's window comes in front, the profile for every other
// application (or none: the profile stays as it is) and the on/off switch.
//
// They live in app-rules.json in the store folder, a small JSON file a user
// can read and edit:
//
//   {
//     "version": 1,
//     "enabled": true,
//     "default": "Desktop",          // or null: leave the profile as it is
//     "rules": [
//       {"app": "steam_app_570", "profile": "Game"},
//       {"app": "Firefox", "executable": "/usr/lib/firefox/firefox", "profile": "Work"}
//     ]
//   }
//
// A rule names its profile by name, not by position, so reordering the
// profile list changes nothing; a rename is carried into the rules and a
// deleted profile's rules are dropped. The file is untrusted: see
// LoadAppRules for what happens to one that cannot be used whole.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/file_io.h"

namespace mouse {

inline constexpr const char* kAppRulesFile = "app-rules.json";
// A file longer than this, or with more rules, is not used whole.
inline constexpr size_t kMaxAppRulesBytes = 256 * 1024;
inline constexpr size_t kMaxAppRules = 500;
// Application ids, executables and profile names longer than this are refused.
inline constexpr size_t kMaxAppRuleText = 1024;

struct AppRule {
    // The application id: the X11 window class or the Wayland app id,
    // matched without regard to ASCII letter case.
    std::string appId;
    // When not empty, the rule matches only this executable.
    std::string executable;
    std::string profile;  // the profile's name, UTF-8
    bool operator==(const AppRule&) const = default;
};

struct AppRules {
    bool enabled = false;
    // The profile for an application without a rule; nullopt leaves the
    // profile as it is.
    std::optional<std::string> defaultProfile;
    std::vector<AppRule> rules;
    bool operator==(const AppRules&) const = default;
};

struct AppRulesLoad {
    AppRules rules;
    // Lines for the user: why the file was not used whole, which rules name
    // profiles that do not exist. Empty when all is well.
    std::vector<std::string> messages;
    // Where a file that could not be used whole was moved, before anything
    // can be written over it; empty when nothing was moved.
    std::filesystem::path movedTo;
};

// Reads the rules. A missing file gives no rules and the feature off. A
// file that is unreadable JSON, not valid UTF-8, of the wrong shape, longer
// than kMaxAppRulesBytes or with more than kMaxAppRules rules, or with
// rules that repeat an application (and executable) is moved aside to
// <file>.damaged (or .damaged-1, -2, ...) and what could be read of it is
// kept: the good rules up to the bound, the first of each repeated
// application. Rules naming a profile that is not in profileNames stay (the
// profile may come back by import or rename) but do nothing, and are
// reported.
AppRulesLoad LoadAppRules(const std::filesystem::path& file,
                          const std::vector<std::string>& profileNames);

// The rules as the file holds them (pretty-printed JSON).
std::string FormatAppRules(const AppRules& rules);
// Writes the file crash-safely (WriteFileAtomically).
IoResult SaveAppRules(const std::filesystem::path& file, const AppRules& rules);

// The profile the rules choose for an application in front: a rule for its
// id and executable first, then a rule for its id alone, then the default;
// nullopt leaves the profile as it is. Rules whose profile is not in
// profileNames are passed over.
std::optional<std::string> ChooseProfile(const AppRules& rules, std::string_view appId,
                                         std::string_view executable,
                                         const std::vector<std::string>& profileNames);

// A profile was renamed: the rules and the default follow. True when
// anything changed.
bool RenameProfileInRules(AppRules& rules, std::string_view from, std::string_view to);
// A profile was deleted: its rules are dropped and a default naming it
// falls back to leaving the profile as it is. The application ids of the
// dropped rules are returned (and "" last when the default fell back).
std::vector<std::string> DropProfileFromRules(AppRules& rules, std::string_view profile);

// ASCII letter case ignored, as application ids are compared.
bool SameAppId(std::string_view a, std::string_view b);

}  // namespace mouse
