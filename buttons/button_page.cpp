#include "buttons/button_page.h"

#include <cstring>

#include "buttons/fire_click_wnd.h"
#include "buttons/shortcut_wnd.h"
#include "device/protocol.h"
#include "guns/select_gun_wnd.h"
#include "macros/select_macro_wnd.h"
#include "store/tables.h"
#include "ui/control_binding.h"
#include "ui/resource_manager.h"
#include "ui/text.h"

namespace mouse {

namespace {

QString Text(const QString& key) {
    return CResourceManager::GetInstance()->GetText(key);
}

// Timer that preselects the bound macro or preset in the select dialogs.

}  // namespace

// ---- rules --------------------------------------------------------------------

int TwinSlot(int slot) {
    return slot >= kSlotsPerMode ? slot - kSlotsPerMode : slot + kSlotsPerMode;
}

int FunctionOfMenuItem(const QString& name) {
    const int id = FunctionIdForMenuName(name.toStdString());
    return id < 0 ? fn::kLeftClick : id;
}

std::optional<QString> ComposedLabel(const ButtonEntry& entry) {
    switch (entry.functionId) {
        case fn::kShortcut: {
            static const char* const kModifierKeys[] = {"ctrl_text", "shift_text", "alt_text",
                                                        "win_text"};
            QString label;
            for (int bit = 0; bit < 4; ++bit) {
                if ((entry.shortcutModifiers & (1u << bit)) != 0) {
                    label += Text(QLatin1String(kModifierKeys[bit])) + QLatin1Char('+');
                }
            }
            const std::u16string key = KeyNameKey(entry.shortcutKey);
            if (!key.empty()) {
                label += Text(ToQString(key));
            }
            return label;
        }
        case fn::kMacro:
        case fn::kLeftButtonMacro:
        case fn::kRecoil:
            return Text(QString::fromStdString(FunctionTextKey(entry.functionId))) +
                   ToQString(ReadText(entry.bindingFolder)) + QLatin1Char('-') +
                   ToQString(ReadText(entry.bindingName));
        default:
            return std::nullopt;
    }
}

MenuPlacement PlaceButtonMenu(const QRect& button, int items, const QRect& screen) {
    MenuPlacement place;
    place.height = items * kMenuItemHeight;
    place.topLeft = QPoint(button.left(), button.top() + button.height());
    if (place.topLeft.y() + place.height >= screen.top() + screen.height()) {
        place.topLeft.setY(button.top() - place.height - 4);
        place.above = true;
    }
    return place;
}

// ---- page ---------------------------------------------------------------------

CButtonPage::CButtonPage(PageHost& host, CPaintManagerUI& manager) : CPage(host, manager) {
    OnNotify(ev::kClick, &CButtonPage::OnClick);
    OnNotify(ev::kSelectChanged, &CButtonPage::OnSelectChanged);
    OnNotify(ev::kMouseEnter, &CButtonPage::OnMouseEnter);
    OnNotify(ev::kMouseLeave, &CButtonPage::OnMouseLeave);
}

CButtonPage::~CButtonPage() = default;

ProfileRecord& CButtonPage::Profile() {
    return m_host.CurrentProfile();
}

void CButtonPage::Refresh() {
    ShowMode(Profile().buttonMode);
    for (int slot = 0; slot < kButtonSlots; ++slot) {
        ShowButton(slot);
    }
}

void CButtonPage::InitControls() {
    BindControls(*m_pPM, kButtonPageTable, *this);
    TNotifyUI none;
    OnMouseLeave(none);
}

int CButtonPage::SlotOf(const CControlUI* sender) const {
    for (int i = 0; i < kButtonSlots; ++i) {
        if (m_buttons[size_t(i)] == sender) {
            return i;
        }
    }
    return -1;
}

void CButtonPage::ShowMode(int mode) {
    m_iMode = mode == 1 ? 1 : 0;
    for (CControlUI* pic : m_officePics) {
        pic->SetVisible(m_iMode == 0);
    }
    for (CControlUI* pic : m_gamePics) {
        pic->SetVisible(m_iMode == 1);
    }
    m_modes[size_t(m_iMode)]->Selected(true, false);
}

void CButtonPage::ShowButton(int slot) {
    if (slot < 0 || slot >= kButtonSlots) {
        return;
    }
    CButtonUI* button = m_buttons[size_t(slot)];
    const ButtonEntry& entry = Profile().buttons[slot];
    // The labels elide in the middle (skin): a long name keeps its start and
    // end, and the tooltip holds the whole.
    if (std::optional<QString> label = ComposedLabel(entry)) {
        button->SetText(*label);
    } else {
        button->SetResourceText(QString::fromStdString(FunctionTextKey(entry.functionId)));
    }
}

// ---- notifications ----------------------------------------------------------

void CButtonPage::OnClick(TNotifyUI& msg) {
    if (const int slot = SlotOf(msg.pSender); slot >= 0) {
        OpenButtonMenu(slot);
    }
}

void CButtonPage::OnSelectChanged(TNotifyUI& msg) {
    for (int mode = 0; mode < 2; ++mode) {
        if (msg.pSender == m_modes[size_t(mode)]) {
            Profile().buttonMode = mode;
            ShowMode(mode);
        }
    }
}

void CButtonPage::OnMouseEnter(TNotifyUI& msg) {
    const int slot = SlotOf(msg.pSender);
    if (slot < 0) {
        return;
    }
    m_highlights[size_t(slot % kSlotsPerMode + 1)]->Show();
    m_highlights[0]->Hide();
}

void CButtonPage::OnMouseLeave(TNotifyUI& msg) {
    if (msg.pSender != nullptr && SlotOf(msg.pSender) < 0) {
        return;
    }
    for (int i = 1; i <= kSlotsPerMode; ++i) {
        m_highlights[size_t(i)]->Hide();
    }
    m_highlights[0]->Show();
}

void CButtonPage::OpenButtonMenu(int slot) {
    if (slot < 0 || slot >= kButtonSlots) {
        return;
    }
    m_iCurButton = slot;
    CButtonUI* button = m_buttons[size_t(slot)];
    const QRect window = m_host.ScreenRect();
    const QRect onScreen = button->GetPos().translated(window.topLeft());
    const QPoint anchor(onScreen.left(), onScreen.top() + onScreen.height());
    CMenuWnd* menu = m_host.ShowPopupMenu(QStringLiteral("buttonmenu.xml"), anchor,
                                          kMenuAlignLeft | kMenuAlignTop);
    if (menu == nullptr) {
        return;  // the skin error names the file
    }
    const MenuPlacement place =
        PlaceButtonMenu(onScreen, menu->GetVisibleItemCount(), CMenuWnd::ScreenRect(anchor));
    if (place.above) {
        menu->MoveMenu(place.topLeft);
        menu->ResizeMenu(menu->GetWindowRect().width(), place.height);
    }
}

void CButtonPage::OnMenuCommand(const QString& name) {
    m_lastCommand = name;
    m_host.ClosePopupMenu();
    ChooseFunction(name);
}

// ---- choosing a function ----------------------------------------------------

void CButtonPage::ChooseFunction(const QString& name) {
    if (m_iCurButton < 0 || m_iCurButton >= kButtonSlots) {
        return;
    }
    const int slot = m_iCurButton;
    const int id = FunctionOfMenuItem(name);
    // The limits are checked by the branches below, after their resets.
    if (CheckBinding(Profile(), slot, id) == BindingRule::LeftClickGuard) {
        ShowWarning(QStringLiteral("one_left_click_text"));
        return;
    }
    switch (id) {
        case fn::kShortcut:
            ChooseShortcut(slot);
            break;
        case fn::kFireClick:
            ChooseFireClick(slot);
            break;
        case fn::kMacro:
            ChooseMacro(slot);
            break;
        case fn::kRecoil:
            ChooseGun(slot);
            break;
        case fn::kModeSwitch: {
            // The same physical button switches back in the other mode.
            const int twin = TwinSlot(slot);
            Profile().buttons[slot].functionId = uint8_t(id);
            Profile().buttons[twin].functionId = uint8_t(id);
            ShowButton(twin);
            ShowButton(slot);
            break;
        }
        default:
            Profile().buttons[slot].functionId = uint8_t(id);
            ShowButton(slot);
            break;
    }
}

CButtonPage::Outcome CButtonPage::ChooseShortcut(int slot) {
    ButtonEntry& entry = Profile().buttons[slot];
    if (entry.functionId != fn::kShortcut) {
        entry.shortcutModifiers = 0;
        entry.shortcutKey = 0;
    }
    // Keys come from the program's input hook while edit_key has the focus;
    // where the hook is not available the dialog's own key events do.
    HookApiKeyHook hook(m_host.Hook());
    CShortcutWnd dlg;
    dlg.SetKeyHook(&hook);
    dlg.SetKeyboardLayout(&m_host.Keyboard());
    dlg.SetModifierMask(entry.shortcutModifiers);
    dlg.SetKey(entry.shortcutKey);
    if (RunDialog(dlg) != 1) {
        return Outcome::Closed;
    }
    entry.shortcutKey = dlg.GetKey();
    entry.shortcutModifiers = dlg.GetModifierMask();
    entry.functionId = fn::kShortcut;
    ShowButton(slot);
    return Outcome::Stored;
}

CButtonPage::Outcome CButtonPage::ChooseFireClick(int slot) {
    ButtonEntry& entry = Profile().buttons[slot];
    if (entry.functionId != fn::kFireClick) {
        entry.fireClickCount = 0;
        entry.fireClickDelay = 2;
    }
    CFireClickWnd dlg;
    dlg.SetCount(entry.fireClickCount);
    dlg.SetDelay(entry.fireClickDelay);
    if (RunDialog(dlg) != 1) {
        return Outcome::Closed;
    }
    entry.fireClickCount = dlg.GetCount();
    entry.fireClickDelay = dlg.GetDelay();
    entry.functionId = fn::kFireClick;
    ShowButton(slot);
    return Outcome::Stored;
}

CButtonPage::Outcome CButtonPage::ChooseMacro(int slot) {
    ButtonEntry& entry = Profile().buttons[slot];
    if (entry.functionId != fn::kMacro) {
        entry.macroIndex = -1;
        entry.repeatMode = 0;
        entry.bindingColour = 255;
        // A button that already holds a macro may always choose again.
        if (CheckBindingLimit(Profile(), slot, fn::kMacro) != BindingRule::Allowed) {
            return Outcome::Refused;
        }
    }
    const bool leftButton = entry.functionId == fn::kLeftButtonMacro;
    const int32_t colour = leftButton ? entry.bindingColour : 255;
    CSelectMacroWnd dlg(m_host.GetStores().macros);
    dlg.SetMacroIndex(entry.macroIndex);
    dlg.SetRepeatMode(entry.repeatMode);
    dlg.SetLeftButton(leftButton);
    dlg.SetColour(uint32_t(colour));
    if (RunDialog(dlg, [&] { dlg.StartPreselection(); }) != 1) {
        return Outcome::Closed;
    }
    // A left-button macro takes one of the three preset places on the mouse:
    // a macro button turned into one is counted there, as a new preset is.
    const int chosen = dlg.GetLeftButton() ? fn::kLeftButtonMacro : fn::kMacro;
    if (CheckBindingLimit(Profile(), slot, chosen) != BindingRule::Allowed) {
        return Outcome::Refused;
    }
    // Only a macro of the list binds: an index past its end is no choice
    // (ApplyMacroChoice refuses folders and empty macros).
    const auto& macros = m_host.GetStores().macros;
    const int index = dlg.GetMacroIndex();
    if (index < 0 || size_t(index) >= macros.size() ||
        !ApplyMacroChoice(entry, *macros[size_t(index)], index, dlg.GetRepeatMode(),
                          dlg.GetLeftButton(), dlg.GetColour())) {
        return Outcome::Closed;
    }
    ShowButton(slot);
    return Outcome::Stored;
}

CButtonPage::Outcome CButtonPage::ChooseGun(int slot) {
    ButtonEntry& entry = Profile().buttons[slot];
    if (entry.functionId != fn::kRecoil && entry.functionId != fn::kLeftButtonMacro) {
        entry.gunIndex = -1;
        entry.repeatMode = 0;
        entry.bindingColour = 255;
        if (CheckBindingLimit(Profile(), slot, fn::kRecoil) != BindingRule::Allowed) {
            return Outcome::Refused;
        }
    }
    CSelectGunWnd dlg(m_host.GetStores().guns);
    dlg.SetGunIndex(entry.gunIndex);
    dlg.SetRepeatMode(entry.repeatMode);
    dlg.SetColour(uint32_t(entry.bindingColour));
    if (RunDialog(dlg, [&] { dlg.StartPreselection(); }) != 1) {
        return Outcome::Closed;
    }
    // Only a preset of the list binds: an index past its end or a folder
    // record is no choice.
    const auto& guns = m_host.GetStores().guns;
    const int index = dlg.GetGunIndex();
    if (index < 0 || size_t(index) >= guns.size() || guns[size_t(index)]->isFolder != 0) {
        return Outcome::Closed;
    }
    ApplyGunChoice(entry, *guns[size_t(index)], index, dlg.GetRepeatMode(), dlg.GetColour());
    ShowButton(slot);
    return Outcome::Stored;
}

}  // namespace mouse
