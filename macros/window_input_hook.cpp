#include "macros/window_input_hook.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "device/messages.h"
#include "drivers/hook/hook_keys.h"

namespace mouse {

namespace {

// Windows mouse messages of the hook's mouse reports.
constexpr uint32_t kLeftDown = 513, kRightDown = 516, kMiddleDown = 519, kExtraDown = 523;
constexpr uint32_t kWheel = 522;

// The codes a Qt key has on a US keyboard: the first is the usual one, the
// second another place with the same symbol (the right-hand modifier, the
// extra ISO key). keypad: the code when the numeric pad sent it.
struct KeyCodes {
    int qtKey;
    uint8_t code;
    uint8_t other;
    uint8_t keypad;
};

constexpr KeyCodes kKeys[] = {
    {Qt::Key_Escape, 27, 0, 0},
    {Qt::Key_Tab, 9, 0, 0},
    {Qt::Key_Backtab, 9, 0, 0},
    {Qt::Key_Backspace, 8, 0, 0},
    {Qt::Key_Return, 13, 0, 0},
    {Qt::Key_Enter, 108, 0, 108},
    {Qt::Key_Insert, 45, 0, 96},
    {Qt::Key_Delete, 46, 0, 110},
    {Qt::Key_Pause, 19, 0, 0},
    {Qt::Key_Print, 44, 0, 0},
    {Qt::Key_Home, 36, 0, 103},
    {Qt::Key_End, 35, 0, 97},
    {Qt::Key_Left, 37, 0, 100},
    {Qt::Key_Up, 38, 0, 104},
    {Qt::Key_Right, 39, 0, 102},
    {Qt::Key_Down, 40, 0, 98},
    {Qt::Key_PageUp, 33, 0, 105},
    {Qt::Key_PageDown, 34, 0, 99},
    {Qt::Key_Clear, 0, 0, 101},
    {Qt::Key_Shift, 160, 161, 0},
    {Qt::Key_Control, 162, 163, 0},
    {Qt::Key_Meta, 91, 92, 0},
    {Qt::Key_Super_L, 91, 0, 0},
    {Qt::Key_Super_R, 92, 0, 0},
    {Qt::Key_Alt, 164, 165, 0},
    {Qt::Key_AltGr, 165, 0, 0},
    {Qt::Key_CapsLock, 20, 0, 0},
    {Qt::Key_NumLock, 144, 0, 0},
    {Qt::Key_ScrollLock, 145, 0, 0},
    {Qt::Key_Menu, 93, 0, 0},
    {Qt::Key_Space, 32, 0, 0},
    {Qt::Key_Minus, 189, 0, 109},
    {Qt::Key_Underscore, 189, 0, 0},
    {Qt::Key_Equal, 187, 0, 0},
    {Qt::Key_Plus, 187, 0, 107},
    {Qt::Key_BracketLeft, 219, 0, 0},
    {Qt::Key_BraceLeft, 219, 0, 0},
    {Qt::Key_BracketRight, 221, 0, 0},
    {Qt::Key_BraceRight, 221, 0, 0},
    {Qt::Key_Semicolon, 186, 0, 0},
    {Qt::Key_Colon, 186, 0, 0},
    {Qt::Key_Apostrophe, 222, 0, 0},
    {Qt::Key_QuoteDbl, 222, 0, 0},
    {Qt::Key_QuoteLeft, 192, 0, 0},
    {Qt::Key_AsciiTilde, 192, 0, 0},
    {Qt::Key_Backslash, 220, 226, 0},
    {Qt::Key_Bar, 220, 226, 0},
    {Qt::Key_Comma, 188, 0, 110},
    {Qt::Key_Less, 188, 226, 0},
    {Qt::Key_Period, 190, 0, 110},
    {Qt::Key_Greater, 190, 226, 0},
    {Qt::Key_Slash, 191, 0, 111},
    {Qt::Key_Question, 191, 0, 0},
    {Qt::Key_Asterisk, '8', 0, 106},
    {Qt::Key_Exclam, '1', 0, 0},
    {Qt::Key_At, '2', 0, 0},
    {Qt::Key_NumberSign, '3', 0, 0},
    {Qt::Key_Dollar, '4', 0, 0},
    {Qt::Key_Percent, '5', 0, 0},
    {Qt::Key_AsciiCircum, '6', 0, 0},
    {Qt::Key_Ampersand, '7', 0, 0},
    {Qt::Key_ParenLeft, '9', 0, 0},
    {Qt::Key_ParenRight, '0', 0, 0},
    {Qt::Key_VolumeMute, 173, 0, 0},
    {Qt::Key_VolumeDown, 174, 0, 0},
    {Qt::Key_VolumeUp, 175, 0, 0},
    {Qt::Key_MediaNext, 176, 0, 0},
    {Qt::Key_MediaPrevious, 177, 0, 0},
    {Qt::Key_MediaStop, 178, 0, 0},
    {Qt::Key_MediaPlay, 179, 0, 0},
    {Qt::Key_MediaTogglePlayPause, 179, 0, 0},
    {Qt::Key_Sleep, 95, 0, 0},
    {Qt::Key_Henkan, 28, 0, 0},
    {Qt::Key_Muhenkan, 29, 0, 0},
};

// The codes of a Qt key on a US keyboard (none known: both 0).
std::pair<int, int> UsCodes(int qtKey, bool keypad) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return {'A' + (qtKey - Qt::Key_A), 0};
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return {keypad ? 96 + (qtKey - Qt::Key_0) : '0' + (qtKey - Qt::Key_0), 0};
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return {112 + (qtKey - Qt::Key_F1), 0};
    }
    for (const KeyCodes& row : kKeys) {
        if (row.qtKey == qtKey) {
            return {keypad && row.keypad != 0 ? row.keypad : row.code, row.other};
        }
    }
    return {0, 0};
}

// Letters move between letter places from one layout to another, and
// symbols between the places of digits and punctuation; nothing else moves.
enum class PlaceKind { kLetter, kCharacter, kOther };

PlaceKind KindOf(int code) {
    if (code >= 'A' && code <= 'Z') {
        return PlaceKind::kLetter;
    }
    if ((code >= '0' && code <= '9') || (code >= 186 && code <= 192) ||
        (code >= 219 && code <= 222) || code == 226) {
        return PlaceKind::kCharacter;
    }
    return PlaceKind::kOther;
}

}  // namespace

int VirtualKeyOfKeyEvent(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode) {
    const int place = nativeScanCode >= quint32(hook::kXKeycodeOffset)
                          ? hook::VirtualKeyFromEvdev(int(nativeScanCode) - hook::kXKeycodeOffset)
                          : 0;
    const auto [code, other] = UsCodes(qtKey, modifiers.testFlag(Qt::KeypadModifier));
    if (code == 0) {
        return place;  // a symbol of another layout: its place names it
    }
    if (place == code || (other != 0 && place == other)) {
        return place;
    }
    if (place != 0 && KindOf(place) == KindOf(code) && KindOf(code) != PlaceKind::kOther) {
        return place;  // another layout's arrangement, as the X hook names it
    }
    return code;
}

WindowInputHook::~WindowInputHook() {
    if (filtering_ && qApp != nullptr) {
        qApp->removeEventFilter(this);
    }
}

std::string WindowInputHook::Unavailable() const {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return "the program has no windows to read input from";
    }
    return {};
}

void WindowInputHook::Install(Slot& slot, HookSink sink) {
    slot.sink = std::move(sink);
    slot.enabled = false;
    anchored_ = false;
    if (!filtering_ && Available()) {
        qApp->installEventFilter(this);
        filtering_ = true;
    }
}

void WindowInputHook::Remove(Slot& slot) {
    slot.sink = nullptr;
    slot.enabled = false;
    if (filtering_ && !keys_.sink && !mouse_.sink) {
        qApp->removeEventFilter(this);
        filtering_ = false;
    }
}

void WindowInputHook::InstallHook(HookSink sink) {
    Install(keys_, std::move(sink));
}

void WindowInputHook::RemoveHook() {
    Remove(keys_);
}

void WindowInputHook::EnableHook(bool on) {
    keys_.enabled = on;
}

void WindowInputHook::InstallMouseHook(HookSink sink) {
    Install(mouse_, std::move(sink));
}

void WindowInputHook::RemoveMouseHook() {
    Remove(mouse_);
}

void WindowInputHook::EnableMouseHook(bool on) {
    mouse_.enabled = on;
}

HookClock::time_point WindowInputHook::TimeOf(unsigned long stamp) {
    if (stamp == 0) {
        return {};
    }
    // Platform stamps are 32-bit milliseconds that wrap.
    const auto ms = uint32_t(stamp);
    const auto since = int32_t(ms - anchorStamp_);
    if (!anchored_ || since < 0) {
        anchored_ = true;
        anchorStamp_ = ms;
        anchorTime_ = HookClock::now();
        return anchorTime_;
    }
    return anchorTime_ + std::chrono::milliseconds(since);
}

bool WindowInputHook::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWindowType()) {
        return false;
    }
    HookReport report;
    Slot* slot = nullptr;
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            const int code =
                VirtualKeyOfKeyEvent(key->key(), key->modifiers(), key->nativeScanCode());
            if (key->isAutoRepeat() || code == 0) {
                return false;
            }
            slot = &keys_;
            report = {kMsgHookKey, uint32_t(code), event->type() == QEvent::KeyRelease ? 1u : 0u};
            break;
        }
        // A double click's second press arrives as a press followed by a
        // double-click event: the press alone is the button going down.
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            const bool up = event->type() == QEvent::MouseButtonRelease;
            uint32_t message = 0;
            uint32_t detail = 0;
            switch (static_cast<QMouseEvent*>(event)->button()) {
                case Qt::LeftButton:
                    message = kLeftDown;
                    break;
                case Qt::RightButton:
                    message = kRightDown;
                    break;
                case Qt::MiddleButton:
                    message = kMiddleDown;
                    break;
                case Qt::BackButton:
                    message = kExtraDown;
                    detail = 1;
                    break;
                case Qt::ForwardButton:
                    message = kExtraDown;
                    detail = 2;
                    break;
                default:
                    return false;
            }
            // Each up message follows its down message.
            slot = &mouse_;
            report = {kMsgHookMouse, message + (up ? 1u : 0u), detail};
            break;
        }
        case QEvent::Wheel:
            slot = &mouse_;
            report = {kMsgHookMouse, kWheel, 0};
            break;
        default:
            return false;
    }
    if (slot->sink && slot->enabled) {
        report.readAt = TimeOf(static_cast<QInputEvent*>(event)->timestamp());
        slot->sink(report);
    }
    return false;
}

std::unique_ptr<HookApi> MakeSessionHook(const Session& session,
                                         const std::filesystem::path& library) {
    if (session.type == SessionType::kWayland) {
        return std::make_unique<WindowInputHook>();
    }
    auto hook = std::make_unique<HookLibrary>();
    hook->Load(library);
    return hook;
}

}  // namespace mouse
