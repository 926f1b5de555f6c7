// Names the program and its tools share: the single-instance name (its lock
// and its local socket, in the session's runtime folder), the desktop file
// id and the D-Bus service.
#pragma once

#include <string>

namespace mouse {

// The lock and the socket add "-<uid>", every character outside
// [A-Za-z0-9_.-] made '_'.
inline constexpr const char* kSingleInstanceBase = "Mosue Driver Configure Velnor";
// "<base>-<uid>" with every character outside [A-Za-z0-9_.-] made '_': the
// name of the lock (".lock") and of the socket (".sock") in the runtime
// folder, the same for the program and for mousectl.
inline std::string SingleInstanceName(const std::string& base, unsigned uid) {
    std::string name = base + "-" + std::to_string(uid);
    for (char& c : name) {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '-';
        if (!kept) {
            c = '_';
        }
    }
    return name;
}

// The name the desktop knows the program by: its desktop entry, its icon and
// its AppStream metadata carry it.
inline constexpr const char* kDesktopFileId = "io.github.mousedriver.MouseDriver";

// The running program's D-Bus service: its bus name (the desktop file id),
// object and interface, for the program and for mousectl.
inline constexpr const char* kServiceName = kDesktopFileId;
inline constexpr const char* kServicePath = "/io/github/mousedriver/MouseDriver";
inline constexpr const char* kServiceInterface = "io.github.mousedriver.MouseDriver1";

}  // namespace mouse
