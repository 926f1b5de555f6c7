#include "macros/macro_recorder.h"

#include <algorithm>
#include <cstring>

#include "device/diagnostics.h"
#include "device/messages.h"

namespace mouse {

namespace {

constexpr uint16_t kFixedDelay = 10;
constexpr uint16_t kNewActionDelay = 10;
constexpr uint16_t kMaxDelay = 65535;

// Windows mouse message numbers of the hook's mouse reports.
constexpr uint32_t kWheel = 522;
constexpr uint32_t kLeftDown = 513, kLeftUp = 514;
constexpr uint32_t kRightDown = 516, kRightUp = 517;
constexpr uint32_t kMiddleDown = 519, kMiddleUp = 520;
constexpr uint32_t kExtraDown = 523, kExtraUp = 524;

constexpr uint8_t kLeftButton = 240, kRightButton = 241, kMiddleButton = 242;
constexpr uint8_t kBackButton = 243, kForwardButton = 244;

}  // namespace

void MacroWorkingCopy::ClearActions() {
    std::memset(actions.data(), 0, sizeof(actions));
    count = 0;
}

bool MacroWorkingCopy::InsertAction(const MacroAction& action) {
    if (count >= kMaxMacroActions) {
        return false;
    }
    const int target = insertPoint >= 0 ? std::min(insertPoint, count) : count;
    std::copy_backward(actions.begin() + target, actions.begin() + count,
                       actions.begin() + count + 1);
    actions[size_t(target)] = action;
    ++count;
    ++selected;
    if (insertPoint >= 0) {
        ++insertPoint;
    }
    return true;
}

RecordedKey TranslateHookEvent(uint32_t event, uint32_t detail, const KeyboardLayout& layout) {
    auto button = [](uint8_t code, bool press) {
        return RecordedKey{true, code, press ? kActionPress : kActionRelease};
    };
    switch (event) {
        case kWheel:
            return {};
        case kLeftDown:
            return button(kLeftButton, true);
        case kLeftUp:
            return button(kLeftButton, false);
        case kRightDown:
            return button(kRightButton, true);
        case kRightUp:
            return button(kRightButton, false);
        case kMiddleDown:
            return button(kMiddleButton, true);
        case kMiddleUp:
            return button(kMiddleButton, false);
        case kExtraDown:
        case kExtraUp:
            if (detail == 1 || detail == 2) {
                return button(detail == 1 ? kBackButton : kForwardButton, event == kExtraDown);
            }
            break;  // another extra button: a key report like any other
        default:
            break;
    }
    const KeyCodeResult key = VirtualKeyToKeyCode(int(event), layout);
    return {true, key.keyCode, detail == 0 ? kActionPress : kActionRelease};
}

MacroRecorder::MacroRecorder(MacroWorkingCopy& work, RecorderHost& host, HookApi* hook,
                             HookSink sink, const KeyboardLayout& layout, Clock clock)
    : work_(work),
      host_(host),
      hook_(hook),
      sink_(std::move(sink)),
      layout_(layout),
      clock_(clock ? std::move(clock) : Clock([] { return HookClock::now(); })) {}

MacroRecorder::~MacroRecorder() {
    // The sink may post to a window that goes away with the page.
    if (HookAvailable() && (recording_ || capturing_)) {
        hook_->RemoveHook();
        hook_->RemoveMouseHook();
    }
}

std::string MacroRecorder::UnavailableReason() const {
    if (hook_ == nullptr) {
        return "there is no input hook";
    }
    return hook_->Unavailable();
}

MacroRecorder::Toggle MacroRecorder::ToggleRecording() {
    if (!host_.HasCurrentMacro() || work_.count >= kMaxMacroActions) {
        host_.ClearRecordCheck();
        return Toggle::Refused;
    }
    if (recording_) {
        StopRecording();
        return Toggle::Stopped;
    }
    // Without a hook nothing could be recorded, and starting would still
    // empty the macro when no action is selected: refuse before touching it.
    if (!HookAvailable()) {
        host_.ClearRecordCheck();
        return Toggle::Unavailable;
    }
    if (work_.selected >= 0 && work_.selected < work_.count) {
        work_.insertPoint = work_.selected + 1;
        work_.insertStart = work_.selected + 1;
        work_.showInsertion = true;
    } else {
        work_.ClearActions();
        work_.insertPoint = -1;
        work_.showInsertion = false;
    }
    StartRecording();
    return Toggle::Started;
}

void MacroRecorder::StartRecording() {
    recording_ = true;
    stampValid_ = true;
    host_.ShowRecording(true);
    defaultDelay_ = uint16_t(host_.DefaultDelayField());
    if (HookAvailable()) {
        hook_->InstallHook(sink_);
        hook_->InstallMouseHook(sink_);
        hook_->EnableHook(true);
    }
    stamp_ = clock_();
}

void MacroRecorder::StopRecording() {
    if (!recording_) {
        return;
    }
    recording_ = false;
    host_.ShowRecording(false);
    if (HookAvailable()) {
        // The key field may hold the focus: its capture keeps the keyboard.
        if (!capturing_) {
            hook_->RemoveHook();
        }
        hook_->RemoveMouseHook();
        hook_->EnableMouseHook(false);
        if (!capturing_) {
            hook_->EnableHook(false);
        }
    }
    stampValid_ = false;
    host_.SaveCurrentMacro();
}

void MacroRecorder::SetDelayMode(int mode) {
    if (mode >= kDelayFixed && mode <= kDelayMeasured) {
        delayMode_ = mode;
    }
}

void MacroRecorder::PointerOverRecordButton(bool over) {
    if (recording_ && HookAvailable()) {
        hook_->EnableMouseHook(!over);
    }
}

void MacroRecorder::BeginKeyCapture() {
    capturing_ = true;
    if (HookAvailable() && !recording_) {
        hook_->InstallHook(sink_);
        hook_->EnableHook(true);
    }
}

void MacroRecorder::EndKeyCapture() {
    if (!capturing_) {
        return;
    }
    capturing_ = false;
    // A recording under way keeps the keyboard.
    if (HookAvailable() && !recording_) {
        hook_->RemoveHook();
    }
}

uint16_t MacroRecorder::NextDelay(HookClock::time_point at) const {
    switch (delayMode_) {
        case kDelayFixed:
            return kFixedDelay;
        case kDelayDefault:
            return defaultDelay_;
        default:
            break;
    }
    if (!stampValid_) {
        return kFixedDelay;
    }
    const long long micros =
        std::chrono::duration_cast<std::chrono::microseconds>(at - stamp_).count();
    if (micros <= 0) {
        return 0;
    }
    return uint16_t(std::min<long long>((micros + 500) / 1000, kMaxDelay));
}

void MacroRecorder::Record(const RecordedKey& key, HookClock::time_point at) {
    // The gap belongs to the action before the new one.
    const uint16_t delay = NextDelay(at);
    if (work_.insertPoint < 0) {
        if (work_.count >= 1 && work_.count <= kMaxMacroActions) {
            work_.actions[size_t(work_.count - 1)].delay = delay;
        }
    } else if (work_.insertPoint >= 1 && work_.insertPoint <= work_.count) {
        work_.actions[size_t(work_.insertPoint - 1)].delay = delay;
    }
    MacroAction action{};
    action.code = key.code;
    action.kind = key.kind;
    action.delay = kNewActionDelay;
    const int insertedAt = work_.insertPoint;
    work_.InsertAction(action);
    log::Debug(log::kRecorder, "recorded action inserted at %d, the next goes to %d", insertedAt,
               work_.insertPoint);
    stamp_ = at;
    stampValid_ = true;
    if (work_.count >= kMaxMacroActions) {
        StopRecording();
    }
    host_.RebuildActionList();
}

void MacroRecorder::OnHookEvent(const HookReport& report) {
    const bool capture = !recording_ && capturing_ && report.message == kMsgHookKey;
    if (!recording_ && !capture) {
        return;
    }
    if (report.event == previousEvent_ && report.detail == previousDetail_) {
        return;  // the repeated key-down reports of a held key
    }
    previousEvent_ = report.event;
    previousDetail_ = report.detail;
    const RecordedKey key = TranslateHookEvent(report.event, report.detail, layout_);
    if (!key.recordable) {
        return;
    }
    if (recording_) {
        const HookClock::time_point at =
            report.readAt != HookClock::time_point{} ? report.readAt : clock_();
        Record(key, at);
        return;
    }
    const int a = work_.selected;
    if (a < 0 || a >= work_.count) {
        return;
    }
    work_.actions[size_t(a)].code = key.code;
    host_.ShowCapturedKey(a, key.code);
    host_.SaveCurrentMacro();
}

void MacroRecorder::OnHookMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
    OnHookEvent(DecodeHookMessage(message, wParam, lParam));
}

}  // namespace mouse
