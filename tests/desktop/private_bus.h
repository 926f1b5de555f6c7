// A private D-Bus session bus for one test, and the output of a command run
// against it: the desktops' settings services and tools never reach the
// tester's own session.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace mouse::test {

class PrivateBus {
public:
    PrivateBus() {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            dup2(fds[1], STDOUT_FILENO);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, STDERR_FILENO);
            execlp("dbus-daemon", "dbus-daemon", "--session", "--print-address", "--nofork",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Blocks until the daemon prints its address, or ends when it fails.
        char c = 0;
        while (pid_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
            address_ += c;
        }
        close(fds[0]);
    }
    ~PrivateBus() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty when no bus could be started.
    const std::string& Address() const { return address_; }

    // The standard output of a shell command run with this bus as its
    // session bus, without the last line break.
    std::string Run(const std::string& command) const {
        return Output("DBUS_SESSION_BUS_ADDRESS='" + address_ + "' " + command);
    }

private:
    pid_t pid_ = -1;
    std::string address_;

public:
    static std::string Output(const std::string& command) {
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
};

// Whether a program is on PATH.
inline bool HasTool(const char* name) {
    return !PrivateBus::Output(std::string("command -v ") + name).empty();
}

}  // namespace mouse::test
