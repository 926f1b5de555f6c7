#include "drivers/sim/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

extern char** environ;

namespace mouse {

SimProcess::SimProcess() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/mouse-sim-XXXXXX";
    // Socket paths are limited to 107 bytes; fall back to /tmp for deep
    // temporary folders.
    if (pattern.size() > 80) {
        pattern = "/tmp/mouse-sim-XXXXXX";
    }
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) != nullptr) {
        folder_ = buf.data();
        socket_ = folder_ + "/mouse.sock";
    } else {
        error_ = std::string("mkdtemp: ") + std::strerror(errno);
    }
}

SimProcess::~SimProcess() {
    Stop();
    if (!folder_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
}

bool SimProcess::Start(const std::string& simPath, const std::vector<std::string>& extraArgs,
                       int readyTimeoutMs) {
    if (folder_.empty()) {
        return false;
    }
    if (Running()) {
        error_ = "already running";
        return false;
    }
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> args = {simPath, "--socket", socket_};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    // The test may block signals the sim needs; start it with none blocked.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, simPath.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        error_ = "cannot start " + simPath + ": " + std::strerror(rc);
        return false;
    }
    pid_ = pid;

    // Read until the "ready" line, the end of its output, or the timeout.
    std::string text;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(readyTimeoutMs);
    bool ready = false;
    while (!ready) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            error_ = "no ready line from " + simPath;
            break;
        }
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) {
            continue;
        }
        char chunk[256];
        const ssize_t n = read(out[0], chunk, sizeof chunk);
        if (n <= 0) {
            error_ = simPath + " ended before it was ready";
            break;
        }
        text.append(chunk, static_cast<size_t>(n));
        ready = text.find("ready\n") != std::string::npos;
    }
    close(out[0]);
    if (!ready) {
        Kill();
        return false;
    }
    return true;
}

int SimProcess::Wait(int graceMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    int status = 0;
    while (true) {
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || (r < 0 && errno != EINTR)) {
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int SimProcess::Stop() {
    if (!Running()) {
        return -1;
    }
    kill(pid_, SIGTERM);
    return Wait(2000);
}

void SimProcess::Kill() {
    if (!Running()) {
        return;
    }
    kill(pid_, SIGKILL);
    Wait(2000);
}

}  // namespace mouse
