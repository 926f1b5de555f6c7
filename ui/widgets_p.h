// Qt widgets behind the layer. Private to ui/: nothing outside includes it.
#pragma once

#include <QColor>
#include <QEvent>
#include <QPoint>
#include <QPushButton>
#include <QTimer>
#include <QUiLoader>
#include <QWidget>
#include <functional>

#include "ui/ui_types.h"

namespace mouse {

class WindowImplBase;
class CPaintManagerUI;

// Shows as much of an eliding label's or button's whole text as fits its
// present size and font (controls.cpp); nothing for other widgets.
void FitElidedText(QWidget* w);
// Sets the tooltip a widget has of its own; an eliding one shows its whole
// text there instead while the text is cut.
void SetOwnToolTip(QWidget* w, const QString& text);

// A numbered message travelling to a window's UI thread. A menu command
// (0x403) owns its MenuCmd until the handler of a live window receives it
// (the handler takes it over); one that never gets there (its window was
// destroyed or deleted first, or the program ended) frees it.
class UiMessageEvent : public QEvent {
public:
    static QEvent::Type EventType();
    UiMessageEvent(UINT msg, WPARAM wParam, LPARAM lParam)
        : QEvent(EventType()), msg(msg), wParam(wParam), lParam(lParam) {}
    ~UiMessageEvent() override;
    UiMessageEvent(const UiMessageEvent&) = delete;
    UiMessageEvent& operator=(const UiMessageEvent&) = delete;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool delivered = false;
};

// The top-level widget of a WindowImplBase.
class HostWidget : public QWidget {
public:
    explicit HostWidget(WindowImplBase* owner);
    void SetCaptionHeight(int height) { m_captionHeight = height; }
    int CaptionHeight() const { return m_captionHeight; }

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool focusNextPrevChild(bool next) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    WindowImplBase* m_owner;
    int m_captionHeight = 0;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

// The controls of `window` that Tab moves through, in the order it visits
// them: shown, enabled and taking the focus by Tab, in reading order (rows
// from top to bottom, each from left to right) among the children of each
// container, a container's controls together where the container stands.
// So a panel beside another is gone through before the next one, and a
// table row by row. Controls of the window's pop-ups are not in it.
QList<QWidget*> TabChain(QWidget* window);

// The button Return presses in `window`: a shown, enabled push button marked
// as default, else the dialog's ok_btn when shown and enabled; nullptr when
// there is none.
QPushButton* DefaultButton(QWidget* window);

// Push button that is an option: checkable, exclusive within its "group".
class OptionButton : public QPushButton {
public:
    explicit OptionButton(QWidget* parent = nullptr);
};

// Menu item: a flat button whose name is the command. A checkable item
// (a switch such as "Start at login") draws a check box at its right edge.
class MenuElement : public QPushButton {
public:
    explicit MenuElement(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;
};

// Hue/saturation field with a value strip at the bottom; the selected colour
// is marked. Emits changes while dragging and once on release.
class ColorPalette : public QWidget {
public:
    explicit ColorPalette(QWidget* parent = nullptr);
    QColor SelectedColor() const { return m_color; }
    void SetSelectedColor(const QColor& color);
    QSize sizeHint() const override { return {200, 160}; }

    std::function<void(QColor)> onChanged;   // while dragging
    std::function<void(QColor)> onReleased;  // on release

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QRect FieldRect() const;
    QRect StripRect() const;
    void PickAt(QPoint pos);
    QColor m_color = QColor(0, 170, 255);
    float m_hue = 0.55f, m_sat = 1.0f, m_val = 1.0f;
    enum class Drag { None, Field, Strip } m_drag = Drag::None;
};

// Spinning ring shown while the configuration is written.
class BusyRing : public QWidget {
public:
    explicit BusyRing(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    QTimer m_timer;
    int m_angle = 0;
};

// Dims everything beneath it and swallows input while a dialog is open.
class Overlay : public QWidget {
public:
    explicit Overlay(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;
};

// Creates the layer's own widget classes by the names used in skin files.
class SkinLoader : public QUiLoader {
public:
    using QUiLoader::QUiLoader;
    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override;
};

// Turns widget events into notifications (focus, hover) and paints
// background images.
class SkinEventFilter : public QObject {
public:
    explicit SkinEventFilter(CPaintManagerUI* manager) : m_manager(manager) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CPaintManagerUI* m_manager;
};

}  // namespace mouse
