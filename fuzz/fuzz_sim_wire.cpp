// The virtual mouse's socket protocol: the bytes a peer sends, cut into
// frames by both readers (the buffered FrameReader of the monitor and the
// sim, and RecvFrame over a real socket), which must agree; every frame is
// then handled as its receivers handle it: the sim's firmware takes device
// and control requests, the control client parses state texts.
//
// Input: byte 0 sets the sizes of the pieces the stream arrives in (the
// FrameReader is fed piece by piece); the rest is the stream.
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <vector>

#include "drivers/sim/sim_mouse.h"
#include "drivers/sim/sim_state.h"
#include "drivers/sim/sim_wire.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace mouse;
namespace w = mouse::simwire;

// Larger streams skip the socket: a blocking write would have to wait for
// a reader.
constexpr size_t kSocketLimit = 32 * 1024;

std::vector<w::Frame> ReadBuffered(std::span<const uint8_t> stream, uint8_t pieces) {
    w::FrameReader reader;
    std::vector<w::Frame> frames;
    size_t pos = 0;
    uint32_t seed = pieces | 1u;
    while (pos < stream.size() && !reader.Broken()) {
        seed = seed * 1103515245u + 12345u;
        size_t n = pieces == 0 ? stream.size() : 1 + (seed >> 16) % (size_t(pieces) * 4);
        n = std::min(n, stream.size() - pos);
        reader.Feed(stream.data() + pos, n);
        pos += n;
        while (auto f = reader.Next()) {
            frames.push_back(std::move(*f));
        }
    }
    return frames;
}

std::vector<w::Frame> ReadSocket(std::span<const uint8_t> stream) {
    int fds[2];
    FUZZ_CHECK(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0);
    size_t sent = 0;
    while (sent < stream.size()) {
        const ssize_t r = send(fds[1], stream.data() + sent, stream.size() - sent, MSG_NOSIGNAL);
        FUZZ_CHECK(r > 0);
        sent += size_t(r);
    }
    shutdown(fds[1], SHUT_WR);
    std::vector<w::Frame> frames;
    // Everything is there and the stream ends, so no read waits.
    while (auto f = w::RecvFrame(fds[0], 10000)) {
        frames.push_back(std::move(*f));
    }
    close(fds[0]);
    close(fds[1]);
    return frames;
}

bool SameFrame(const w::Frame& a, const w::Frame& b) {
    return a.op == b.op && a.status == b.status && a.payload == b.payload;
}

template <size_t N>
std::array<uint8_t, N> ArrayOf(const std::vector<uint8_t>& payload) {
    std::array<uint8_t, N> out{};
    std::copy(payload.begin(), payload.end(), out.begin());
    return out;
}

// A state text as the control client reads it: what parses prints back to
// the same state.
void ParseStateText(const std::vector<uint8_t>& payload) {
    const std::string text(payload.begin(), payload.end());
    const auto state = ParseSimState(text);
    if (state) {
        const auto again = ParseSimState(EncodeSimState(*state));
        FUZZ_CHECK(again && *again == *state);
        FUZZ_CHECK(!FormatSimState(*state).empty());
    }
}

// A request as the sim's server hands it to the firmware.
void Handle(SimMouse& mouse, const w::Frame& f) {
    const auto& p = f.payload;
    switch (f.op) {
        case w::kSetFeature:
            if (p.size() == 8) {
                mouse.SetFeature(ArrayOf<8>(p));
            }
            break;
        case w::kGetFeature:
            if (p.size() == 8) {
                auto buffer = ArrayOf<8>(p);
                if (mouse.GetFeature(buffer)) {
                    FUZZ_CHECK(SimChecksumValid(buffer));
                    FUZZ_CHECK(buffer[0] == p[0]);
                } else {
                    FUZZ_CHECK(buffer == ArrayOf<8>(p));
                }
            }
            break;
        case w::kWriteUsb:
            if (p.size() == 32) {
                mouse.WriteUsb(ArrayOf<32>(p));
            }
            break;
        case w::kPlug:
            mouse.Plug();
            break;
        case w::kUnplug:
            mouse.Unplug();
            break;
        case w::kPress:
            if (p.size() == 2 && p[0] <= 2) {
                const auto notice = mouse.Press(SimButton(p[0]), p[1]);
                FUZZ_CHECK(notice.has_value() == mouse.Plugged());
            }
            break;
        case w::kSetVersion:
            if (p.size() == 2) {
                mouse.SetVersion(p[0], p[1]);
            }
            break;
        case w::kFail:
            if (p.size() == 3) {
                switch (p[0]) {
                    case w::kFailClear:
                        mouse.ClearFaults();
                        break;
                    case w::kFailNext:
                        mouse.FailNext(p[1] | p[2] << 8);
                        break;
                    case w::kFailAll:
                        mouse.FailAll();
                        break;
                    case w::kFailCommand:
                        if (p[1] <= uint8_t(SimCall::WriteUSB)) {
                            mouse.FailCommand(SimCall(p[1]), p[2]);
                        }
                        break;
                }
            }
            break;
        case w::kState:
            ParseStateText(p);
            break;
        default:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ByteReader in(data, size);
    const uint8_t pieces = in.U8();
    const auto stream = in.Rest();

    const std::vector<w::Frame> frames = ReadBuffered(stream, pieces);
    if (stream.size() <= kSocketLimit) {
        const std::vector<w::Frame> received = ReadSocket(stream);
        FUZZ_CHECK(received.size() == frames.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            FUZZ_CHECK(SameFrame(received[i], frames[i]));
        }
    }

    // The frames, encoded again, are the start of the stream.
    size_t pos = 0;
    for (const w::Frame& f : frames) {
        const std::vector<uint8_t> bytes = w::EncodeFrame(f);
        FUZZ_CHECK(pos + bytes.size() <= stream.size());
        FUZZ_CHECK(std::equal(bytes.begin(), bytes.end(), stream.begin() + long(pos)));
        pos += bytes.size();
    }

    SimMouse mouse{SimState{}};
    for (const w::Frame& f : frames) {
        Handle(mouse, f);
        const SimState& state = mouse.State();
        const auto parsed = ParseSimState(EncodeSimState(state));
        FUZZ_CHECK(parsed && *parsed == state);
    }
    return 0;
}
