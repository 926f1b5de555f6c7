// Diagnostic lines by category and level, without Qt.
//
// Debug lines are silent unless a rule enables them; info lines, warnings
// and errors are written by default. Rules have the form of Qt's logging
// rules, separated by ';' or new lines, the last matching one winning:
//
//   mouse.*.debug=true          every debug line of the program
//   mouse.device.debug=true     only the device worker's
//   mouse.desktop.info=false    no info lines of the desktop pointer settings
//
// They are read once from MOUSE_LOG_RULES, or from QT_LOGGING_RULES when that
// is not set, so one switch serves the Qt program and the Qt-free tools. The
// program routes these lines into Qt's logging categories of the same names
// (SetLogSink), where Qt applies its rules itself.
#pragma once

#include <string_view>

namespace mouse::log {

enum class Level { kDebug, kInfo, kWarning, kError };

struct Category {
    const char* name;  // "mouse.device": static storage
};

inline constexpr Category kDevice{"mouse.device"};    // the device worker
inline constexpr Category kDesktop{"mouse.desktop"};  // desktop pointer settings
inline constexpr Category kRecorder{"mouse.recorder"};

// Where lines go. Both functions may be called from any thread.
struct Sink {
    bool (*enabled)(const Category& category, Level level);
    void (*write)(const Category& category, Level level, std::string_view text);
};

// nullptr restores the default: stderr, "category: text", filtered by the
// rules. The sink must outlive every later line.
void SetLogSink(const Sink* sink);

// Replaces the rules of the default sink (those of the environment before).
void SetLogRules(std::string_view rules);

bool Enabled(const Category& category, Level level);
// One line; the sink adds the line end.
void Write(const Category& category, Level level, std::string_view text);

// printf-style lines, formatted only when their level is enabled.
void Debug(const Category& category, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Info(const Category& category, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Warning(const Category& category, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
void Error(const Category& category, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace mouse::log
