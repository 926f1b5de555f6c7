#include "device/driver_library.h"

#include "device/library_symbols.h"
#include "drivers/msdriver.h"

#include <dlfcn.h>

namespace mouse {

DriverLibrary::~DriverLibrary() {
    Unload();
}

bool DriverLibrary::Load(const std::filesystem::path& file) {
    Unload();
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        error_ = "cannot load the device library " + file.string() + ": " +
                 (why != nullptr ? why : "unknown error");
        return false;
    }
    Entries e;
    std::string missing;
    bool ok = true;
    ok &= LookupSymbol(handle, "Set_VIDPID", e.setVidPid, missing);
    ok &= LookupSymbol(handle, "Open_DevMonitor", e.openDevMonitor, missing);
    ok &= LookupSymbol(handle, "Close_DevMonitor", e.closeDevMonitor, missing);
    ok &= LookupSymbol(handle, "Open_FeatureDevice", e.openFeature, missing);
    ok &= LookupSymbol(handle, "Close_FeatureDevice", e.closeFeature, missing);
    ok &= LookupSymbol(handle, "Open_ReportDevice", e.openReport, missing);
    ok &= LookupSymbol(handle, "Close_ReportDevice", e.closeReport, missing);
    ok &= LookupSymbol(handle, "SetFeature", e.setFeature, missing);
    ok &= LookupSymbol(handle, "GetFeature", e.getFeature, missing);
    ok &= LookupSymbol(handle, "WriteUSB", e.writeUsb, missing);
    ok &= LookupSymbol(handle, "ReadUSB", e.readUsb, missing);
    if (!ok) {
        dlclose(handle);
        error_ = "the device library " + file.string() + " lacks " + missing;
        return false;
    }
    handle_ = handle;
    fn_ = e;
    error_.clear();
    return true;
}

void DriverLibrary::Unload() {
    if (handle_ == nullptr) {
        return;
    }
    // Stop the library's monitor before unloading it, so no thread of the
    // library runs code that is no longer mapped or posts to a window that
    // is going away.
    fn_.closeDevMonitor();
    dlclose(handle_);
    handle_ = nullptr;
    fn_ = Entries{};
    error_ = "the device library is not loaded";
}

void DriverLibrary::SetVidPid(int vid, int pid) {
    if (handle_ != nullptr) {
        fn_.setVidPid(vid, pid);
    }
}

void DriverLibrary::OpenDevMonitor(const MsWindow& window, unsigned noticeMessage,
                                   unsigned deviceMessage) {
    if (handle_ != nullptr) {
        fn_.openDevMonitor(&window, noticeMessage, deviceMessage);
    }
}

void DriverLibrary::CloseDevMonitor() {
    if (handle_ != nullptr) {
        fn_.closeDevMonitor();
    }
}

int DriverLibrary::OpenFeatureDevice() {
    return handle_ != nullptr ? fn_.openFeature() : 0;
}
int DriverLibrary::CloseFeatureDevice() {
    return handle_ != nullptr ? fn_.closeFeature() : 0;
}
int DriverLibrary::OpenReportDevice() {
    return handle_ != nullptr ? fn_.openReport() : 0;
}
int DriverLibrary::CloseReportDevice() {
    return handle_ != nullptr ? fn_.closeReport() : 0;
}

int DriverLibrary::SetFeature(uint8_t* report, int length) {
    return handle_ != nullptr ? fn_.setFeature(report, length) : 0;
}

int DriverLibrary::GetFeature(uint8_t* buffer, int length) {
    return handle_ != nullptr ? fn_.getFeature(buffer, length) : 0;
}

int DriverLibrary::WriteUSB(uint8_t* report, int length) {
    return handle_ != nullptr ? fn_.writeUsb(report, length) : 0;
}

}  // namespace mouse
