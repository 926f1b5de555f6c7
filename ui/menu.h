// Pop-up menus from menu skin files. Each item of a menu skin is a
// "MenuElement" whose object name is the command name; the optional dynamic
// properties "textkey" (language key of its text) and "userdata" travel with
// the choice. A choice is posted to the owner window as 0x403 (kMsgMenu) with
// wParam = a heap MenuCmd that the receiver takes over with TakeMenuCmd.
//
// Sub-menus: an item whose dynamic property "submenu" names another widget of
// the same skin (a container of items, outside the menu's layout) opens that
// container as a pop-up beside itself when clicked, instead of being a
// command. The container's items are found and chosen like any other item.
#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <map>
#include <memory>
#include <vector>

#include "ui/window.h"

namespace mouse {

inline constexpr UINT kMsgMenu = 0x403;
// How long the pointer rests on a group item before its sub-menu opens.
inline constexpr UINT kSubMenuDelayMs = 350;

// Alignment of the menu against its anchor point (combine one horizontal and
// one vertical flag): Left|Top puts the menu's top-left corner at the point,
// Right puts its right edge there, Bottom its bottom edge.
enum MenuAlign : UINT {
    kMenuAlignLeft = 1 << 1,
    kMenuAlignTop = 1 << 2,
    kMenuAlignRight = 1 << 3,
    kMenuAlignBottom = 1 << 4,
};

// The record behind a 0x403 message.
struct MenuCmd {
    QString szName;      // command name (the item's object name)
    QString szUserData;  // the item's "userdata" property
    QString szText;      // the text the item showed
};

// An item the program adds to a menu skin's items (a list that changes, such
// as the profiles): a check item named `name`, posted like the skin's own.
struct MenuItemSpec {
    QString name;
    QString text;
    QString userData;
    bool checked = false;
};

// Takes over the record of a 0x403 message (wParam); nullptr for 0.
inline std::unique_ptr<MenuCmd> TakeMenuCmd(WPARAM wParam) {
    return std::unique_ptr<MenuCmd>(reinterpret_cast<MenuCmd*>(wParam));
}

class CMenuWnd : public WindowImplBase {
public:
    // Creates and shows the menu from `skinFile` at screen point `anchor`;
    // nullptr (with an error naming the file) when the skin cannot be loaded.
    // Destroying the object closes the menu. `extra` items go first, above
    // the skin's, and the menu grows to hold them.
    static std::unique_ptr<CMenuWnd> CreateMenu(WindowImplBase* owner, const QString& skinFile,
                                                QPoint anchor,
                                                UINT align = kMenuAlignLeft | kMenuAlignTop,
                                                const std::vector<MenuItemSpec>& extra = {});
    ~CMenuWnd() override;

    QString GetWindowClassName() const override { return QStringLiteral("MenuWnd"); }
    QString GetSkinFile() const override { return m_skinFile; }

    // Items of the menu itself that are shown (not those of its sub-menus).
    int GetVisibleItemCount() const;
    // Resizes the menu (keeps its top-left corner) and moves it.
    void ResizeMenu(int width, int height);
    void MoveMenu(QPoint topLeft);
    // The item called `name`, in the menu or in a sub-menu (tests click it
    // with Activate()).
    CButtonUI* FindItem(const QString& name);
    // The sub-menu container that is open, or nullptr.
    CControlUI* GetOpenSubMenu() const;
    // The item the keyboard is on (moved by the arrow keys), or nullptr.
    CControlUI* GetCurrentItem() const;
    // The window timer that opens a sub-menu once the pointer rests.
    static constexpr UINT kHoverTimer = 1;

    // The screen area menus are kept inside: the available area of the screen
    // that holds `at`. Tests set a fixed area with SetScreenRectForTesting
    // (an invalid rectangle gives the real screens back).
    static QRect ScreenRect(QPoint at);
    static void SetScreenRectForTesting(const QRect& rect);

protected:
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    CMenuWnd(WindowImplBase* owner, const QString& skinFile);
    void InsertItems(const std::vector<MenuItemSpec>& items);
    // Opens the sub-menu of `item` beside it (right of the menu, or left of it
    // when the screen ends), closing any other.
    void OpenSubMenu(QWidget* item, QWidget* container);
    void CloseSubMenus();
    // A key pressed while `level` (the menu or an open sub-menu) has the
    // keyboard; true when the menu used it.
    bool OnKey(QWidget* level, int key);
    // The shown items of `level`, top to bottom.
    QList<QWidget*> ItemsOf(QWidget* level) const;
    void SetCurrent(QWidget* item);
    // The pointer is over item (nullptr: over none); over an open sub-menu
    // `level`, at global.
    void OnHover(QWidget* item);
    void OnSubMenuPointer(QWidget* level, QPoint global);
    void OnPointerRested();

    WindowImplBase* m_owner;
    QString m_skinFile;
    std::map<const QWidget*, QWidget*> m_subMenus;  // item -> its container
    QWidget* m_current = nullptr;                   // the keyboard's item
    QWidget* m_hovered = nullptr;                   // the item under the pointer
    std::unique_ptr<QObject> m_keyFilter;
};

}  // namespace mouse
