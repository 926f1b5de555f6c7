// Runs a mouse-sim for a test: a private temporary folder holds its socket
// (and whatever else the test puts there, e.g. a log); Start spawns the sim
// and returns once it printed "ready"; the destructor stops it and removes
// the folder.
//
//   SimProcess sim;
//   ASSERT_TRUE(sim.Start(MOUSE_APP_DIR "/mouse-sim", {"--version", "2.3"}));
//   setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace mouse {

class SimProcess {
public:
    SimProcess();
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Spawns `simPath --socket SocketPath() extraArgs...` and waits up to
    // `readyTimeoutMs` for its "ready" line. False when it could not start;
    // Error() says why.
    bool Start(const std::string& simPath, const std::vector<std::string>& extraArgs = {},
               int readyTimeoutMs = 10000);

    // SIGTERM and wait (SIGKILL after two seconds). Returns the exit status
    // (0 for a clean end), -1 when it was not running or died by a signal.
    int Stop();
    // SIGKILL and wait: the sim disappears without cleaning up.
    void Kill();

    bool Running() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    const std::string& Folder() const { return folder_; }
    const std::string& SocketPath() const { return socket_; }
    // A file name inside Folder().
    std::string PathFor(const std::string& name) const { return folder_ + "/" + name; }
    const std::string& Error() const { return error_; }

private:
    int Wait(int graceMs);

    std::string folder_;
    std::string socket_;
    std::string error_;
    pid_t pid_ = -1;
};

}  // namespace mouse
