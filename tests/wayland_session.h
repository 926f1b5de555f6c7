// A headless Wayland session (sway) for a test, started and stopped through
// scripts/wayland-session.sh. Without Qt, so any test binary can use it.
//
//   test::WaylandSession& wayland = test::SharedWaylandSession();
//   if (!wayland.Ok()) MOUSE_SKIP_UNLESS_CI(wayland.Error());
//   setenv("WAYLAND_DISPLAY", wayland.Display().c_str(), 1);   // a client here
//   wayland.Run({"wtype", "abc"});                 // as the session's user
//   std::string tree = wayland.SwayMsg({"-t", "get_tree"});
//
// Display() is the absolute path of the compositor's socket, so a client the
// test starts itself (as root or not) needs only WAYLAND_DISPLAY. Run()
// starts a command as the user sway runs as (a system user the script
// creates when the tests run as root; otherwise the caller), with the
// session's XDG_RUNTIME_DIR, WAYLAND_DISPLAY and SWAYSOCK; files it reads
// must be readable by that user.
//
// The session has no input devices, so its seat gives clients neither
// pointer nor keyboard until a device appears: a test that clicks or types
// starts build/tests/mouse_wayland_seat (tests/app/tools/wayland_seat.cpp)
// before its clients, as test_program_wayland.cpp does.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mouse::test {

// Runs argv, returns its exit code (-1 when it could not run or was
// killed) and its standard output in *out; standard error goes to *err.
inline int RunCommand(const std::vector<std::string>& argv, std::string* out = nullptr,
                      std::string* err = nullptr) {
    int outPipe[2];
    int errPipe[2];
    if (argv.empty() || pipe2(outPipe, O_CLOEXEC) != 0) {
        return -1;
    }
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return -1;
    }
    // Built before the fork: the child of a threaded process only execs.
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, STDIN_FILENO);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    // Reads both pipes until both close; the script's long-lived child
    // (sway) writes to its own log, not to them.
    std::string sink[2];
    int fds[2] = {outPipe[0], errPipe[0]};
    bool live[2] = {true, true};
    char buf[4096];
    while (live[0] || live[1]) {
        fd_set set;
        FD_ZERO(&set);
        for (int i = 0; i < 2; ++i) {
            if (live[i]) {
                FD_SET(fds[i], &set);
            }
        }
        if (select(std::max(fds[0], fds[1]) + 1, &set, nullptr, nullptr, nullptr) < 0) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (live[i] && FD_ISSET(fds[i], &set)) {
                const ssize_t n = read(fds[i], buf, sizeof buf);
                if (n <= 0) {
                    live[i] = false;
                } else {
                    sink[i].append(buf, size_t(n));
                }
            }
        }
    }
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    if (out != nullptr) {
        *out = std::move(sink[0]);
    }
    if (err != nullptr) {
        *err = std::move(sink[1]);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class WaylandSession {
public:
    WaylandSession() = default;
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;
    ~WaylandSession() { Stop(); }

    // Starts sway with extra configuration lines. False (Error() says why)
    // when sway is missing or did not start.
    bool Start(const std::vector<std::string>& configLines = {}) {
        Stop();
        char folder[] = "/tmp/mouse-wayland-XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            error_ = "no temporary folder";
            return false;
        }
        folder_ = folder;
        // The session's user reads sway's configuration from here.
        chmod(folder, 0755);
        std::vector<std::string> argv = {Script(), "start", folder_};
        argv.insert(argv.end(), configLines.begin(), configLines.end());
        std::string out;
        if (RunCommand(argv, &out, &error_) != 0) {
            if (error_.empty()) {
                error_ = "scripts/wayland-session.sh start failed";
            }
            std::filesystem::remove_all(folder_);
            folder_.clear();
            return false;
        }
        size_t at = 0;
        while (at < out.size()) {
            const size_t end = out.find('\n', at);
            const std::string line = out.substr(at, end - at);
            const size_t eq = line.find('=');
            if (eq != std::string::npos) {
                vars_[line.substr(0, eq)] = line.substr(eq + 1);
            }
            at = end == std::string::npos ? out.size() : end + 1;
        }
        return Ok();
    }

    void Stop() {
        if (!folder_.empty()) {
            if (!vars_.empty()) {
                RunCommand({Script(), "stop", folder_});
            }
            std::filesystem::remove_all(folder_);
        }
        folder_.clear();
        vars_.clear();
    }

    bool Ok() const { return !Display().empty() && !SwaySock().empty(); }
    const std::string& Error() const { return error_; }
    // The folder holding sway's files (sway.log among them).
    const std::string& Folder() const { return folder_; }
    std::string Display() const { return Var("WAYLAND_DISPLAY"); }
    std::string SwaySock() const { return Var("SWAYSOCK"); }
    std::string RuntimeDir() const { return Var("XDG_RUNTIME_DIR"); }
    std::string User() const { return Var("MOUSE_WAYLAND_USER"); }

    // A command line that runs argv as the session's user inside the
    // session, for starting a long-lived client (e.g. with QProcess).
    std::vector<std::string> AsUser(const std::vector<std::string>& argv) const {
        std::vector<std::string> line = {Script(), "run", folder_};
        line.insert(line.end(), argv.begin(), argv.end());
        return line;
    }
    // Runs argv as the session's user inside the session until it ends.
    int Run(const std::vector<std::string>& argv, std::string* out = nullptr,
            std::string* err = nullptr) const {
        return RunCommand(AsUser(argv), out, err);
    }
    // swaymsg's output for args (e.g. {"-t", "get_tree"}), empty on failure.
    std::string SwayMsg(const std::vector<std::string>& args) const {
        std::vector<std::string> argv = {"swaymsg", "-s", SwaySock()};
        argv.insert(argv.end(), args.begin(), args.end());
        std::string out;
        return RunCommand(argv, &out) == 0 ? out : std::string();
    }

    static std::string Script() { return MOUSE_SOURCE_DIR "/scripts/wayland-session.sh"; }

private:
    std::string Var(const std::string& key) const {
        auto it = vars_.find(key);
        return it == vars_.end() ? std::string() : it->second;
    }

    std::string folder_;
    std::string error_;
    std::map<std::string, std::string> vars_;
};

// One session for the whole test binary, started on first use and stopped
// at exit.
inline WaylandSession& SharedWaylandSession() {
    static WaylandSession session;
    static const bool started = session.Start();
    (void)started;
    return session;
}

}  // namespace mouse::test
