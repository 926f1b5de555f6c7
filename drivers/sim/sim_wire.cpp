#include "drivers/sim/sim_wire.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace mouse::simwire {

std::vector<uint8_t> EncodeFrame(const Frame& frame) {
    std::vector<uint8_t> out;
    const size_t n = frame.payload.size() > kMaxPayload ? kMaxPayload : frame.payload.size();
    out.reserve(kHeaderSize + n);
    out.push_back(frame.op);
    out.push_back(frame.status);
    out.push_back(static_cast<uint8_t>(n & 0xFF));
    out.push_back(static_cast<uint8_t>(n >> 8));
    out.insert(out.end(), frame.payload.begin(), frame.payload.begin() + static_cast<long>(n));
    return out;
}

void FrameReader::Feed(const uint8_t* data, size_t size) {
    buffer_.insert(buffer_.end(), data, data + size);
}

std::optional<Frame> FrameReader::Next() {
    if (broken_ || buffer_.size() < kHeaderSize) {
        return std::nullopt;
    }
    const size_t n = static_cast<size_t>(buffer_[2]) | static_cast<size_t>(buffer_[3]) << 8;
    if (n > kMaxPayload) {
        broken_ = true;
        return std::nullopt;
    }
    if (buffer_.size() < kHeaderSize + n) {
        return std::nullopt;
    }
    Frame f;
    f.op = buffer_[0];
    f.status = buffer_[1];
    f.payload.assign(buffer_.begin() + kHeaderSize,
                     buffer_.begin() + static_cast<long>(kHeaderSize + n));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(kHeaderSize + n));
    return f;
}

namespace {

void SetTimeouts(int fd, int timeoutMs) {
    timeval tv{};
    tv.tv_sec = timeoutMs / 1000;
    tv.tv_usec = (timeoutMs % 1000) * 1000;
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

}  // namespace

int ConnectUnix(const std::string& path, int timeoutMs) {
    sockaddr_un addr{};
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        return -1;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    // The send timeout also bounds connect() on a Unix socket whose
    // listener has a full backlog.
    SetTimeouts(fd, timeoutMs);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool SendFrame(int fd, const Frame& frame) {
    if (fd < 0) {
        return false;
    }
    const std::vector<uint8_t> bytes = EncodeFrame(frame);
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t r = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            return false;
        }
        sent += static_cast<size_t>(r);
    }
    return true;
}

std::optional<Frame> RecvFrame(int fd, int timeoutMs) {
    if (fd < 0) {
        return std::nullopt;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<uint8_t> buf;
    size_t want = kHeaderSize;
    while (buf.size() < want) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return std::nullopt;
        }
        pollfd p{fd, POLLIN, 0};
        const int pr = poll(&p, 1, static_cast<int>(left));
        if (pr < 0 && errno == EINTR) {
            continue;
        }
        if (pr <= 0) {
            return std::nullopt;
        }
        uint8_t chunk[1024];
        const size_t room = want - buf.size() < sizeof chunk ? want - buf.size() : sizeof chunk;
        const ssize_t r = recv(fd, chunk, room, MSG_DONTWAIT);
        if (r < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        if (r <= 0) {
            return std::nullopt;
        }
        buf.insert(buf.end(), chunk, chunk + r);
        if (buf.size() == kHeaderSize && want == kHeaderSize) {
            const size_t n = static_cast<size_t>(buf[2]) | static_cast<size_t>(buf[3]) << 8;
            if (n > kMaxPayload) {
                return std::nullopt;
            }
            want = kHeaderSize + n;
        }
    }
    Frame f;
    f.op = buf[0];
    f.status = buf[1];
    f.payload.assign(buf.begin() + kHeaderSize, buf.end());
    return f;
}

std::optional<Frame> Exchange(int fd, const Frame& request, int timeoutMs) {
    if (!SendFrame(fd, request)) {
        return std::nullopt;
    }
    std::optional<Frame> reply = RecvFrame(fd, timeoutMs);
    if (!reply || reply->op != request.op) {
        return std::nullopt;
    }
    return reply;
}

std::optional<Frame> ExchangeOnce(const std::string& path, const Frame& request, int timeoutMs) {
    const int fd = ConnectUnix(path, timeoutMs);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<Frame> reply = Exchange(fd, request, timeoutMs);
    close(fd);
    return reply;
}

}  // namespace mouse::simwire
