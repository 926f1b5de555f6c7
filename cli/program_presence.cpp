#include "cli/program_presence.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "store/program_ids.h"

namespace mouse::cli {

namespace {

std::string SocketName() {
    return SingleInstanceName(kSingleInstanceBase, getuid()) + ".sock";
}

bool Answers(const std::filesystem::path& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = socketPath.string();
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

}  // namespace

std::vector<std::filesystem::path> ProgramSocketCandidates(const EnvReader& getenv) {
    const EnvReader env = getenv ? getenv : [](const char* n) { return std::getenv(n); };
    const std::string name = SocketName();
    const std::string uid = std::to_string(getuid());
    std::vector<std::filesystem::path> candidates;
    if (const char* runtime = env("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
        candidates.push_back(std::filesystem::path(runtime) / name);
    }
    const char* tmp = env("TMPDIR");
    candidates.push_back(std::filesystem::path(tmp != nullptr && *tmp ? tmp : "/tmp") /
                         ("mouse-driver-" + uid) / name);
    std::filesystem::path cache;
    if (const char* c = env("XDG_CACHE_HOME"); c != nullptr && *c != '\0') {
        cache = c;
    } else if (const char* home = env("HOME"); home != nullptr && *home != '\0') {
        cache = std::filesystem::path(home) / ".cache";
    }
    if (!cache.empty()) {
        candidates.push_back(cache / "mouse-driver" / ("runtime-" + uid) / name);
    }
    return candidates;
}

bool ProgramRunning(const EnvReader& getenv) {
    for (const std::filesystem::path& p : ProgramSocketCandidates(getenv)) {
        if (Answers(p)) {
            return true;
        }
    }
    return false;
}

}  // namespace mouse::cli
