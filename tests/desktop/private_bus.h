// A private D-Bus session bus for one test, and the output of a command run
// against it: the desktops' settings services and tools never reach the
// tester's own session.
#pragma once

#include <cstdio>
#include <string>

#include "desktop/xvfb.h"

namespace mouse::test {

// The standard output of a shell command, without the last line break.
inline std::string Output(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.append(buffer, n);
        }
        pclose(pipe);
    }
    if (!out.empty() && out.back() == '\n') {
        out.pop_back();
    }
    return out;
}

// Whether a program is on PATH.
inline bool HasTool(const char* name) {
    return !Output(std::string("command -v ") + name).empty();
}

class PrivateBus : public ServerProcess {
public:
    PrivateBus()
        : ServerProcess({"dbus-daemon", "--session", "--print-address={fd}", "--nofork"}) {}

    // Empty when no bus could be started.
    const std::string& Address() const { return Line(); }
    // The output of a shell command run with this bus as its session bus.
    std::string Run(const std::string& command) const {
        return Output("DBUS_SESSION_BUS_ADDRESS='" + Address() + "' " + command);
    }
};

}  // namespace mouse::test
