// Everything the virtual mouse holds, as the exact bytes it received, and
// its text forms: a machine-readable one (the reply to the state request)
// and a readable one for people.
//
// State text: one line per field, "name value". Byte fields are lower-case
// hex, two digits per byte, no spaces; counters and flags are decimal. A
// macro block that was never written is "-". Lines, in this order:
//   plugged 1 | version 0100 (major, minor) | settings <6 bytes> |
//   buttonMode | reportRate | dpiLevel <1 byte each> | fixedColour <3> |
//   light <3: effect p q> | cycleColours <24> | dpiColours <24> |
//   dpiLevelCount <1> | dpiTable <8> | buttonTable <256> | macro1..macro10
//   <128 or -> | liftOff | keyResponse | highDpiMask <1 each> |
//   closingCount | acceptedCount | refusedCount | faultCount <decimal>
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mouse {

// Kinds of report exchange, for fault injection.
enum class SimCall : uint8_t { Any = 0, SetFeature = 1, GetFeature = 2, WriteUSB = 3 };

// The buttons on the mouse that send notices.
enum class SimButton : uint8_t { Dpi = 0, Rate = 1, Mode = 2 };

struct SimState {
    bool plugged = true;
    uint8_t versionMajor = 1;
    uint8_t versionMinor = 0;
    // Bytes 1-6 of the 0x8B reply, written by 0x03.
    std::array<uint8_t, 6> settings{0x00, 0x00, 0x00, 0x40, 0x00, 0x00};
    uint8_t buttonMode = 0;                // 0x02 byte 1
    uint8_t reportRate = 0;                // 0x01 byte 1
    uint8_t dpiLevel = 0;                  // 0x0B byte 1, or the DPI button pressed
    std::array<uint8_t, 3> fixedColour{};  // 0x0C R G B
    uint8_t lightEffect = 0;               // 0x0D e p q
    uint8_t lightP = 0;
    uint8_t lightQ = 0;
    std::array<uint8_t, 24> cycleColours{};  // data after 0x10 00
    std::array<uint8_t, 24> dpiColours{};    // data after 0x10 01
    uint8_t dpiLevelCount = 0;               // 0x11 byte 1, kept with its data
    std::array<uint8_t, 8> dpiTable{};       // data after 0x11
    std::array<uint8_t, 256> buttonTable{};  // data after 0x12 1..4
    std::array<std::optional<std::array<uint8_t, 128>>, 10> macroBlocks;  // after 0x13 1..10
    uint8_t liftOff = 0;                                                  // 0x04 byte 1
    uint8_t keyResponse = 0;                                              // 0x04 byte 2
    uint8_t highDpiMask = 0;                                              // 0x07 byte 2
    uint32_t closingCount = 0;                                            // 0x08 AA CC EE received
    uint32_t acceptedCount = 0;  // exchanges the mouse took
    uint32_t refusedCount = 0;   // bad checksum, unknown command or parameters, unannounced data
    uint32_t faultCount = 0;     // exchanges failed on purpose (fault injection)

    bool operator==(const SimState&) const = default;
};

std::string EncodeSimState(const SimState& state);
std::optional<SimState> ParseSimState(std::string_view text);

// Multi-line, decoded for reading: colours as #rrggbb, the button table as
// one four-byte code per slot, macro blocks as hex rows.
std::string FormatSimState(const SimState& state);

}  // namespace mouse
