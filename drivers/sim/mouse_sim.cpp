// mouse-sim: a virtual mouse on a Unix-domain socket.
//
//   mouse-sim --socket PATH [--version H.L] [--settings HEX12] [--log FILE]
//             [--unplugged]
//
// --version takes the firmware's major and minor number (decimal, or hex
// with 0x), default 1.0; --settings the six bytes of the settings block as
// twelve hex digits, default 000000400000; --unplugged starts with the mouse
// unplugged. --log FILE writes one line per report exchange that reaches the
// mouse: milliseconds since start, a space, then "SetFeature <16 hex>",
// "GetFeature <request 16 hex> <reply 16 hex>" or "WriteUSB <64 hex>"; a
// refused GetFeature logs the unchanged buffer as its reply.
//
// Prints "ready" once the socket accepts connections and nothing else on
// stdout. SIGTERM or SIGINT end it cleanly and remove the socket file. The
// protocol is described in sim_wire.h.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <span>
#include <string>

#include "drivers/sim/sim_mouse.h"
#include "drivers/sim/sim_wire.h"
#include "store/ascii.h"

namespace {

using mouse::HexBytes;
using mouse::SimButton;
using mouse::SimCall;
using mouse::SimMouse;
using mouse::SimState;
using mouse::simwire::Frame;

struct Options {
    std::string socket;
    std::string log;
    SimState initial;
};

bool ParseVersion(const char* text, SimState& s) {
    char* end = nullptr;
    const long major = std::strtol(text, &end, 0);
    if (end == text || *end != '.') {
        return false;
    }
    const char* minorText = end + 1;
    const long minor = std::strtol(minorText, &end, 0);
    if (end == minorText || *end != '\0' || major < 0 || major > 255 || minor < 0 || minor > 255) {
        return false;
    }
    s.versionMajor = static_cast<uint8_t>(major);
    s.versionMinor = static_cast<uint8_t>(minor);
    return true;
}

bool ParseSettings(const char* text, SimState& s) {
    if (std::strlen(text) != 12) {
        return false;
    }
    for (size_t i = 0; i < 6; ++i) {
        const char pair[3] = {text[2 * i], text[2 * i + 1], '\0'};
        char* end = nullptr;
        const long v = std::strtol(pair, &end, 16);
        if (end != pair + 2) {
            return false;
        }
        s.settings[i] = static_cast<uint8_t>(v);
    }
    return true;
}

void Usage() {
    std::fprintf(stderr,
                 "usage: mouse-sim --socket PATH [--version H.L] [--settings HEX12] "
                 "[--log FILE] [--unplugged]\n");
}

bool ParseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--socket" && hasValue) {
            o.socket = argv[++i];
        } else if (a == "--log" && hasValue) {
            o.log = argv[++i];
        } else if (a == "--version" && hasValue) {
            if (!ParseVersion(argv[++i], o.initial)) {
                std::fprintf(stderr, "mouse-sim: bad --version %s (want MAJOR.MINOR)\n", argv[i]);
                return false;
            }
        } else if (a == "--settings" && hasValue) {
            if (!ParseSettings(argv[++i], o.initial)) {
                std::fprintf(stderr, "mouse-sim: bad --settings %s (want 12 hex digits)\n",
                             argv[i]);
                return false;
            }
        } else if (a == "--unplugged") {
            o.initial.plugged = false;
        } else {
            Usage();
            return false;
        }
    }
    if (o.socket.empty()) {
        Usage();
        return false;
    }
    return true;
}

struct Client {
    int fd = -1;
    mouse::simwire::FrameReader reader;
    bool monitor = false;
    bool featureOpen = false;
    bool reportOpen = false;
    uint64_t featureGeneration = 0;
    uint64_t reportGeneration = 0;
    bool dead = false;
};

class Server {
public:
    Server(const Options& o) : options_(o), mouse_(o.initial) {}

    ~Server() {
        for (Client& c : clients_) {
            close(c.fd);
        }
        if (listenFd_ >= 0) {
            close(listenFd_);
            unlink(options_.socket.c_str());
        }
        if (log_ != nullptr) {
            std::fclose(log_);
        }
    }

    bool Listen() {
        if (!options_.log.empty()) {
            log_ = std::fopen(options_.log.c_str(), "w");
            if (log_ == nullptr) {
                std::fprintf(stderr, "mouse-sim: cannot write %s: %s\n", options_.log.c_str(),
                             std::strerror(errno));
                return false;
            }
        }
        sockaddr_un addr{};
        if (options_.socket.size() >= sizeof addr.sun_path) {
            std::fprintf(stderr, "mouse-sim: socket path too long\n");
            return false;
        }
        // A socket file left by a killed sim is taken over; a live one is not.
        struct stat st {};
        if (stat(options_.socket.c_str(), &st) == 0) {
            if (!S_ISSOCK(st.st_mode)) {
                std::fprintf(stderr, "mouse-sim: %s exists and is not a socket\n",
                             options_.socket.c_str());
                return false;
            }
            const int probe = mouse::simwire::ConnectUnix(options_.socket);
            if (probe >= 0) {
                close(probe);
                std::fprintf(stderr, "mouse-sim: another sim listens on %s\n",
                             options_.socket.c_str());
                return false;
            }
            unlink(options_.socket.c_str());
        }
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, options_.socket.c_str(), options_.socket.size() + 1);
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            return false;
        }
        if (bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
            listen(fd, 32) != 0) {
            std::fprintf(stderr, "mouse-sim: cannot listen on %s: %s\n", options_.socket.c_str(),
                         std::strerror(errno));
            close(fd);
            return false;
        }
        listenFd_ = fd;
        return true;
    }

    // Serves until a signal arrives on signalFd.
    void Run(int signalFd) {
        while (true) {
            std::vector<pollfd> fds;
            fds.push_back({signalFd, POLLIN, 0});
            fds.push_back({listenFd_, POLLIN, 0});
            for (Client& c : clients_) {
                fds.push_back({c.fd, POLLIN, 0});
            }
            if (poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return;
            }
            if (fds[0].revents != 0) {
                return;
            }
            if ((fds[1].revents & POLLIN) != 0) {
                Accept();
            }
            size_t i = 2;
            for (Client& c : clients_) {
                if (i < fds.size() && fds[i].fd == c.fd && fds[i].revents != 0) {
                    Read(c);
                }
                ++i;
            }
            clients_.remove_if([](const Client& c) {
                if (c.dead) {
                    close(c.fd);
                }
                return c.dead;
            });
        }
    }

private:
    void Accept() {
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            return;
        }
        // Replies are small; a client that stops reading is dropped after
        // this long rather than stalling the mouse.
        timeval tv{0, mouse::simwire::kExchangeTimeoutMs * 1000};
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        Client c;
        c.fd = fd;
        clients_.push_back(std::move(c));
    }

    void Read(Client& c) {
        uint8_t buf[4096];
        const ssize_t r = recv(c.fd, buf, sizeof buf, MSG_DONTWAIT);
        if (r < 0 && (errno == EINTR || errno == EAGAIN)) {
            return;
        }
        if (r <= 0) {
            c.dead = true;
            return;
        }
        c.reader.Feed(buf, static_cast<size_t>(r));
        while (auto f = c.reader.Next()) {
            Frame reply = Handle(c, *f);
            if (!mouse::simwire::SendFrame(c.fd, reply)) {
                c.dead = true;
                return;
            }
        }
        if (c.reader.Broken()) {
            c.dead = true;
        }
    }

    void Push(const Frame& event) {
        const std::vector<uint8_t> bytes = mouse::simwire::EncodeFrame(event);
        for (Client& c : clients_) {
            if (!c.monitor || c.dead) {
                continue;
            }
            const ssize_t r = send(c.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (r != static_cast<ssize_t>(bytes.size())) {
                c.dead = true;  // it reconnects and learns the plug state
            }
        }
    }

    void Log(const std::string& line) {
        if (log_ == nullptr) {
            return;
        }
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start_)
                            .count();
        std::fprintf(log_, "%lld %s\n", static_cast<long long>(ms), line.c_str());
        std::fflush(log_);
    }

    bool Reaches(bool open, uint64_t generation) const {
        return open && mouse_.Plugged() && generation == mouse_.Generation();
    }

    Frame Handle(Client& c, const Frame& f) {
        namespace w = mouse::simwire;
        Frame reply{f.op, 0, {}};
        const auto& p = f.payload;
        switch (f.op) {
            case w::kOpen:
            case w::kClose: {
                if (p.size() != 1 || (p[0] != w::kFeatureChannel && p[0] != w::kReportChannel)) {
                    break;
                }
                const bool feature = p[0] == w::kFeatureChannel;
                bool& open = feature ? c.featureOpen : c.reportOpen;
                uint64_t& generation = feature ? c.featureGeneration : c.reportGeneration;
                if (f.op == w::kClose) {
                    open = false;
                    reply.status = 1;
                    break;
                }
                open = mouse_.Plugged();
                generation = mouse_.Generation();
                reply.status = open ? 1 : 0;
                break;
            }
            case w::kSetFeature: {
                if (p.size() != 8 || !Reaches(c.featureOpen, c.featureGeneration)) {
                    break;
                }
                std::array<uint8_t, 8> r;
                std::copy(p.begin(), p.end(), r.begin());
                Log("SetFeature " + HexBytes(r));
                reply.status = mouse_.SetFeature(r) ? 1 : 0;
                break;
            }
            case w::kGetFeature: {
                if (p.size() != 8 || !Reaches(c.featureOpen, c.featureGeneration)) {
                    break;
                }
                std::array<uint8_t, 8> r;
                std::copy(p.begin(), p.end(), r.begin());
                const std::string request = HexBytes(r);
                const bool ok = mouse_.GetFeature(r);
                Log("GetFeature " + request + " " + HexBytes(r));
                if (ok) {
                    reply.status = 1;
                    reply.payload.assign(r.begin(), r.end());
                }
                break;
            }
            case w::kWriteUsb: {
                if (p.size() != 32 || !Reaches(c.reportOpen, c.reportGeneration)) {
                    break;
                }
                std::array<uint8_t, 32> r;
                std::copy(p.begin(), p.end(), r.begin());
                Log("WriteUSB " + HexBytes(r));
                reply.status = mouse_.WriteUsb(r) ? 1 : 0;
                break;
            }
            case w::kMonitor:
                c.monitor = true;
                reply.status = 1;
                reply.payload = {static_cast<uint8_t>(mouse_.Plugged() ? 1 : 0)};
                break;
            case w::kPlug:
            case w::kUnplug: {
                const bool plug = f.op == w::kPlug;
                if (plug ? mouse_.Plug() : mouse_.Unplug()) {
                    Push(Frame{w::kEventPlug, 1, {static_cast<uint8_t>(plug ? 1 : 0)}});
                }
                reply.status = 1;
                break;
            }
            case w::kPress: {
                if (p.size() != 2 || p[0] > 2) {
                    break;
                }
                if (auto n = mouse_.Press(static_cast<SimButton>(p[0]), p[1])) {
                    Push(Frame{w::kEventNotice, 1, {n->noticeClass, n->value}});
                    reply.status = 1;
                }
                break;
            }
            case w::kSetVersion:
                if (p.size() == 2) {
                    mouse_.SetVersion(p[0], p[1]);
                    reply.status = 1;
                }
                break;
            case w::kFail:
                reply.status = Fail(p) ? 1 : 0;
                break;
            case w::kState: {
                const std::string text = mouse::EncodeSimState(mouse_.State());
                reply.payload.assign(text.begin(), text.end());
                reply.status = 1;
                break;
            }
            default:
                break;
        }
        return reply;
    }

    bool Fail(const std::vector<uint8_t>& p) {
        namespace w = mouse::simwire;
        if (p.size() != 3) {
            return false;
        }
        switch (p[0]) {
            case w::kFailClear:
                mouse_.ClearFaults();
                return true;
            case w::kFailNext:
                mouse_.FailNext(p[1] | p[2] << 8);
                return true;
            case w::kFailAll:
                mouse_.FailAll();
                return true;
            case w::kFailCommand:
                if (p[1] > static_cast<uint8_t>(SimCall::WriteUSB)) {
                    return false;
                }
                mouse_.FailCommand(static_cast<SimCall>(p[1]), p[2]);
                return true;
            default:
                return false;
        }
    }

    Options options_;
    SimMouse mouse_;
    int listenFd_ = -1;
    std::list<Client> clients_;
    std::FILE* log_ = nullptr;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArgs(argc, argv, options)) {
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGINT);
    sigprocmask(SIG_BLOCK, &mask, nullptr);
    const int signalFd = signalfd(-1, &mask, SFD_CLOEXEC);
    if (signalFd < 0) {
        std::perror("mouse-sim: signalfd");
        return 1;
    }
    {
        Server server(options);
        if (!server.Listen()) {
            return 1;
        }
        std::printf("ready\n");
        std::fflush(stdout);
        server.Run(signalFd);
    }
    close(signalFd);
    return 0;
}
