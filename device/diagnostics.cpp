#include "device/diagnostics.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace mouse::log {

namespace {

// One rule: a category pattern with an optional '*' at either end, the level
// it is for (none: every level) and whether it enables or disables.
struct Rule {
    std::string pattern;
    std::optional<Level> level;
    bool enable = false;
};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

std::optional<Rule> ParseRule(std::string_view text) {
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    Rule rule;
    const std::string_view value = Trim(text.substr(eq + 1));
    if (value == "true") {
        rule.enable = true;
    } else if (value != "false") {
        return std::nullopt;
    }
    std::string_view filter = Trim(text.substr(0, eq));
    static constexpr std::pair<std::string_view, Level> kLevels[] = {{".debug", Level::kDebug},
                                                                     {".info", Level::kInfo},
                                                                     {".warning", Level::kWarning},
                                                                     {".critical", Level::kError}};
    for (const auto& [suffix, level] : kLevels) {
        if (filter.ends_with(suffix)) {
            filter.remove_suffix(suffix.size());
            rule.level = level;
            break;
        }
    }
    if (filter.empty()) {
        return std::nullopt;
    }
    rule.pattern = std::string(filter);
    return rule;
}

std::vector<Rule> ParseRules(std::string_view text) {
    std::vector<Rule> rules;
    while (!text.empty()) {
        const size_t end = text.find_first_of(";\n");
        if (auto rule = ParseRule(text.substr(0, end))) {
            rules.push_back(std::move(*rule));
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return rules;
}

bool Matches(std::string_view pattern, std::string_view name) {
    const bool anyStart = pattern.starts_with('*');
    const bool anyEnd = pattern.size() > 1 && pattern.ends_with('*');
    if (anyStart) {
        pattern.remove_prefix(1);
    }
    if (anyEnd) {
        pattern.remove_suffix(1);
    }
    if (anyStart && anyEnd) {
        return name.find(pattern) != std::string_view::npos;
    }
    if (anyStart) {
        return name.ends_with(pattern);
    }
    if (anyEnd) {
        return name.starts_with(pattern);
    }
    return name == pattern;
}

struct DefaultState {
    std::mutex mutex;
    std::vector<Rule> rules;

    DefaultState() {
        const char* text = std::getenv("MOUSE_LOG_RULES");
        if (text == nullptr) {
            text = std::getenv("QT_LOGGING_RULES");
        }
        if (text != nullptr) {
            rules = ParseRules(text);
        }
    }
};

DefaultState& State() {
    static DefaultState state;
    return state;
}

bool DefaultEnabled(const Category& category, Level level) {
    DefaultState& state = State();
    std::lock_guard lock(state.mutex);
    bool enabled = level != Level::kDebug;
    for (const Rule& rule : state.rules) {
        if ((!rule.level || *rule.level == level) && Matches(rule.pattern, category.name)) {
            enabled = rule.enable;
        }
    }
    return enabled;
}

void DefaultWrite(const Category& category, Level, std::string_view text) {
    std::string line = category.name;
    line += ": ";
    line += text;
    line += '\n';
    DefaultState& state = State();
    std::lock_guard lock(state.mutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

constexpr Sink kDefaultSink{DefaultEnabled, DefaultWrite};
std::atomic<const Sink*> g_sink{&kDefaultSink};

void WriteFormatted(const Category& category, Level level, const char* format, va_list args) {
    if (!Enabled(category, level)) {
        return;
    }
    char buffer[512];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0) {
        return;
    }
    std::string_view text(buffer, std::min(size_t(n), sizeof buffer - 1));
    while (text.ends_with('\n') || text.ends_with('\r')) {
        text.remove_suffix(1);
    }
    g_sink.load()->write(category, level, text);
}

}  // namespace

void SetLogSink(const Sink* sink) {
    g_sink.store(sink != nullptr ? sink : &kDefaultSink);
}

void SetLogRules(std::string_view rules) {
    std::vector<Rule> parsed = ParseRules(rules);
    DefaultState& state = State();
    std::lock_guard lock(state.mutex);
    state.rules = std::move(parsed);
}

bool Enabled(const Category& category, Level level) {
    return g_sink.load()->enabled(category, level);
}

void Write(const Category& category, Level level, std::string_view text) {
    if (Enabled(category, level)) {
        g_sink.load()->write(category, level, text);
    }
}

#define MOUSE_LOG_LEVEL_FUNCTION(Name, level)                      \
    void Name(const Category& category, const char* format, ...) { \
        va_list args;                                              \
        va_start(args, format);                                    \
        WriteFormatted(category, level, format, args);             \
        va_end(args);                                              \
    }

MOUSE_LOG_LEVEL_FUNCTION(Debug, Level::kDebug)
MOUSE_LOG_LEVEL_FUNCTION(Info, Level::kInfo)
MOUSE_LOG_LEVEL_FUNCTION(Warning, Level::kWarning)
MOUSE_LOG_LEVEL_FUNCTION(Error, Level::kError)

#undef MOUSE_LOG_LEVEL_FUNCTION

}  // namespace mouse::log
