// The macro page inside the real main window, shared by its tests: a macro
// library written before the window starts, the window on the macro tab,
// and helpers that select, type, click and read back what was saved.
#pragma once

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/main_wnd.h"
#include "app_test_util.h"
#include "device/messages.h"
#include "device/protocol.h"
#include "hook/recorder_fakes.h"
#include "macros/select_macro_wnd.h"
#include "store/tables.h"
#include "ui/ui.h"

namespace mouse {

using test::WaitFor;

inline MacroAction Key(uint8_t code, uint8_t kind, uint16_t delay = 10) {
    MacroAction a{};
    a.code = code;
    a.kind = kind;
    a.delay = delay;
    return a;
}

inline MacroAction Move(int x, int y, uint16_t delay = 10) {
    MacroAction a{};
    a.code = kMoveCode;
    a.kind = kActionMove;
    a.delay = delay;
    a.x = x;
    a.y = y;
    return a;
}

// A macro library written to macro.bin before the window starts.
struct Library {
    std::vector<MacroRecord> records;
    int Folder(std::u16string_view name) {
        MacroRecord r{};
        WriteText(r.folderName, name);
        r.isFolder = 1;
        records.push_back(r);
        return int(records.size()) - 1;
    }
    int Macro(std::u16string_view folder, std::u16string_view name,
              const std::vector<MacroAction>& actions = {}, uint16_t loops = 1) {
        MacroRecord r{};
        WriteText(r.folderName, folder);
        WriteText(r.macroName, name);
        r.loopCount = loops;
        r.actionCount = uint16_t(actions.size());
        std::copy(actions.begin(), actions.end(), r.actions);
        records.push_back(r);
        return int(records.size()) - 1;
    }
};

// Ten key actions: presses and releases of A..E.
inline std::vector<MacroAction> TenKeys() {
    std::vector<MacroAction> out;
    for (int i = 0; i < 10; ++i) {
        out.push_back(
            Key(uint8_t(4 + i / 2), i % 2 == 0 ? kActionPress : kActionRelease, uint16_t(20 + i)));
    }
    return out;
}

inline QString Lang(const std::u16string& key) {
    return CResourceManager::GetInstance()->GetText(
        QString::fromUtf16(key.data(), qsizetype(key.size())));
}

class MacroPageTest : public test::MainWndTest {
protected:
    // The main window, shown, on the macro tab.
    void Open(const Library& lib) {
        WriteStore("macro.bin", lib.records);
        OpenOn("macro_btn");
    }

    CMacroPage& Page() { return wnd->MacroPage(); }
    std::vector<std::unique_ptr<MacroRecord>>& Macros() { return wnd->GetStores().macros; }
    QString Text(const char* name) { return Find(name)->GetText(); }
    bool Shown(const char* name) { return Find(name)->IsVisible(); }
    CListUI* Actions() { return Find<CListUI>("macro_action_list"); }
    QString ItemText(int item, const char* part) {
        CControlUI* row = Actions()->GetItemAt(item);
        EXPECT_NE(row, nullptr) << "item " << item;
        return row != nullptr ? row->FindSubControl(part)->GetText() : QString();
    }
    void SelectFolder(int index) { Find<CComboUI>("macro_combo")->SelectItem(index); }
    // Selects a macro and lets its action list finish building, as the user
    // sees it before clicking an action.
    void SelectMacro(int index) {
        Find<CListUI>("macro_list")->SelectItem(index);
        EXPECT_TRUE(WaitFor([&] { return !Page().IsFilling(); }));
    }
    void SelectMacroOnly(int index) { Find<CListUI>("macro_list")->SelectItem(index); }
    void SelectAction(int index) { Actions()->SelectItem(index); }
    void Click(const char* name) { Find<CButtonUI>(name)->Activate(); }
    // Types into a field and leaves it.
    void Commit(const char* name, const QString& text) {
        auto* edit = Find<CEditUI>(name);
        edit->TypeText(text);
        wnd->GetPaintManager()->SendNotify(edit, ev::kKillFocus);
    }
    // The record of the macro shown in the editor.
    const MacroRecord& Current() { return *Macros().at(size_t(Page().CurrentPosition())); }
    std::vector<uint8_t> Codes() {
        std::vector<uint8_t> codes;
        for (int i = 0; i < Page().ActionCount(); ++i) {
            codes.push_back(Page().Action(i).code);
        }
        return codes;
    }
    // macro.bin as the background writer leaves it once everything is saved.
    std::vector<uint8_t> MacroFile() {
        const QByteArray bytes = SavedStore("macro.bin");
        return {bytes.begin(), bytes.end()};
    }
    std::vector<uint8_t> ProfileFile() {
        const QByteArray bytes = SavedStore("profile.bin");
        return {bytes.begin(), bytes.end()};
    }
    std::vector<uint8_t> ProfileBytes() {
        std::vector<uint8_t> bytes;
        for (const auto& r : wnd->GetStores().profiles) {
            const auto* p = reinterpret_cast<const uint8_t*>(r.get());
            bytes.insert(bytes.end(), p, p + sizeof(ProfileRecord));
        }
        return bytes;
    }
    std::vector<uint8_t> ListBytes() {
        std::vector<uint8_t> bytes;
        for (const auto& r : Macros()) {
            const auto* p = reinterpret_cast<const uint8_t*>(r.get());
            bytes.insert(bytes.end(), p, p + sizeof(MacroRecord));
        }
        return bytes;
    }
};

// Library used by most tests: folders A and B; A holds a1 (four actions of
// every kind), a2 (ten keys) and a3 (stored under "a", other case); B holds b1.
inline Library Standard() {
    Library lib;
    lib.Folder(u"A");       // 0
    lib.Macro(u"A", u"a1",  // 1
              {Key(4, kActionPress, 30), Key(4, kActionRelease, 40), Key(0xF0, kActionPress, 50),
               Move(5, -3, 60)},
              3);
    lib.Folder(u"B");                                // 2
    lib.Macro(u"B", u"b1", {Key(5, kActionPress)});  // 3
    lib.Macro(u"A", u"a2", TenKeys());               // 4
    lib.Macro(u"a", u"a3");                          // 5
    return lib;
}

}  // namespace mouse
