// The device-access library's link to the virtual mouse (mouse-sim) over
// the Unix socket named by MOUSE_SIM_SOCKET. One connection carries both
// channels; every exchange is bounded by simwire::kExchangeTimeoutMs, and a
// connection that times out or breaks is dropped, so later calls fail at
// once until the next Open connects again.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "drivers/sim/sim_wire.h"
#include "drivers/transport.h"

namespace mouse::driver {

namespace {

using simwire::Frame;

class SimTransport final : public Transport {
public:
    explicit SimTransport(std::string path) : path_(std::move(path)) {}
    ~SimTransport() override { Drop(); }

    int OpenFeature(int, int) override { return Open(simwire::kFeatureChannel, featureOpen_); }
    int OpenReport(int, int) override { return Open(simwire::kReportChannel, reportOpen_); }
    int CloseFeature() override { return Close(simwire::kFeatureChannel, featureOpen_); }
    int CloseReport() override { return Close(simwire::kReportChannel, reportOpen_); }

    int SetFeature(const uint8_t* report) override {
        if (!featureOpen_) {
            return 0;
        }
        auto reply = Request(simwire::kSetFeature, report, 8);
        return reply && reply->status == 1 ? 1 : 0;
    }

    int GetFeature(uint8_t* buffer) override {
        if (!featureOpen_) {
            return 0;
        }
        auto reply = Request(simwire::kGetFeature, buffer, 8);
        if (!reply || reply->status != 1 || reply->payload.size() != 8) {
            return 0;
        }
        for (size_t i = 0; i < 8; ++i) {
            buffer[i] = reply->payload[i];
        }
        return 1;
    }

    int WriteUsb(const uint8_t* report) override {
        if (!reportOpen_) {
            return 0;
        }
        auto reply = Request(simwire::kWriteUsb, report, 32);
        return reply && reply->status == 1 ? 1 : 0;
    }

    // The virtual mouse sends no input reports besides its notices, which
    // the monitor delivers.
    int ReadUsb(uint8_t*, int) override { return 0; }

private:
    int Open(uint8_t channel, bool& flag) {
        flag = false;
        if (fd_ < 0) {
            fd_ = simwire::ConnectUnix(path_);
            if (fd_ < 0) {
                return 0;
            }
        }
        auto reply = Request(simwire::kOpen, &channel, 1);
        flag = reply && reply->status == 1;
        return flag ? 1 : 0;
    }

    int Close(uint8_t channel, bool& flag) {
        const bool wasOpen = flag;
        flag = false;
        if (fd_ >= 0) {
            Request(simwire::kClose, &channel, 1);
        }
        if (!featureOpen_ && !reportOpen_) {
            Drop();
        }
        return wasOpen ? 1 : 0;
    }

    std::optional<Frame> Request(uint8_t op, const uint8_t* data, size_t size) {
        if (fd_ < 0) {
            return std::nullopt;
        }
        Frame request{op, 0, std::vector<uint8_t>(data, data + size)};
        auto reply = simwire::Exchange(fd_, request);
        if (!reply) {
            // Timed out or broken: a late reply would put the stream out of
            // step, so the connection goes.
            Drop();
        }
        return reply;
    }

    void Drop() {
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
        featureOpen_ = false;
        reportOpen_ = false;
    }

    std::string path_;
    int fd_ = -1;
    bool featureOpen_ = false;
    bool reportOpen_ = false;
};

// The monitor connection: registers with kMonitor, then turns the pushed
// events into messages. When the sim goes away while the mouse was plugged
// it posts a removal, reconnects every kRetryMs and posts an arrival when the
// new sim has the mouse plugged.
class SimMonitor final : public Monitor {
public:
    SimMonitor(std::string path, const MonitorTarget& target)
        : state_(std::make_shared<State>(std::move(path), target)) {}

    ~SimMonitor() override { Stop(); }

    bool Start() {
        if (!state_->wake.Ok()) {
            return false;
        }
        // Register before returning, so an event that follows this call is
        // not missed.
        state_->Connect(false);
        thread_ = std::thread([s = state_] { s->Run(); });
        return true;
    }

    void Stop() override { StopThread(thread_, state_->wake); }

private:
    struct State {
        State(std::string p, const MonitorTarget& t) : path(std::move(p)), target(t) {}
        ~State() {
            if (fd >= 0) {
                close(fd);
            }
        }

        static constexpr int kRetryMs = 250;

        void Connect(bool announce) {
            const int c = simwire::ConnectUnix(path);
            if (c < 0) {
                return;
            }
            auto reply = simwire::Exchange(c, Frame{simwire::kMonitor, 0, {}});
            if (!reply || reply->payload.size() != 1) {
                close(c);
                return;
            }
            fd = c;
            reader = simwire::FrameReader{};
            const bool now = reply->payload[0] != 0;
            if (announce && now && !plugged) {
                target.Post(target.deviceMessage, 1, 0);
            }
            plugged = now;
        }

        void Lost() {
            close(fd);
            fd = -1;
            if (plugged) {
                plugged = false;
                target.Post(target.deviceMessage, 0, 0);
            }
        }

        void Handle(const Frame& f) {
            if (f.op == simwire::kEventNotice && f.payload.size() == 2) {
                target.Post(target.noticeMessage, static_cast<uintptr_t>(f.payload[0]) << 8,
                            static_cast<intptr_t>(f.payload[1]));
            } else if (f.op == simwire::kEventPlug && f.payload.size() == 1) {
                plugged = f.payload[0] != 0;
                target.Post(target.deviceMessage, plugged ? 1 : 0, 0);
            }
        }

        void Run() {
            while (!wake.Stopping()) {
                pollfd fds[2] = {{wake.ReadFd(), POLLIN, 0}, {fd, POLLIN, 0}};
                const int n = poll(fds, fd >= 0 ? 2 : 1, fd >= 0 ? -1 : kRetryMs);
                if (wake.Stopping()) {
                    break;
                }
                if (n < 0) {
                    continue;
                }
                if (fd < 0) {
                    Connect(true);
                    continue;
                }
                if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                    continue;
                }
                uint8_t buf[512];
                const ssize_t r = recv(fd, buf, sizeof buf, MSG_DONTWAIT);
                if (r < 0 && (errno == EINTR || errno == EAGAIN)) {
                    continue;
                }
                if (r <= 0) {
                    Lost();
                    continue;
                }
                reader.Feed(buf, static_cast<size_t>(r));
                while (auto f = reader.Next()) {
                    Handle(*f);
                    if (wake.Stopping()) {
                        return;
                    }
                }
                if (reader.Broken()) {
                    Lost();
                }
            }
        }

        std::string path;
        MonitorTarget target;
        WakePipe wake;
        int fd = -1;
        bool plugged = false;
        simwire::FrameReader reader;
    };

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<Transport> MakeSimTransport(const std::string& socketPath) {
    return std::make_unique<SimTransport>(socketPath);
}

std::unique_ptr<Monitor> StartSimMonitor(const std::string& socketPath,
                                         const MonitorTarget& target) {
    auto monitor = std::make_unique<SimMonitor>(socketPath, target);
    if (!monitor->Start()) {
        return nullptr;
    }
    return monitor;
}

}  // namespace mouse::driver
