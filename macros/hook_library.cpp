#include "macros/hook_library.h"

#include <dlfcn.h>

#include <algorithm>

#include "device/library_symbols.h"
#include "drivers/hook/hook.h"

namespace mouse {

HookMessageParams EncodeHookMessage(const HookReport& report) {
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(report.readAt.time_since_epoch())
            .count();
    const uint64_t time = micros > 0 ? uint64_t(micros) : 0;
    const uint64_t detail = std::min<uint32_t>(report.detail, 255);
    return {uintptr_t(report.event), intptr_t((time << 8) | detail)};
}

HookReport DecodeHookMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
    static_assert(sizeof(intptr_t) == 8, "the report time needs 64-bit message parameters");
    HookReport report;
    report.message = message;
    report.event = uint32_t(wParam);
    report.detail = uint32_t(uint64_t(lParam) & 0xFF);
    const uint64_t micros = uint64_t(lParam) >> 8;
    if (micros != 0) {
        report.readAt = HookClock::time_point(std::chrono::microseconds(micros));
    }
    return report;
}

HookSink PostingSink(std::function<void(unsigned, uintptr_t, intptr_t)> post) {
    return [post = std::move(post)](const HookReport& report) {
        const HookMessageParams params = EncodeHookMessage(report);
        post(report.message, params.wParam, params.lParam);
    };
}

HookLibrary::HookLibrary(HookDisplayProbe probe) : probe_(std::move(probe)) {}

HookLibrary::~HookLibrary() {
    Unload();
}

bool HookLibrary::Load(const std::filesystem::path& file) {
    Unload();
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        // dlerror names the file.
        error_ =
            "cannot load the hook library: " + (why != nullptr ? std::string(why) : file.string());
        return false;
    }
    Entries e;
    std::string missing;
    bool ok = true;
    ok &= LookupSymbol(handle, "installhook", e.installKeys, missing);
    ok &= LookupSymbol(handle, "removehook", e.removeKeys, missing);
    ok &= LookupSymbol(handle, "enablehook", e.enableKeys, missing);
    ok &= LookupSymbol(handle, "installmousehook", e.installMouse, missing);
    ok &= LookupSymbol(handle, "removemousehook", e.removeMouse, missing);
    ok &= LookupSymbol(handle, "enablemousehook", e.enableMouse, missing);
    ok &= LookupSymbol(handle, "MouseMoveHook", e.mouseMove, missing);
    if (!ok) {
        dlclose(handle);
        error_ = "the hook library " + file.string() + " lacks " + missing;
        return false;
    }
    std::string noDisplay = probe_ ? probe_() : std::string();
    if (!noDisplay.empty()) {
        dlclose(handle);
        error_ = std::move(noDisplay);
        return false;
    }
    handle_ = handle;
    fn_ = e;
    error_.clear();
    return true;
}

void HookLibrary::Unload() {
    if (handle_ == nullptr) {
        return;
    }
    // No thread of the library may run or post once it is unmapped: removing
    // both hooks stops its reader.
    fn_.removeKeys();
    fn_.removeMouse();
    dlclose(handle_);
    handle_ = nullptr;
    fn_ = Entries{};
    error_ = "the hook library is not loaded";
}

void HookLibrary::Post(void* target, unsigned message, uintptr_t wParam, intptr_t lParam,
                       int64_t readNs) {
    auto* slot = static_cast<Slot*>(target);
    HookReport report;
    report.message = message;
    report.event = uint32_t(wParam);
    report.detail = uint32_t(lParam);
    report.readAt = HookClock::time_point(std::chrono::nanoseconds(readNs));
    std::lock_guard lock(slot->mutex);
    if (slot->sink) {
        slot->sink(report);
    }
}

void HookLibrary::Install(Slot& slot, void (*install)(const HookWindow*), HookSink sink) {
    {
        std::lock_guard lock(slot.mutex);
        slot.sink = std::move(sink);
    }
    const HookWindow window{&slot, &HookLibrary::Post};
    install(&window);
}

void HookLibrary::InstallHook(HookSink sink) {
    if (handle_ != nullptr) {
        Install(keys_, fn_.installKeys, std::move(sink));
    }
}

void HookLibrary::RemoveHook() {
    if (handle_ != nullptr) {
        fn_.removeKeys();
    }
}

void HookLibrary::EnableHook(bool on) {
    if (handle_ != nullptr) {
        fn_.enableKeys(on ? 1 : 0);
    }
}

void HookLibrary::InstallMouseHook(HookSink sink) {
    if (handle_ != nullptr) {
        Install(mouse_, fn_.installMouse, std::move(sink));
    }
}

void HookLibrary::RemoveMouseHook() {
    if (handle_ != nullptr) {
        fn_.removeMouse();
    }
}

void HookLibrary::EnableMouseHook(bool on) {
    if (handle_ != nullptr) {
        fn_.enableMouse(on ? 1 : 0);
    }
}

}  // namespace mouse
