#include "buttons/shortcut_wnd.h"

#include "app/logging.h"
#include "buttons/key_capture.h"
#include "device/messages.h"
#include "ui/text.h"

namespace mouse {

namespace {

const UsKeyboardLayout kUsLayout;

}  // namespace

void HookApiKeyHook::Install(WindowImplBase& window) {
    // The library calls the sink on its own thread; PostMessage may be called
    // from any thread, and the sink is gone once Remove() returns.
    m_hook.InstallHook(PostingSink([&window](unsigned message, uintptr_t wParam, intptr_t lParam) {
        window.PostMessage(message, WPARAM(wParam), LPARAM(lParam));
    }));
}

CShortcutWnd::CShortcutWnd() {
    OnNotify(ev::kCheckClick, &CShortcutWnd::OnCheckClick);
    OnNotify(ev::kSetFocus, &CShortcutWnd::OnSetFocus);
    OnNotify(ev::kKillFocus, &CShortcutWnd::OnKillFocus);
    OnNotify(ev::kKeyDown, &CShortcutWnd::OnKeyDown);
}

CShortcutWnd::~CShortcutWnd() {
    RemoveHook();
}

void CShortcutWnd::SetModifierFlag(int n, bool on) {
    if (n >= 1 && n <= 4) {
        m_flags[size_t(n - 1)] = on;
    }
}

bool CShortcutWnd::GetModifierFlag(int n) const {
    return n >= 1 && n <= 4 && m_flags[size_t(n - 1)];
}

void CShortcutWnd::SetModifierMask(uint8_t mask) {
    for (int n = 1; n <= 4; ++n) {
        SetModifierFlag(n, (mask & (1u << (n - 1))) != 0);
    }
}

uint8_t CShortcutWnd::GetModifierMask() const {
    uint8_t mask = 0;
    for (int n = 1; n <= 4; ++n) {
        if (GetModifierFlag(n)) {
            mask |= uint8_t(1u << (n - 1));
        }
    }
    return mask;
}

void CShortcutWnd::InitWindow() {
    m_pm.CheckControls(kShortcutWndTable);
    for (int n = 1; n <= 4; ++n) {
        m_checks[size_t(n - 1)] = m_pm.FindControl<CCheckBoxUI>(Numbered("check_flag_%d", n));
    }
    ShowModifiers();
    m_pKey = m_pm.FindControl<CEditUI>(QStringLiteral("edit_key"));
    if (m_pKey != nullptr) {
        // The field names the key; it is never typed into. It takes every
        // key (Tab and Escape are keys here, not a focus move or a close);
        // its own key events are the capture only while no hook reports keys.
        m_pKey->SetReadOnly(true);
        m_pKey->SetKeyCapture(true);
    }
    ShowKey();
}

void CShortcutWnd::ShowKey() {
    if (m_pKey == nullptr) {
        return;
    }
    const std::u16string key = KeyNameKey(m_key);
    m_pKey->SetText(key.empty() ? QString()
                                : CResourceManager::GetInstance()->GetText(ToQString(key)));
}

void CShortcutWnd::ShowModifiers() {
    for (int n = 1; n <= 4; ++n) {
        if (CCheckBoxUI* box = m_checks[size_t(n - 1)]) {
            box->SetCheck(GetModifierFlag(n));
        }
    }
}

void CShortcutWnd::OnClick(TNotifyUI& msg) {
    CloseOnDialogButton(msg);
}

void CShortcutWnd::OnCheckClick(TNotifyUI& msg) {
    for (int n = 1; n <= 4; ++n) {
        CCheckBoxUI* box = m_checks[size_t(n - 1)];
        if (box != nullptr && msg.pSender == box) {
            SetModifierFlag(n, box->GetCheck());
        }
    }
}

void CShortcutWnd::OnSetFocus(TNotifyUI& msg) {
    if (m_pHook == nullptr || m_pKey == nullptr || msg.pSender != m_pKey || !m_pHook->Available()) {
        return;
    }
    m_pHook->Install(*this);
    m_pHook->Enable(true);
    m_hookInstalled = true;
    m_hookHeld = 0;
}

void CShortcutWnd::OnKillFocus(TNotifyUI& msg) {
    if (m_pKey != nullptr && msg.pSender == m_pKey) {
        RemoveHook();
    }
}

void CShortcutWnd::RemoveHook() {
    if (m_pHook == nullptr || !m_hookInstalled) {
        return;
    }
    m_pHook->Remove();
    m_pHook->Enable(false);
    m_hookInstalled = false;
}

void CShortcutWnd::OnKeyDown(TNotifyUI& msg) {
    if (m_pKey == nullptr || msg.pSender != m_pKey || msg.lParam == 0) {
        return;
    }
    if (m_hookInstalled) {
        return;  // the hook reports this key press: one key, one capture
    }
    const auto* press = reinterpret_cast<const KeyPress*>(msg.lParam);
    OnCapturedKey(VirtualKeyOfKeyPress(*press), ModifiersOfKeyPress(*press));
}

void CShortcutWnd::OnCapturedKey(int virtualKey, uint8_t held) {
    const KeyCodeResult result =
        VirtualKeyToKeyCode(virtualKey, m_pLayout != nullptr ? *m_pLayout : kUsLayout);
    qCDebug(lcKeys, "captured virtual key %d as key code %d, modifiers %d", virtualKey,
            int(result.keyCode), int(held));
    m_key = result.keyCode;  // 0 for a key without a row
    ShowKey();
    // Pressing Ctrl on its way to Ctrl+K is no chord yet; K with Ctrl held is.
    if (held != 0 && ModifierOfVirtualKey(virtualKey) == 0) {
        SetModifierMask(held);
        ShowModifiers();
    }
}

LRESULT CShortcutWnd::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (msg == kMsgHookKey) {
        // The hook reports releases too; the key is the last one pressed, so
        // releasing Ctrl after Ctrl+C does not replace C.
        const HookReport report = DecodeHookMessage(msg, uintptr_t(wParam), intptr_t(lParam));
        qCDebug(lcKeys, "key %s from the hook: %u", report.detail == 0 ? "press" : "release",
                unsigned(report.event));
        const uint8_t modifier = ModifierOfVirtualKey(int(report.event));
        if (report.detail == 0) {
            OnCapturedKey(int(report.event), m_hookHeld);
            m_hookHeld |= modifier;
        } else {
            m_hookHeld &= uint8_t(~modifier);
        }
        handled = true;
        return 0;
    }
    if (msg == WM_DESTROY) {
        RemoveHook();
    }
    handled = false;
    return 0;
}

}  // namespace mouse
