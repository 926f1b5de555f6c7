// The device-access library, loaded at run time and called by name.
#pragma once

#include <filesystem>
#include <string>

#include "device/device_io.h"

// The window stand-in of the library's header (drivers/msdriver.h). Only the
// device link's own sources include that header, so the program's pages,
// which see this one through the main window, stay clear of the driver layer.
struct MsWindow;

namespace mouse {

// The library's operations as the device link uses them. Report calls come
// from DeviceIo; an implementation must make every call safe from any thread.
class DriverApi : public DeviceIo {
public:
    virtual void SetVidPid(int vid, int pid) = 0;
    virtual void OpenDevMonitor(const MsWindow& window, unsigned noticeMessage,
                                unsigned deviceMessage) = 0;
    // Stops the monitor: after it returns the library posts nothing more.
    virtual void CloseDevMonitor() = 0;
    virtual int OpenFeatureDevice() = 0;
    virtual int CloseFeatureDevice() = 0;
    virtual int OpenReportDevice() = 0;
    virtual int CloseReportDevice() = 0;
};

// File name of the library in the program folder.
inline constexpr const char* kDriverLibraryName = "MSDriver.so";

// Loads the library with dlopen and looks up all eleven entry points. When
// the file or an entry point is missing nothing is kept: every call then
// fails (returns 0) without touching the library, and Error() says why.
class DriverLibrary final : public DriverApi {
public:
    DriverLibrary() = default;
    ~DriverLibrary() override;
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    bool Load(const std::filesystem::path& file);
    bool Loaded() const { return handle_ != nullptr; }
    const std::string& Error() const { return error_; }

    void SetVidPid(int vid, int pid) override;
    void OpenDevMonitor(const MsWindow& window, unsigned noticeMessage,
                        unsigned deviceMessage) override;
    void CloseDevMonitor() override;
    int OpenFeatureDevice() override;
    int CloseFeatureDevice() override;
    int OpenReportDevice() override;
    int CloseReportDevice() override;
    int SetFeature(uint8_t* report, int length) override;
    int GetFeature(uint8_t* buffer, int length) override;
    int WriteUSB(uint8_t* report, int length) override;

private:
    struct Entries {
        void (*setVidPid)(int, int) = nullptr;
        void (*openDevMonitor)(const MsWindow*, unsigned, unsigned) = nullptr;
        void (*closeDevMonitor)() = nullptr;
        int (*openFeature)() = nullptr;
        int (*closeFeature)() = nullptr;
        int (*openReport)() = nullptr;
        int (*closeReport)() = nullptr;
        int (*setFeature)(unsigned char*, int) = nullptr;
        int (*getFeature)(unsigned char*, int) = nullptr;
        int (*writeUsb)(unsigned char*, int) = nullptr;
        int (*readUsb)(unsigned char*, int) = nullptr;
    };
    void Unload();

    void* handle_ = nullptr;
    Entries fn_;
    std::string error_ = "the device library is not loaded";
};

}  // namespace mouse
