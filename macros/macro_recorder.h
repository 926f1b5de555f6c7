// Recording of macros from the real keyboard and mouse, and key capture for
// the selected action. Plain logic without widgets: the macro page owns one
// MacroWorkingCopy and one MacroRecorder and wires its controls to it.
//
// How the page uses it:
//   btn_record "checkclick"            -> ToggleRecording() (the result says
//                                         what happened; on Unavailable show
//                                         UnavailableReason() once)
//   btn_record "mouseenter"/"mouseleave" -> PointerOverRecordButton(true/false)
//   macro_delay_option_1/_2/_3 "selectchanged" -> SetDelayMode(0/1/2)
//   edit_macro_action "setfocus"/"killfocus"   -> BeginKeyCapture() / EndKeyCapture()
//   main window messages 0x500/0x501   -> OnHookMessage(msg, wParam, lParam)
//   selecting another folder or macro while recording -> StopRecording()
// and implements RecorderHost for the controls and the save.
//
// Everything runs on the user-interface thread; the hook's reports arrive
// there as messages (through the sink given to the constructor).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "device/records.h"
#include "macros/hook_library.h"
#include "store/tables.h"

namespace mouse {

// The page's copy of the macro being edited.
struct MacroWorkingCopy {
    std::array<MacroAction, kMaxMacroActions> actions{};
    int count = 0;
    int loopCount = 1;
    int selected = -1;           // selected action, -1 none
    int insertPoint = -1;        // where the next inserted action goes; -1 appends
    int insertStart = -1;        // the insertion point when the insertion began
    bool showInsertion = false;  // the next list rebuild selects and reveals insertPoint - 1

    // Zeroes every slot and the count (the loop count and selection stay).
    void ClearActions();
    // Stores `action` at the insertion point (or at the end), moving later
    // slots up; the count and the selected index grow by one and a set
    // insertion point advances. False (nothing changes) at 40 actions.
    bool InsertAction(const MacroAction& action);
};

// What the recorder needs of the macro page.
class RecorderHost {
public:
    virtual ~RecorderHost() = default;
    // A macro is loaded in the editor (the working copy mirrors a record).
    virtual bool HasCurrentMacro() const = 0;
    // btn_record: recording -> text "stop_recording_text"; not recording ->
    // text "start_recording_text" and the check cleared.
    virtual void ShowRecording(bool recording) = 0;
    // A refused click: only clear btn_record's check.
    virtual void ClearRecordCheck() = 0;
    // edit_default_delay read as a decimal integer (text that is not a
    // number reads as 0); the recorder keeps its low 16 bits.
    virtual long long DefaultDelayField() const = 0;
    // Writes the working copy into the current record and saves the library.
    virtual void SaveCurrentMacro() = 0;
    // Recording added an action: rebuild the action list (the insertion
    // flags of the working copy say what to select).
    virtual void RebuildActionList() = 0;
    // Key capture set action `index` to key code `code`: show its key name in
    // edit_macro_action and in the item's `key` text.
    virtual void ShowCapturedKey(int index, uint8_t code) = 0;
};

// Delay modes of recording.
inline constexpr int kDelayFixed = 0;     // every gap is 10 ms
inline constexpr int kDelayDefault = 1;   // every gap is the default delay
inline constexpr int kDelayMeasured = 2;  // the gaps the user played

// Key code and action kind of a hook report, as recording stores it.
struct RecordedKey {
    bool recordable = false;  // false: the wheel, which is dropped
    uint8_t code = 0;         // 0 for keys missing from the key table
    uint8_t kind = 0;         // kActionPress or kActionRelease
};
RecordedKey TranslateHookEvent(uint32_t event, uint32_t detail, const KeyboardLayout& layout);

class MacroRecorder {
public:
    enum class Toggle {
        Started,      // recording runs
        Stopped,      // recording ended and the macro was saved
        Refused,      // no macro, or it holds 40 actions: the check is cleared
        Unavailable,  // no hook: the check is cleared; see UnavailableReason()
    };
    using Clock = std::function<HookClock::time_point()>;

    // `hook` may be null (no hook at all). `sink` is where the hook's
    // reports go, normally PostingSink of the main window's PostMessage.
    // `layout` names keys 4-69 by their place. `clock` (default: the steady
    // clock) stamps the start of a recording and reports without a time.
    MacroRecorder(MacroWorkingCopy& work, RecorderHost& host, HookApi* hook, HookSink sink,
                  const KeyboardLayout& layout, Clock clock = {});
    ~MacroRecorder();
    MacroRecorder(const MacroRecorder&) = delete;
    MacroRecorder& operator=(const MacroRecorder&) = delete;

    // The click on btn_record. Starting with an action a selected inserts
    // the new actions after a; with none selected the recording replaces
    // the whole macro.
    Toggle ToggleRecording();
    // Installs both hooks, enables the keyboard (the mouse follows the next
    // PointerOverRecordButton(false)), takes the default delay and the start
    // time. Used by ToggleRecording; the page need not call it.
    void StartRecording();
    // Removes the hooks and saves the working copy. Nothing when idle.
    void StopRecording();
    bool Recording() const { return recording_; }

    void SetDelayMode(int mode);  // kDelayFixed, kDelayDefault or kDelayMeasured
    int DelayMode() const { return delayMode_; }
    uint16_t DefaultDelay() const { return defaultDelay_; }

    // While recording, mouse reports stop while the pointer is over
    // btn_record, so the click that ends the recording is not recorded.
    void PointerOverRecordButton(bool over);

    // Key capture for the selected action while edit_macro_action has the
    // focus: the next key report replaces the action's key.
    void BeginKeyCapture();
    void EndKeyCapture();
    bool Capturing() const { return capturing_; }

    // A hook report: recorded while recording, replaces the selected
    // action's key during key capture, ignored otherwise (a report that was
    // under way when the hooks were removed).
    void OnHookEvent(const HookReport& report);
    // The same for a main-window message 0x500/0x501.
    void OnHookMessage(unsigned message, uintptr_t wParam, intptr_t lParam);

    bool HookAvailable() const { return hook_ != nullptr && hook_->Available(); }
    std::string UnavailableReason() const;

private:
    uint16_t NextDelay(HookClock::time_point at) const;
    void Record(const RecordedKey& key, HookClock::time_point at);

    MacroWorkingCopy& work_;
    RecorderHost& host_;
    HookApi* hook_;
    HookSink sink_;
    const KeyboardLayout& layout_;
    Clock clock_;

    bool recording_ = false;
    bool capturing_ = false;
    int delayMode_ = kDelayDefault;
    uint16_t defaultDelay_ = 10;
    HookClock::time_point stamp_{};
    bool stampValid_ = false;
    uint32_t previousEvent_ = 0;
    uint32_t previousDetail_ = 0;
};

}  // namespace mouse
