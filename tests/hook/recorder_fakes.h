// Stand-ins for the recorder's surroundings: a hook that records the calls
// it gets, a page that counts what it is asked to do, and a hand-set clock.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "device/messages.h"
#include "macros/macro_recorder.h"

namespace mouse::test {

class FakeHook final : public HookApi {
public:
    std::string reason;  // empty: available
    std::vector<std::string> calls;
    HookSink keySink;
    HookSink mouseSink;

    std::string Unavailable() const override { return reason; }
    void InstallHook(HookSink sink) override {
        calls.push_back("installhook");
        keySink = std::move(sink);
    }
    void RemoveHook() override { calls.push_back("removehook"); }
    void EnableHook(bool on) override { calls.push_back(on ? "enablehook(1)" : "enablehook(0)"); }
    void InstallMouseHook(HookSink sink) override {
        calls.push_back("installmousehook");
        mouseSink = std::move(sink);
    }
    void RemoveMouseHook() override { calls.push_back("removemousehook"); }
    void EnableMouseHook(bool on) override {
        calls.push_back(on ? "enablemousehook(1)" : "enablemousehook(0)");
    }
};

class FakeHost final : public RecorderHost {
public:
    bool hasMacro = true;
    long long defaultDelayField = 10;
    int saves = 0;
    int rebuilds = 0;
    int checkClears = 0;
    std::vector<bool> shownRecording;
    std::vector<std::pair<int, int>> captured;  // (action, code)
    // The working copy's count at each save.
    std::vector<int> savedCounts;
    const MacroWorkingCopy* work = nullptr;

    bool HasCurrentMacro() const override { return hasMacro; }
    void ShowRecording(bool recording) override { shownRecording.push_back(recording); }
    void ClearRecordCheck() override { ++checkClears; }
    long long DefaultDelayField() const override { return defaultDelayField; }
    void SaveCurrentMacro() override {
        ++saves;
        savedCounts.push_back(work != nullptr ? work->count : -1);
    }
    void RebuildActionList() override { ++rebuilds; }
    void ShowCapturedKey(int index, uint8_t code) override { captured.emplace_back(index, code); }
};

// A layout that moves the letter A to where the US layout has Q, as French
// keyboards do.
class QwertyToAzertyLayout final : public KeyboardLayout {
public:
    int VirtualKeyToScanCode(int virtualKey) const override {
        switch (virtualKey) {
            case 'A':
                return 16;
            case 'Q':
                return 30;
            default:
                return us_.VirtualKeyToScanCode(virtualKey);
        }
    }

private:
    UsKeyboardLayout us_;
};

inline MacroAction Action(uint8_t code, uint8_t kind, uint16_t delay = 10) {
    MacroAction a{};
    a.code = code;
    a.kind = kind;
    a.delay = delay;
    return a;
}

}  // namespace mouse::test
