// The shortcut dialog: the modifiers (Ctrl, Shift, Alt, Win) and the key a
// shortcut button sends. The caller sets both before creating the window and
// reads them back after a result of 1. A key is captured while edit_key has
// the focus: from the key hook's notices (message 0x500, wParam the
// virtual-key code) when a hook is given and available, else from the
// dialog's own key events. Each key press is captured once, from one source.
// A key pressed as a chord (Ctrl+Shift+K) also sets the modifier boxes to the
// modifiers held with it; a key pressed alone leaves the boxes as they are,
// so modifiers ticked by hand stay.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "macros/hook_library.h"
#include "store/tables.h"
#include "ui/ui.h"

namespace mouse {

inline constexpr ControlSpec kShortcutWndControls[] = {
    {"ok_btn", ControlKind::Button},   {"cancel_btn", ControlKind::Button},
    {"exit_btn", ControlKind::Button}, {"check_flag_%d", ControlKind::CheckBox, 1, 4},
    {"edit_key", ControlKind::Edit},
};
inline constexpr ControlTable kShortcutWndTable{"shortcut.xml", "CShortcutWnd",
                                                kShortcutWndControls};
MOUSE_REGISTER_CONTROL_TABLE(kShortcutWndTable);

// A global key hook that reports key presses and releases to a window as
// message 0x500 (wParam the virtual-key code, lParam as EncodeHookMessage
// packs it). When Available() is false no other call is made.
class KeyHook {
public:
    virtual ~KeyHook() = default;
    virtual bool Available() const = 0;
    virtual void Install(WindowImplBase& window) = 0;
    virtual void Enable(bool on) = 0;
    virtual void Remove() = 0;
};

// The key hook of the program's input hook library: installing it points the
// library's keyboard reports at the dialog's message queue. The hook must
// outlive the adapter.
class HookApiKeyHook final : public KeyHook {
public:
    explicit HookApiKeyHook(HookApi& hook) : m_hook(hook) {}
    bool Available() const override { return m_hook.Available(); }
    void Install(WindowImplBase& window) override;
    void Enable(bool on) override { m_hook.EnableHook(on); }
    void Remove() override { m_hook.RemoveHook(); }

private:
    HookApi& m_hook;
};

class CShortcutWnd : public WindowImplBase {
public:
    CShortcutWnd();
    ~CShortcutWnd() override;

    QString GetWindowClassName() const override { return QStringLiteral("ShortcutWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("shortcut.xml"); }

    // Modifier flag n = 1-4 (Ctrl, Shift, Alt, Win), shown when the window is created.
    void SetModifierFlag(int n, bool on);
    bool GetModifierFlag(int n) const;
    // The flags as a modifier mask: Ctrl bit 0, Shift bit 1, Alt bit 2, Win bit 3.
    void SetModifierMask(uint8_t mask);
    uint8_t GetModifierMask() const;
    void SetKey(uint8_t keyCode) { m_key = keyCode; }
    uint8_t GetKey() const { return m_key; }

    // Optional: the global hook that captures keys while edit_key has the
    // focus. Without one, or when it is not available, the dialog captures
    // from its own key events. Set before Create; the dialog does not own it.
    void SetKeyHook(KeyHook* hook) { m_pHook = hook; }
    // Keyboard layout for keys named by their position (default: US).
    void SetKeyboardLayout(const KeyboardLayout* layout) { m_pLayout = layout; }

    // One captured key, from either source: becomes the key (0 for a key the
    // tables do not know) and edit_key shows its name. `held` (a kMod* mask)
    // are the modifiers held with it: unless the key is a modifier itself,
    // a non-empty mask replaces the ticked modifiers.
    void OnCapturedKey(int virtualKey, uint8_t held = 0);
    // The hook is installed: key presses come from its notices.
    bool HookCapturing() const { return m_hookInstalled; }

protected:
    void InitWindow() override;
    void OnClick(TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void OnCheckClick(TNotifyUI& msg);
    void OnSetFocus(TNotifyUI& msg);
    void OnKillFocus(TNotifyUI& msg);
    void OnKeyDown(TNotifyUI& msg);
    void ShowKey();
    void ShowModifiers();
    void RemoveHook();

    std::array<bool, 4> m_flags{};
    uint8_t m_key = 0;
    std::array<CCheckBoxUI*, 4> m_checks{};
    CEditUI* m_pKey = nullptr;
    KeyHook* m_pHook = nullptr;
    bool m_hookInstalled = false;
    uint8_t m_hookHeld = 0;  // modifiers held, as the hook's notices tell
    const KeyboardLayout* m_pLayout = nullptr;
};

}  // namespace mouse
