// Servers for one test, each reporting on a pipe where to reach it once it
// accepts connections: a private X server (Xvfb picks a free display
// number; -noreset keeps it from resetting whenever its last client leaves,
// which would refuse a connection made just then).
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace mouse::test {

class ServerProcess {
public:
    // args: the command; "{fd}" in an argument stands for the pipe's number.
    explicit ServerProcess(std::vector<std::string> args) {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        for (std::string& arg : args) {
            if (const size_t at = arg.find("{fd}"); at != std::string::npos) {
                arg.replace(at, 4, std::to_string(fds[1]));
            }
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            std::vector<char*> argv;
            for (std::string& arg : args) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        // Blocks until the server writes its line, or ends when it fails.
        char c = 0;
        while (pid_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
            line_ += c;
        }
        close(fds[0]);
    }
    ~ServerProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

protected:
    // What the server reported; empty when it could not be started.
    const std::string& Line() const { return line_; }

private:
    pid_t pid_ = -1;
    std::string line_;
};

class Xvfb : public ServerProcess {
public:
    Xvfb()
        : ServerProcess({"Xvfb", "-displayfd", "{fd}", "-noreset", "-nolisten", "tcp", "-screen",
                         "0", "640x480x24"}),
          name_(Line().empty() ? std::string() : ":" + Line()) {}

    // ":N", or empty when no server could be started.
    const std::string& Name() const { return name_; }

private:
    std::string name_;
};

}  // namespace mouse::test
