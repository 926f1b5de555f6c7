// Wire protocol between the virtual mouse (mouse-sim) and its users: the
// device-access library and the control client.
//
// Transport: a Unix-domain stream socket. Every message is one frame:
//
//     byte 0     op
//     byte 1     status (requests: 0; replies: 1 = success, 0 = refused)
//     bytes 2-3  payload length, little-endian, at most kMaxPayload
//     bytes 4-   payload
//
// Requests are answered by exactly one reply frame with the same op, in
// order. A connection serves any mix of device and control requests, except
// that after kMonitor it only receives events.
//
// Device requests (the library's channels):
//   kOpen      [channel]   channel 1 = feature, 2 = report; status 1 when
//                          the mouse is plugged (the channel is then open)
//   kClose     [channel]   status 1
//   kSetFeature [8 bytes]  status 1 when the mouse took the report
//   kGetFeature [8 bytes]  status 1 and payload = the 8-byte reply
//   kWriteUsb  [32 bytes]  status 1 when the mouse took the data report
// A channel opened before an unplug stays dead after the next plug until it
// is opened again, as a device handle would.
//
// Monitor: kMonitor (no payload) is answered with [plugged]; afterwards the
// sim pushes, unasked:
//   kEventNotice [class, value]   the user pressed a button on the mouse
//   kEventPlug   [1 | 0]          arrival | removal
//
// Control requests (tools and tests), status 1 on success:
//   kPlug, kUnplug             no payload
//   kPress [kind, n]           kind 0 DPI, 1 report rate, 2 mode; refused
//                              while unplugged
//   kSetVersion [major, minor]
//   kFail [mode, a, b]         mode 0 clear all faults; 1 fail the next
//                              a | b << 8 report exchanges; 2 fail every
//                              exchange; 3 fail exchanges of call kind a
//                              (0 any, 1 SetFeature, 2 GetFeature, 3 WriteUSB)
//                              with command b (for data reports: the command
//                              that announced them)
//   kState                     payload = the state text (sim_state.h)
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mouse::simwire {

enum Op : uint8_t {
    kOpen = 0x01,
    kClose = 0x02,
    kSetFeature = 0x10,
    kGetFeature = 0x11,
    kWriteUsb = 0x12,
    kMonitor = 0x20,
    kEventNotice = 0x21,
    kEventPlug = 0x22,
    kPlug = 0x40,
    kUnplug = 0x41,
    kPress = 0x42,
    kSetVersion = 0x43,
    kFail = 0x44,
    kState = 0x45,
};

enum Channel : uint8_t { kFeatureChannel = 1, kReportChannel = 2 };

enum FailMode : uint8_t { kFailClear = 0, kFailNext = 1, kFailAll = 2, kFailCommand = 3 };

inline constexpr size_t kHeaderSize = 4;
inline constexpr size_t kMaxPayload = 16384;

// Time any single exchange may take before the caller gives up.
inline constexpr int kExchangeTimeoutMs = 500;

struct Frame {
    uint8_t op = 0;
    uint8_t status = 0;
    std::vector<uint8_t> payload;
};

std::vector<uint8_t> EncodeFrame(const Frame& frame);

// Collects bytes from a stream and cuts them into frames.
class FrameReader {
public:
    void Feed(const uint8_t* data, size_t size);
    // The next complete frame, if any.
    std::optional<Frame> Next();
    // A header announced more than kMaxPayload: the stream is unusable.
    bool Broken() const { return broken_; }

private:
    std::vector<uint8_t> buffer_;
    bool broken_ = false;
};

// Connects to the socket at `path`; -1 when it is absent or refuses. The
// socket gets send and receive timeouts of `timeoutMs`.
int ConnectUnix(const std::string& path, int timeoutMs = kExchangeTimeoutMs);

// Writes a whole frame (MSG_NOSIGNAL; bounded by the socket's send timeout).
bool SendFrame(int fd, const Frame& frame);

// Reads one whole frame, waiting at most `timeoutMs` in total.
std::optional<Frame> RecvFrame(int fd, int timeoutMs);

// SendFrame, then RecvFrame; the reply must carry the request's op.
std::optional<Frame> Exchange(int fd, const Frame& request, int timeoutMs = kExchangeTimeoutMs);

// One request on a fresh connection, closed afterwards.
std::optional<Frame> ExchangeOnce(const std::string& path, const Frame& request,
                                  int timeoutMs = kExchangeTimeoutMs);

}  // namespace mouse::simwire
