// Control wrappers: the operations pages use on the named controls of a skin.
// A wrapper belongs to its window's paint manager and stays valid while the
// control exists (for the controls of a skin: while the window lives; for list
// items: until the item is removed).
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>

#include "ui/ui_types.h"

class QObject;
class QWidget;

namespace mouse {

class CPaintManagerUI;

class CControlUI {
public:
    static constexpr ControlKind kKind = ControlKind::Control;
    CControlUI(QWidget* widget, CPaintManagerUI* manager);
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    virtual ControlKind GetKind() const { return ControlKind::Control; }
    // True when this control can be used as `kind` (a check box is also a
    // button, every control is a Control).
    bool IsKind(ControlKind kind) const;

    QString GetName() const;
    CPaintManagerUI* GetManager() const { return m_pManager; }

    // Text shown by the control. SetText shows finished text; SetResourceText
    // shows the language text of a key (the key itself when the language file
    // has no text for it) and remembers the key. A label or button whose skin
    // sets "elide" keeps the whole text here and draws as much as fits (see
    // CLabelUI). An edit shows the start of a text set while it is not being
    // typed in.
    virtual QString GetText() const;
    virtual void SetText(const QString& text);
    void SetResourceText(const QString& key);
    QString GetTextKey() const { return m_textKey; }

    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible when its window is shown (the control and all its containers).
    bool IsVisible() const;
    void SetEnabled(bool enabled);
    bool IsEnabled() const;
    void SetFocus();
    bool IsFocused() const;
    // The control's own tooltip. While an eliding label cuts its text, its
    // tooltip is the whole text instead.
    void SetToolTip(const QString& text);
    QString GetToolTip() const;

    // Rectangle in the coordinates of the window's client area.
    QRect GetPos() const;
    // Moves and sizes the control; rect in the same coordinates as GetPos.
    void SetPos(const QRect& rect);
    // Background colour 0xAARRGGBB (alpha 0 removes it).
    void SetBkColor(uint32_t argb);
    uint32_t GetBkColor() const { return m_bkColor; }
    // Image in the form "res='skins/mouse.png' dest='2,2,28,28'" (dest is
    // left,top,right,bottom inside the control; without dest the image fills
    // the control). An empty text removes the image; a bad spec returns false.
    bool SetBkImage(const QString& spec);
    QString GetBkImage() const;

    void SetTag(uintptr_t tag) { m_tag = tag; }
    uintptr_t GetTag() const { return m_tag; }
    void SetUserData(const QString& data) { m_userData = data; }
    QString GetUserData() const { return m_userData; }

    // Timer on this control: sends "timer" with wParam = id every `ms`
    // milliseconds until killed. A second SetTimer with the same id restarts it.
    bool SetTimer(UINT id, UINT ms);
    void KillTimer(UINT id);
    bool IsTimerActive(UINT id) const;

    // A descendant by name (for list items built from templates), or nullptr.
    CControlUI* FindSubControl(const QString& name) const;
    template <class T>
    T* FindSubControl(const QString& name) const {
        return dynamic_cast<T*>(FindSubControl(name));
    }

    void Invalidate();

    // The Qt widget behind the control; for the UI layer and its tests.
    QWidget* GetWidget() const { return m_widget; }

protected:
    void Notify(const char* type, WPARAM wParam = 0, LPARAM lParam = 0);
    // Connections of wrappers end with the paint manager that owns them (or
    // with the widget, whichever goes first).
    QObject* Context() const;

    QWidget* m_widget;
    CPaintManagerUI* m_pManager;

private:
    QString m_textKey;
    QString m_userData;
    uintptr_t m_tag = 0;
    uint32_t m_bkColor = 0;
};

// Labels and buttons can elide: the skin property "elide" ("left", "middle"
// or "right") makes a text wider than the control show with "…" where the
// property says, and the whole text in the tooltip. The text is fitted again
// when the control's size or font changes.
class CLabelUI : public CControlUI {
public:
    static constexpr ControlKind kKind = ControlKind::Label;
    CLabelUI(QWidget* widget, CPaintManagerUI* manager);
    ControlKind GetKind() const override { return ControlKind::Label; }
    // The text as drawn: GetText() unless it is elided.
    QString GetShownText() const;
    // Text colour 0xAARRGGBB.
    void SetTextColor(uint32_t argb);
    // Height the text needs at the control's present width (wrapped when
    // the label wraps), in the font the style gives it.
    int TextHeight() const;
};

class CButtonUI : public CLabelUI {
public:
    static constexpr ControlKind kKind = ControlKind::Button;
    CButtonUI(QWidget* widget, CPaintManagerUI* manager);
    ControlKind GetKind() const override { return ControlKind::Button; }
    // Acts as a user click: sends the same notifications.
    virtual void Activate();
};

class COptionUI : public CButtonUI {
public:
    static constexpr ControlKind kKind = ControlKind::Option;
    COptionUI(QWidget* widget, CPaintManagerUI* manager);
    ControlKind GetKind() const override { return ControlKind::Option; }
    bool IsSelected() const;
    // Selects or clears the option. Options of one group exclude each other.
    // With notify, a change sends "selectchanged"; no change sends nothing.
    virtual void Selected(bool selected, bool notify = true);
    QString GetGroup() const;
    void Activate() override;

protected:
    // For check boxes, which send "checkclick" instead.
    COptionUI(QWidget* widget, CPaintManagerUI* manager, bool checkBox);
};

// A QCheckBox, or a checkable push button whose skin sets the property
// "checkbox" (a check box that looks like a button).
class CCheckBoxUI : public COptionUI {
public:
    static constexpr ControlKind kKind = ControlKind::CheckBox;
    CCheckBoxUI(QWidget* widget, CPaintManagerUI* manager);
    ControlKind GetKind() const override { return ControlKind::CheckBox; }
    bool GetCheck() const { return IsSelected(); }
    // With notify, a change sends "checkclick".
    void SetCheck(bool checked, bool notify = false);
    void Selected(bool selected, bool notify = true) override;
    void Activate() override;
};

class CEditUI : public CLabelUI {
public:
    static constexpr ControlKind kKind = ControlKind::Edit;
    CEditUI(QWidget* widget, CPaintManagerUI* manager);
    ControlKind GetKind() const override { return ControlKind::Edit; }
    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const;
    void SetMaxChar(int count);
    // Acts as user typing: replaces the text and sends "textchanged".
    void TypeText(const QString& text);
    // While on, keys pressed in the edit are not typed: each press (Tab and
    // Escape included) sends "keydown" instead.
    void SetKeyCapture(bool on);
    bool IsKeyCapture() const;
};

// A slider can show its value in a label of the same window: the skin
// property "valuelabel" names the label, "valuekey" the language text it is
// written with ("%1" is the value; without it the label shows the number).
// The label follows every change of the value: from code, while the handle
// is dragged and when the range moves the value.
class CSliderUI : public CControlUI {
public:
    static constexpr ControlKind kKind = ControlKind::Slider;
    CSliderUI(QWidget* widget, CPaintManagerUI* manager);
    ControlKind GetKind() const override { return ControlKind::Slider; }
    // Writes the value label with `text` instead, for a slider whose position
    // stands for another value (the label then says that value).
    void SetValueText(std::function<QString(int)> text);
    // The label the skin binds to this slider, or nullptr (with an error when
    // the skin names a label it does not have).
    CLabelUI* GetValueLabel() const;
    // Writes the value label (the layer calls it once the skin is loaded).
    void ShowValue();
    int GetValue() const;
    void SetValue(int value);  // no notification
    int GetMinValue() const;
    void SetMinValue(int value);
    int GetMaxValue() const;
    void SetMaxValue(int value);
    // Act as the user: Drag moves the pressed handle to `value` (sends
    // "movevaluechanged" on a change); Release lets go ("valuechanged").
    void Drag(int value);
    void Release();

private:
    std::function<QString(int)> m_valueText;
};

// Item operations shared by combo boxes and lists. Text items are plain
// labels of a fixed height.
class CItemsUI : public CControlUI {
public:
    using CControlUI::CControlUI;
    virtual int GetCount() const = 0;
    virtual int GetCurSel() const = 0;
    // Selects item `index` (-1 clears the selection). With notify, a change to
    // a valid index sends "itemselect" (wParam new index, lParam old index).
    virtual bool SelectItem(int index, bool notify = true) = 0;
    // Appends a text item; returns its index.
    int AddItem(const QString& text, int height = 25);
    virtual bool InsertItem(int index, const QString& text, int height = 25) = 0;
    // Removing the selected item selects the item that took its place, or the
    // new last item, with notification; an emptied list has no selection.
    virtual bool RemoveAt(int index) = 0;
    virtual void RemoveAll() = 0;
    virtual QString GetItemText(int index) const = 0;
    virtual bool SetItemText(int index, const QString& text) = 0;
    // Height used by items added without a height.
    void SetItemHeight(int height) { m_itemHeight = height; }
    int GetItemHeight() const { return m_itemHeight; }

protected:
    // Called for a selection the user made; sends "itemselect".
    void OnUserSelect(int index);
    int m_lastSel = -1;  // selection as last reported, for lParam
    int m_itemHeight = 25;
};

class CComboUI : public CItemsUI {
public:
    static constexpr ControlKind kKind = ControlKind::Combo;
    CComboUI(QWidget* widget, CPaintManagerUI* manager);
    ControlKind GetKind() const override { return ControlKind::Combo; }
    int GetCount() const override;
    int GetCurSel() const override;
    bool SelectItem(int index, bool notify = true) override;
    bool InsertItem(int index, const QString& text, int height = 25) override;
    using CItemsUI::AddItem;
    bool RemoveAt(int index) override;
    void RemoveAll() override;
    QString GetItemText(int index) const override;
    bool SetItemText(int index, const QString& text) override;
    QString GetText() const override;
};

class CListUI : public CItemsUI {
public:
    static constexpr ControlKind kKind = ControlKind::List;
    CListUI(QWidget* widget, CPaintManagerUI* manager);
    ControlKind GetKind() const override { return ControlKind::List; }
    int GetCount() const override;
    int GetCurSel() const override;
    bool SelectItem(int index, bool notify = true) override;
    using CItemsUI::AddItem;
    using CItemsUI::InsertItem;
    bool InsertItem(int index, const QString& text, int height = 25) override;
    // Template items (from CDialogBuilder): the list takes the control over.
    int AddItem(CControlUI* item, int height);
    bool InsertItem(int index, CControlUI* item, int height);
    // The template item at `index`, or nullptr for a text item or a bad index.
    CControlUI* GetItemAt(int index) const;
    bool RemoveAt(int index) override;
    void RemoveAll() override;
    QString GetItemText(int index) const override;
    bool SetItemText(int index, const QString& text) override;
    void EnsureVisible(int index);
    void ScrollToEnd();
};

class CTabLayoutUI : public CControlUI {
public:
    static constexpr ControlKind kKind = ControlKind::TabLayout;
    CTabLayoutUI(QWidget* widget, CPaintManagerUI* manager);
    ControlKind GetKind() const override { return ControlKind::TabLayout; }
    int GetCount() const;
    int GetCurSel() const;
    bool SelectItem(int index);
};

class CColorPaletteUI : public CControlUI {
public:
    static constexpr ControlKind kKind = ControlKind::ColorPalette;
    CColorPaletteUI(QWidget* widget, CPaintManagerUI* manager);
    ControlKind GetKind() const override { return ControlKind::ColorPalette; }
    uint32_t GetSelectColor() const;  // 0xAARRGGBB, alpha always 0xFF
    void SetSelectColor(uint32_t argb);
};

}  // namespace mouse
