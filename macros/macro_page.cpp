#include "macros/macro_page.h"

#include <algorithm>
#include <cstring>

#include "macros/macro_page_p.h"
#include "store/tables.h"
#include "ui/control_binding.h"

namespace mouse {

using namespace macro_page;

namespace {

constexpr int kMouseButtonItemHeight = 25;
constexpr int kActionItemHeight = 30;
constexpr uint8_t kFirstMouseButton = 0xF0;
constexpr uint8_t kLastMouseButton = 0xF4;
constexpr int kMouseButtons = 5;

const LibraryPageNames kMacroPageNames{"macro", "mbin", "Macro Data", kMacroNameTexts};

bool IsMouseButton(uint8_t code) {
    return code >= kFirstMouseButton && code <= kLastMouseButton;
}

// A mouse move in the action list: X and Y on a line each, so that both
// stay whole at their widest ("-32767") in the action column.
QString MoveText(const MacroAction& action) {
    return QString::asprintf("X: %d\nY: %d", action.x, action.y);
}

}  // namespace

CMacroPage::CMacroPage(PageHost& host, CPaintManagerUI& manager)
    : CLibraryPage(host, manager, kMacroPageNames) {
    OnNotify(ev::kClick, &CMacroPage::OnClick);
    OnNotify(ev::kSelectChanged, &CMacroPage::OnSelectChanged);
    OnNotify(ev::kItemSelect, &CMacroPage::OnItemSelect);
    OnNotify(ev::kKillFocus, &CMacroPage::OnKillFocus);
    OnNotify(ev::kTextChanged, &CMacroPage::OnTextChanged);
    OnNotify(ev::kTimer, &CMacroPage::OnTimer);
    OnNotify(ev::kCheckClick, &CMacroPage::OnCheckClick);
    OnNotify(ev::kMouseEnter, &CMacroPage::OnMouseEnter);
    OnNotify(ev::kMouseLeave, &CMacroPage::OnMouseLeave);
    OnNotify(ev::kSetFocus, &CMacroPage::OnSetFocus);
}

CMacroPage::~CMacroPage() = default;

void CMacroPage::InitControls() {
    BindControls(*m_pPM, kMacroPageTable, *this);
    InitLibrary();

    // Items 0..4 of the mouse-button choice are the codes 240..244.
    m_pMouseButton->RemoveAll();
    for (int i = 0; i < kMouseButtons; ++i) {
        m_pMouseButton->AddItem(Text(ToQString(KeyNameKey(uint8_t(kFirstMouseButton + i)))),
                                kMouseButtonItemHeight);
    }
    m_recorder = std::make_unique<MacroRecorder>(m_work, *this, &m_host.Hook(),
                                                 m_host.HookSinkToWindow(), m_host.Keyboard());
    // Where only this program's windows can be recorded, the page says so
    // before a recording starts: beside the button and in its tooltip.
    const bool ownWindowsOnly = m_host.Hook().Available() && m_host.Hook().OwnWindowsOnly();
    m_pRecordNotice->SetVisible(ownWindowsOnly);
    m_pRecord->SetToolTip(ownWindowsOnly ? Text("macro_record_window_only_tip_text") : QString());
    ShowActionEditor(-1);
}

void CMacroPage::ShowCurrent() {
    if (m_current != nullptr) {
        LoadMacroIntoEditor();
    } else {
        ClearEditor();
    }
}

void CMacroPage::ClearEditor() {
    m_work.actions = {};
    m_work.count = 0;
    m_work.loopCount = 1;
    m_work.selected = -1;
    m_work.showInsertion = false;
    ShowActionEditor(-1);
    m_pLoops->SetText(QStringLiteral("1"));
    RebuildActionList();
}

void CMacroPage::LoadMacroIntoEditor() {
    m_work.showInsertion = false;
    std::memcpy(m_work.actions.data(), m_current->actions, sizeof m_current->actions);
    // A count above 40 (from an old or foreign file) shows the 40 slots.
    m_work.count = std::min<int>(m_current->actionCount, kMaxMacroActions);
    m_work.loopCount = m_current->loopCount;
    m_pLoops->SetText(QString::number(m_work.loopCount));
    if (m_work.count == 0) {
        m_work.selected = -1;
        ShowActionEditor(-1);
    }
    RebuildActionList();
}

// ---- saving --------------------------------------------------------------------

void CMacroPage::SaveCurrentMacro() {
    if (m_current == nullptr || m_position < 0) {
        return;
    }
    std::memcpy(m_current->actions, m_work.actions.data(), sizeof m_current->actions);
    m_current->actionCount = uint16_t(m_work.count);
    m_current->loopCount = uint16_t(m_work.loopCount);
    Lib().Save();
    ApplyBindingChange(Lib().PropagateItem(m_position, false));
}

// ---- the action list and its editor --------------------------------------------

CControlUI* CMacroPage::MakeItem(const MacroAction& action) {
    CControlUI* item = CDialogBuilder::Create(QStringLiteral("macrolistitem.xml"), m_pPM);
    if (item != nullptr) {
        FillItem(item, action);
    }
    return item;
}

void CMacroPage::FillItem(CControlUI* item, const MacroAction& action, bool moveLook,
                          bool zeroDelay) {
    if (item == nullptr) {
        return;
    }
    auto* key = item->FindSubControl<CLabelUI>("key");
    auto* what = item->FindSubControl<CLabelUI>("action");
    auto* delay = item->FindSubControl<CLabelUI>("delay");
    if (key == nullptr || what == nullptr || delay == nullptr) {
        return;
    }
    if (action.code == kMoveCode) {
        key->SetResourceText(QStringLiteral("mouse_move_text"));
        key->SetBkImage(QStringLiteral("res='skins/move.png' dest='2,2,28,28'"));
        what->SetText(MoveText(action));
        what->SetBkImage(QString());
    } else {
        key->SetResourceText(ToQString(KeyNameKey(action.code)));
        if (IsMouseButton(action.code)) {
            key->SetBkImage(moveLook ? QStringLiteral("res='skins/mouse.png' dest='10,4,32,36'")
                                     : QStringLiteral("res='skins/mouse.png' dest='2,2,28,28'"));
        } else {
            key->SetBkImage(QStringLiteral("res='skins/keyboard_key_action.png' dest='5,6,35,24'"));
        }
        if (action.kind == kActionRelease) {
            what->SetResourceText(QStringLiteral("key_up_action"));
            what->SetBkImage(QStringLiteral("res='skins/macro_key_up.png' dest='5,6,21,24'"));
        } else {
            what->SetResourceText(QStringLiteral("key_down_action"));
            what->SetBkImage(QStringLiteral("res='skins/macro_key_down.png' dest='5,6,21,24'"));
        }
    }
    delay->SetText(QString::number(zeroDelay ? 0 : action.delay));
}

void CMacroPage::RebuildActionList() {
    m_pActionList->KillTimer(kRevealTimer);
    m_pActionList->KillTimer(kFillTimer);
    // The list ends up as if emptied and filled anew, but items already there
    // are filled again rather than built again, and items that must be built
    // are built a few per turn of the event loop: building an item from its
    // template is what takes time, and a library of long macros would
    // otherwise hold the window at every macro selection.
    m_pActionList->SelectItem(-1, false);
    int have = m_pActionList->GetCount();
    while (have > m_work.count) {
        m_pActionList->RemoveAt(--have);
    }
    for (int i = 0; i < have; ++i) {
        CControlUI* item = m_pActionList->GetItemAt(i);
        if (item == nullptr) {  // not one of ours: start afresh
            m_pActionList->RemoveAll();
            have = 0;
            break;
        }
        FillItem(item, m_work.actions[size_t(i)]);
    }
    if (m_work.count == 0) {
        m_work.selected = -1;
        m_bFilling = false;
        return;
    }
    // The selection the finished list takes.
    m_bFilling = true;
    m_bFillReveal = m_work.showInsertion;
    m_iFillSelect = m_work.showInsertion ? std::clamp(m_work.insertPoint - 1, 0, m_work.count - 1)
                                         : m_work.count - 1;
    ContinueFill(kItemsPerTurn);
}

void CMacroPage::ContinueFill(int budget) {
    if (!m_bFilling) {
        return;
    }
    for (int i = m_pActionList->GetCount(); i < m_work.count && budget > 0; ++i, --budget) {
        CControlUI* item = MakeItem(m_work.actions[size_t(i)]);
        if (item == nullptr || m_pActionList->AddItem(item, kActionItemHeight) < 0) {
            break;  // a broken template is reported; the list stays short
        }
    }
    if (m_pActionList->GetCount() < m_work.count && budget == 0) {
        m_pActionList->SetTimer(kFillTimer, 0);
        return;
    }
    m_pActionList->KillTimer(kFillTimer);
    m_bFilling = false;
    if (m_iFillSelect < 0) {
        return;  // the user chose an action meanwhile
    }
    m_pActionList->SelectItem(m_iFillSelect);
    if (m_bFillReveal) {
        m_pActionList->SetTimer(kRevealTimer, kRevealMs);
    } else {
        m_pActionList->ScrollToEnd();
    }
}

void CMacroPage::FinishFill() {
    ContinueFill(kMaxMacroActions);
}

void CMacroPage::SelectAction(int index) {
    if (index < 0 || index >= m_work.count) {
        return;
    }
    m_work.selected = index;
    ShowActionEditor(index);
}

void CMacroPage::ShowActionEditor(int index) {
    if (index < 0 || index >= m_work.count) {
        m_pKey->SetText(QString());
        m_pDelay->SetText(QString());
        m_pKeyRow->SetVisible(false);
        m_pDelayRow->SetVisible(false);
        m_pMoveRow->SetVisible(false);
        m_pMouseButton->SelectItem(0, false);
        return;
    }
    const MacroAction& action = m_work.actions[size_t(index)];
    m_pDelayRow->SetVisible(true);
    m_pDelay->SetText(QString::number(action.delay));
    if (IsMouseButton(action.code)) {
        m_pKeyRow->SetVisible(true);
        m_pMoveRow->SetVisible(false);
        m_pKey->SetVisible(false);
        m_pMouseButton->SetVisible(true);
        m_pMouseButton->SelectItem(action.code - kFirstMouseButton, false);
    } else if (action.code == kMoveCode) {
        m_pKeyRow->SetVisible(false);
        m_pMoveRow->SetVisible(true);
        m_pMoveX->SetText(QString::number(action.x));
        m_pMoveY->SetText(QString::number(action.y));
    } else {
        m_pKeyRow->SetVisible(true);
        m_pMoveRow->SetVisible(false);
        m_pKey->SetVisible(true);
        m_pKey->SetText(Text(ToQString(KeyNameKey(action.code))));
        m_pMouseButton->SetVisible(false);
    }
}

void CMacroPage::MoveAction(int by) {
    const int from = m_pActionList->GetCurSel();
    const int to = from + by;
    if (from < 0 || to < 0 || from >= m_work.count || to >= m_work.count) {
        return;
    }
    std::swap(m_work.actions[size_t(from)], m_work.actions[size_t(to)]);
    // A move down onto the last place shows no delay there until the next
    // rebuild: nothing follows the last action.
    FillItem(m_pActionList->GetItemAt(from), m_work.actions[size_t(from)], true);
    FillItem(m_pActionList->GetItemAt(to), m_work.actions[size_t(to)], true,
             by > 0 && to == m_work.count - 1);
    m_pActionList->SelectItem(to);
    SaveCurrentMacro();
}

void CMacroPage::DeleteAction() {
    const int index = m_work.selected;
    if (index < 0 || index >= m_work.count) {
        return;
    }
    std::copy(m_work.actions.begin() + index + 1, m_work.actions.begin() + m_work.count,
              m_work.actions.begin() + index);
    m_work.actions[size_t(m_work.count - 1)] = MacroAction{};
    --m_work.count;
    if (m_work.count == 0) {
        m_work.selected = -1;
    }
    // The list selects the item that took the place, or the new last one.
    m_pActionList->RemoveAt(index);
    if (m_work.count == 0) {
        ShowActionEditor(-1);
    }
    SaveCurrentMacro();
}

void CMacroPage::ClearAll() {
    if (m_current == nullptr) {
        return;
    }
    m_work.actions = {};
    m_work.count = 0;
    m_work.showInsertion = false;
    m_work.insertPoint = -1;
    m_work.selected = -1;
    SaveCurrentMacro();
    RebuildActionList();
    ShowActionEditor(-1);
}

void CMacroPage::InsertMouseMove() {
    if (m_current == nullptr || m_work.count >= kInsertMoveLimit) {
        return;
    }
    MacroAction move{};
    move.code = kMoveCode;
    move.kind = kActionMove;
    move.delay = kMinDelay;
    move.x =
        int32_t(std::clamp<long long>(ReadDecimal(m_pInsertX->GetText()), -kMaxMove, kMaxMove));
    move.y =
        int32_t(std::clamp<long long>(ReadDecimal(m_pInsertY->GetText()), -kMaxMove, kMaxMove));
    if (m_work.selected >= 0) {
        m_work.insertPoint = m_work.insertStart = m_work.selected + 1;
        m_work.showInsertion = true;
    } else {
        m_work.insertPoint = -1;
    }
    m_work.InsertAction(move);
    SaveCurrentMacro();
    RebuildActionList();
    m_work.showInsertion = false;
}

void CMacroPage::SetMouseButton(int item) {
    if (m_work.selected < 0 || m_work.selected >= m_work.count || item < 0 ||
        item >= kMouseButtons) {
        return;
    }
    MacroAction& action = m_work.actions[size_t(m_work.selected)];
    action.code = uint8_t(kFirstMouseButton + item);
    if (CControlUI* row = m_pActionList->GetItemAt(m_work.selected)) {
        if (auto* key = row->FindSubControl<CLabelUI>("key")) {
            key->SetResourceText(ToQString(KeyNameKey(action.code)));
        }
    }
    SaveCurrentMacro();
}

void CMacroPage::CommitDelay() {
    if (m_work.selected < 0 || m_work.selected >= m_work.count) {
        return;
    }
    const auto value =
        int(std::clamp<long long>(ReadDecimal(m_pDelay->GetText()), kMinDelay, kMaxDelay));
    m_pDelay->SetText(QString::number(value));
    m_work.actions[size_t(m_work.selected)].delay = uint16_t(value);
    if (CControlUI* row = m_pActionList->GetItemAt(m_work.selected)) {
        SetText(row->FindSubControl("delay"), QString::number(value));
    }
    SaveCurrentMacro();
}

void CMacroPage::CommitLoops() {
    const auto value = int(
        std::clamp<long long>(ReadDecimal(m_pLoops->GetText()), kMinMacroLoops, kMaxMacroLoops));
    m_pLoops->SetText(QString::number(value));
    m_work.loopCount = value;
    SaveCurrentMacro();
}

void CMacroPage::CommitMove(bool y) {
    if (m_work.selected < 0 || m_work.selected >= m_work.count) {
        return;
    }
    MacroAction& action = m_work.actions[size_t(m_work.selected)];
    // Coordinates belong to mouse moves only.
    if (action.code != kMoveCode) {
        return;
    }
    CEditUI* edit = y ? m_pMoveY : m_pMoveX;
    const auto value =
        int32_t(std::clamp<long long>(ReadDecimal(edit->GetText()), -kMaxMove, kMaxMove));
    edit->SetText(QString::number(value));
    (y ? action.y : action.x) = value;
    if (CControlUI* row = m_pActionList->GetItemAt(m_work.selected)) {
        SetText(row->FindSubControl("action"), MoveText(action));
    }
    SaveCurrentMacro();
}

// ---- notifications -----------------------------------------------------------

void CMacroPage::OnClick(TNotifyUI& msg) {
    if (m_recorder == nullptr || msg.pSender == nullptr) {
        return;
    }
    FinishFill();
    CControlUI* s = msg.pSender;
    if (OnLibraryClick(msg)) {
        return;
    }
    if (s == m_pMoveUp) {
        MoveAction(-1);
    } else if (s == m_pMoveDown) {
        MoveAction(1);
    } else if (s == m_pDeleteAction) {
        DeleteAction();
    } else if (s == m_pClearAll) {
        ClearAll();
    } else if (s == m_pInsertMove) {
        InsertMouseMove();
    }
}

void CMacroPage::OnSelectChanged(TNotifyUI& msg) {
    if (msg.wParam == 0) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        if (msg.pSender == m_pDelayMode[i]) {
            m_recorder->SetDelayMode(i);
        }
    }
}

void CMacroPage::OnItemSelect(TNotifyUI& msg) {
    if (m_recorder == nullptr) {
        return;
    }
    if (OnLibraryItemSelect(msg)) {
        return;
    }
    const int index = int(msg.wParam);
    if (msg.pSender == m_pActionList) {
        // The user's choice stands over the one a list still filling would make.
        m_iFillSelect = -1;
        SelectAction(index);
    } else if (msg.pSender == m_pMouseButton) {
        FinishFill();
        SetMouseButton(index);
    }
}

void CMacroPage::OnKillFocus(TNotifyUI& msg) {
    if (m_recorder == nullptr || msg.pSender == nullptr) {
        return;
    }
    FinishFill();
    if (msg.pSender == m_pKey) {
        m_recorder->EndKeyCapture();
    } else if (msg.pSender == m_pDelay) {
        CommitDelay();
    } else if (msg.pSender == m_pLoops) {
        CommitLoops();
    } else if (msg.pSender == m_pMoveX) {
        CommitMove(false);
    } else if (msg.pSender == m_pMoveY) {
        CommitMove(true);
    } else {
        OnLibraryKillFocus(msg);
    }
}

void CMacroPage::OnTextChanged(TNotifyUI& msg) {
    auto* edit = dynamic_cast<CEditUI*>(msg.pSender);
    if (edit == nullptr ||
        (edit != m_pMoveX && edit != m_pMoveY && edit != m_pInsertX && edit != m_pInsertY)) {
        return;
    }
    const long long value = ReadDecimal(edit->GetText());
    if (value > kMaxMove) {
        edit->SetText(QString::number(kMaxMove));
    } else if (value < -kMaxMove) {
        edit->SetText(QString::number(-kMaxMove));
    }
}

void CMacroPage::OnTimer(TNotifyUI& msg) {
    if (msg.pSender != m_pActionList) {
        return;
    }
    if (msg.wParam == kFillTimer) {
        ContinueFill(kItemsPerTurn);
        return;
    }
    if (msg.wParam != kRevealTimer) {
        return;
    }
    m_pActionList->KillTimer(kRevealTimer);
    if (m_work.insertPoint >= 1) {
        m_pActionList->EnsureVisible(m_work.insertPoint - 1);
    }
}

}  // namespace mouse
