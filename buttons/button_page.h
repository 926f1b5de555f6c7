// The button page: the function of each of the 64 button slots, 32 for each
// button mode (office 0-31, game 32-63), shown as labels over a picture of
// the mouse. Clicking a label opens the function menu (buttonmenu.xml); a
// chosen item reaches the page by name (OnMenuCommand) and changes the
// current ProfileRecord, through a dialog where the function has parameters.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "app/page.h"
#include "store/button_rules.h"
#include "ui/control_table.h"
#include "ui/controls.h"
#include "ui/menu.h"

namespace mouse {

// Height the menu placement counts for each visible menu item.
inline constexpr int kMenuItemHeight = 25;

// The slot of the same physical button in the other mode.
int TwinSlot(int slot);
// The function a menu item selects: its function id, compared without regard
// to case; a name that is no menu name selects left click (1).
int FunctionOfMenuItem(const QString& name);
// The label of a shortcut, macro, left-button macro or preset button as
// finished text (language texts resolved now); nullopt for every other
// function, whose label is its language key (FunctionTextKey).
std::optional<QString> ComposedLabel(const ButtonEntry& entry);

// Where the button menu goes: below the button, its top-left corner at the
// button's bottom-left corner; above it (4 pixels apart) when the menu,
// `items` × 25 pixels high, would reach the bottom of the screen.
// `button` is in screen coordinates.
struct MenuPlacement {
    QPoint topLeft;
    int height = 0;
    bool above = false;
};
MenuPlacement PlaceButtonMenu(const QRect& button, int items, const QRect& screen);

class CButtonPage : public CPage {
public:
    CButtonPage(PageHost& host, CPaintManagerUI& manager);
    ~CButtonPage() override;

    void InitControls() override;
    // Shows the current profile's mode and the labels of all its buttons.
    void Refresh() override;
    // Shows the pictures of a button mode (0 office, 1 game) and selects its
    // option, without a notification.
    void ShowMode(int mode);
    // Refreshes the label of one button slot 0-63 from the current profile.
    void ShowButton(int slot);
    // A menu command the main window does not handle itself: the function
    // chosen for the current button.
    void OnMenuCommand(const QString& name) override;
    void ChooseFunction(const QString& name);

    // How a branch with a dialog ended.
    enum class Outcome { Refused, Closed, Stored };
    // The branches with dialogs, for the current profile's entry `slot`.
    Outcome ChooseShortcut(int slot);
    Outcome ChooseFireClick(int slot);
    Outcome ChooseMacro(int slot);
    Outcome ChooseGun(int slot);

    // Opens the function menu for `slot`, as a click on its label does.
    void OpenButtonMenu(int slot);
    // The open button menu, or nullptr.
    CMenuWnd* ButtonMenu() const { return CurrentMenu(); }
    // The button whose menu was opened last (0-63).
    int CurrentButton() const { return m_iCurButton; }
    int ShownMode() const { return m_iMode; }
    const QString& LastMenuCommand() const { return m_lastCommand; }

private:
    ProfileRecord& Profile();
    // The slot 0-63 of a button label, -1 for any other control.
    int SlotOf(const CControlUI* sender) const;

    void OnClick(TNotifyUI& msg);
    void OnSelectChanged(TNotifyUI& msg);
    void OnMouseEnter(TNotifyUI& msg);
    void OnMouseLeave(TNotifyUI& msg);

    std::array<CButtonUI*, 64> m_buttons{};
    std::array<COptionUI*, 2> m_modes{};
    std::array<CControlUI*, 2> m_officePics{};
    std::array<CControlUI*, 2> m_gamePics{};
    std::array<CControlUI*, 33> m_highlights{};  // 0: none highlighted
    CControlUI* m_pMousePic = nullptr;
    int m_iCurButton = 0;
    int m_iMode = 0;
    QString m_lastCommand;

public:
    // Every control the page uses, with the member it goes into.
    static const ControlSpec kControls[];
};

inline constexpr ControlSpec CButtonPage::kControls[] = {
    BindEach<&CButtonPage::m_buttons>("button%d_btn", 1),
    BindEach<&CButtonPage::m_modes>("button_mode_option_%d", 1),
    Bind<&CButtonPage::m_officePics, 0>("office_mode_left"),
    Bind<&CButtonPage::m_officePics, 1>("office_mode_right"),
    Bind<&CButtonPage::m_gamePics, 0>("game_mode_left"),
    Bind<&CButtonPage::m_gamePics, 1>("game_mode_right"),
    BindEach<&CButtonPage::m_highlights>("control_button_pic_%d", 0),
    Bind<&CButtonPage::m_pMousePic>("ver_mouse_pic"),
};
inline constexpr ControlTable kButtonPageTable{"main.xml", "CButtonPage", CButtonPage::kControls};
MOUSE_REGISTER_CONTROL_TABLE(kButtonPageTable);

}  // namespace mouse
