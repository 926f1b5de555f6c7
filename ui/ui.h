// The UI layer: windows, pages, controls, menus, tray icon and language texts
// over Qt Widgets. Code outside ui/ uses only these classes (no Qt widget
// header); everything is in namespace mouse.
//
// SKINS. A window's layout is a Qt Designer file in the skin folder res/
// (main.xml, msg.xml, ...), loaded when the window is created. Controls are
// found by object name. Dynamic properties the layer reads:
//   virtualwnd  on a container: its controls belong to that page (inherited)
//   textkey     language key of the control's text (tipkey: tooltip,
//               placeholderkey: edit placeholder, titlekey: window title)
//   group       options with the same group exclude each other
//   bkimage     "res='skins/mouse.png' dest='2,2,28,28'" drawn under the text
//   caption     on the root: height of the strip that drags the window
//   elide       on a label or button: "left", "middle" or "right", where a
//               text too wide for the control is cut ("…"); the tooltip
//               then holds the whole text
//   valuelabel  on a slider: the label that shows its value (valuekey: the
//               language text it is written with, "%1" for the value)
// Layer classes for skins: OptionButton, MenuElement (menu items; the name is
// the command, "userdata" travels with it), ColorPalette, BusyRing, Overlay,
// PatternPlot.
// Kinds: QLabel → CLabelUI, QPushButton → CButtonUI (checkable: COptionUI),
// QCheckBox → CCheckBoxUI, QLineEdit → CEditUI, QSlider → CSliderUI,
// QComboBox → CComboUI, QListWidget → CListUI, QStackedWidget → CTabLayoutUI,
// ColorPalette → CColorPaletteUI, PatternPlot → CPatternPlotUI, anything
// else → CControlUI.
//
// A WINDOW:
//
//   class CShortcutWnd : public WindowImplBase {
//   public:
//       QString GetWindowClassName() const override { return "ShortcutWnd"; }
//       QString GetSkinFile() const override { return "shortcut.xml"; }
//   protected:
//       void InitWindow() override {            // once, after the controls exist
//           m_pm.CheckControls(kShortcutTable);  // reports every missing control
//           m_pOk = m_pm.FindControl<CButtonUI>("ok_btn");  // nullptr + error if absent
//       }
//       void OnClick(TNotifyUI& msg) override {  // "click" of controls outside pages
//           if (msg.pSender == m_pOk) Close(1);
//           else if (msg.pSender->GetName() == "cancel_btn") Close(0);
//       }
//       LRESULT HandleCustomMessage(UINT msg, WPARAM w, LPARAM l, bool& handled) override {
//           if (msg == 0x500) { handled = true; /* ... */ }
//           return 0;
//       }
//   private:
//       CButtonUI* m_pOk = nullptr;
//   };
//
//   CShortcutWnd dlg;                 // a local object: nothing survives the call
//   if (!dlg.Create(pParentWnd)) return;   // skin missing or broken: error logged
//   dlg.CenterWindow();
//   if (dlg.ShowModal() == 1) { /* read the outputs */ }
//
// Notify(TNotifyUI&) gets every notification of controls outside pages; its
// default runs a handler registered with OnNotify(type, ...) and sends "click"
// to OnClick. Escape or the window system's close end a modal run with 0
// (WM_CLOSE reaches HandleCustomMessage first; set handled to refuse).
//
// A PAGE: a CNotifyPump registered on the window under its virtual-window
// name; notifications of controls inside the container with that
// "virtualwnd" go to the page's map instead of the window:
//
//   class CMacroPage : public CNotifyPump {
//   public:
//       CMacroPage() {
//           OnNotify("click", &CMacroPage::OnClick);
//           OnNotify("itemselect", &CMacroPage::OnItemSelect);  // wParam = index
//           OnNotify("timer", &CMacroPage::OnTimer);            // wParam = timer id
//       }
//       void SetWindow(WindowImplBase* wnd) { m_pWnd = wnd; m_pManager = wnd->GetPaintManager(); }
//       void InitControls() {
//           m_pList = m_pManager->FindControl<CListUI>("macro_action_list");
//       }
//   private:
//       void OnItemSelect(TNotifyUI& msg) {
//           if (msg.pSender == m_pList) ShowAction(static_cast<int>(msg.wParam));
//       }
//       ...
//   };
//   // in the main window: AddVirtualWnd("MacroPage", &m_macroPage);
//
// CONTROLS (controls.h): SetText (finished text) / SetResourceText (language
// key) / GetText; Show, Hide, SetVisible, IsVisible; GetPos / SetPos (window
// coordinates); SetBkColor(0xAARRGGBB); SetBkImage(spec); SetTimer(id, ms) →
// "timer". COptionUI::Selected(bool, notify = true); CCheckBoxUI::SetCheck /
// GetCheck; CSliderUI Get/SetValue, Min, Max; CComboUI and CListUI: AddItem
// (text, height), InsertItem, RemoveAt, RemoveAll, SelectItem(index, notify =
// true), GetCurSel, GetItemText / SetItemText; CListUI::AddItem(template,
// height) with templates from CDialogBuilder::Create("macrolistitem.xml", pm),
// GetItemAt(i)->FindSubControl("key"), EnsureVisible, ScrollToEnd;
// CTabLayoutUI::SelectItem; CColorPaletteUI Get/SetSelectColor. Changes made
// from code notify only where a notify flag says so; the events and their
// parameters are listed in ui_types.h.
//
// MESSAGES: PostMessage(msg, w, l) from any thread, SendMessage waits; both
// reach HandleCustomMessage on the UI thread with the numbers unchanged.
// SetTimer(id, ms) / KillTimer(id) on a window deliver WM_TIMER (0x113) with
// wParam = id.
//
// MENUS: auto menu = CMenuWnd::CreateMenu(owner, "traymenu.xml", pt,
// kMenuAlignLeft | kMenuAlignTop); menu->GetVisibleItemCount();
// menu->ResizeMenu(w, h). A choice reaches the owner as 0x403; take the record
// with `auto cmd = TakeMenuCmd(wParam);` (cmd->szName, szUserData, szText).
// Destroying the object closes the menu.
//
// TRAY: CTrayIcon::CreateTrayIcon(wnd, iconFile, tooltip) → 0x401 with lParam
// WM_LBUTTONUP / WM_RBUTTONUP; CTrayIcon::IsAvailable(), which
// CTrayIcon::SetAvailabilityOverride(bool or nullopt) fixes for tests.
//
// TEXTS: CResourceManager::GetInstance()->LoadLanguage() reads
// res/Language/lan.xml and refreshes every shown key; GetText(key) gives the
// key itself when there is no text.
//
// TEST SEAMS: ModalSeam::Answer(result, [](WindowImplBase& w) {...}) answers the
// next ShowModal (the callback may set fields or Close(n)); CFileDialog::
// QueueAnswer(path) answers the next file dialog; CPaintManagerUI::
// SetManualTimers(true) + FirePendingTimers() / FireTimer(control, id) and
// WindowImplBase::FireTimer(id) fire timers at once (GetTimerInterval(id)
// tells a timer's period); CButtonUI::Activate(), CEditUI::TypeText() and
// CSliderUI::Drag(value) / Release() act like the user;
// CTrayIcon::SimulateClick(right).
//
// SKIN CHECK: declare the controls a class looks up in a ControlTable next to
// it and register it (control_table.h); the skin-check test includes the
// header and verifies the table against the skin. An entry made with Bind or
// BindEach also names the member the control goes into, and
// BindControls(manager, table, owner) (control_binding.h) fills them all in
// one walk: a control is named once, and a required one that the skin check
// has proved present needs no null check where it is used.
#pragma once

#include "ui/control_binding.h"
#include "ui/control_table.h"
#include "ui/controls.h"
#include "ui/file_dialog.h"
#include "ui/image.h"
#include "ui/menu.h"
#include "ui/paint_manager.h"
#include "ui/pattern_plot.h"
#include "ui/resource_manager.h"
#include "ui/tray.h"
#include "ui/ui_types.h"
#include "ui/window.h"
