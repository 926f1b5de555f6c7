// The calls the hidraw transport makes, behind one interface: the system's
// hidapi and sysfs in the library and in `mousectl doctor`, a stand-in that
// answers like the mouse in the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mouse::hid {

// One entry of the enumeration: hidraw lists one per top-level collection,
// so a node (path) can appear more than once.
struct HidEntry {
    std::string path;
    unsigned usagePage = 0;
    unsigned usage = 0;
    int interfaceNumber = -1;
};

class HidApi {
public:
    struct Handle;  // opaque, owned by the implementation

    virtual ~HidApi() = default;
    virtual std::vector<HidEntry> Enumerate(int vid, int pid) = 0;
    // The node's report descriptor, or nullopt when it cannot be read.
    virtual std::optional<std::vector<uint8_t>> ReadDescriptor(const std::string& path) = 0;
    // Opens the node for reading and writing, non-blocking reads; null on
    // failure with errno set (EACCES when this user may not open it).
    virtual Handle* Open(const std::string& path) = 0;
    virtual void Close(Handle* h) = 0;
    // hidapi's conventions: the buffer starts with the report id; the
    // result is the number of bytes moved, or -1.
    virtual int SendFeature(Handle* h, const uint8_t* data, size_t length) = 0;
    virtual int GetFeature(Handle* h, uint8_t* data, size_t length) = 0;
    virtual int Write(Handle* h, const uint8_t* data, size_t length) = 0;
    // An input report as the device sent it (with its id when numbered);
    // 0 when none came within `ms`, -1 when the node is gone.
    virtual int Read(Handle* h, uint8_t* data, size_t length, int ms) = 0;
};

// hidapi on hidraw and the descriptors from sysfs. One instance per process
// image; hidapi's global state is guarded inside.
HidApi& SystemHidApi();
// Releases hidapi's global state.
void ShutdownSystemHidApi();

}  // namespace mouse::hid
