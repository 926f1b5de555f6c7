// The name dialogs of both libraries, driven through the modal seam: their
// texts per mode, the text limit, and the check on OK with the message box
// it shows while staying open.
#include <gtest/gtest.h>
#include <QCoreApplication>

#include "buttons/msg_wnd.h"
#include "macros/edit_name_wnd.h"
#include "ui/ui.h"

namespace mouse {
namespace {

template <typename R>
void Add(std::vector<std::unique_ptr<R>>& list, std::u16string_view folder,
         std::u16string_view item) {
    auto r = std::make_unique<R>();
    r->isFolder = item.empty() ? 1 : 0;
    WriteText(r->folderName, folder);
    if constexpr (std::is_same_v<R, MacroRecord>) {
        WriteText(r->macroName, item);
    } else {
        WriteText(r->gunName, item);
    }
    list.push_back(std::move(r));
}

// Folders A (Run), B (Fire), Rifles (ak) in both lists.
template <typename R>
std::vector<std::unique_ptr<R>> Library() {
    std::vector<std::unique_ptr<R>> list;
    for (auto [folder, item] :
         {std::pair{u"A", u"Run"}, std::pair{u"B", u"Fire"}, std::pair{u"Rifles", u"ak"}}) {
        Add(list, folder, u"");
        Add(list, folder, item);
    }
    return list;
}

struct Outcome {
    int result = -2;      // the dialog's; -1: still open when the user stopped
    QStringList windows;  // class names of the windows run modally
    QString message;      // the message box's key, if one was shown
    QString name;         // GetName() after the run
    QString titleKey, labelKey, shownText;
};

class EditNameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ModalSeam::Clear();
        CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
        CPaintManagerUI::ClearErrors();
    }
    void TearDown() override { ModalSeam::Clear(); }

    // Runs the dialog: the user puts text into edit_name and clicks button;
    // a message box that appears is answered with OK.
    static Outcome Run(CEditNameWnd& dlg, const QString& text, const char* button = "ok_btn") {
        Outcome out;
        ModalSeam::Clear();
        if (!dlg.Create(nullptr)) {
            ADD_FAILURE() << CPaintManagerUI::GetErrors().join("\n").toStdString();
            return out;
        }
        out.titleKey = dlg.FindControl<CLabelUI>("label_title")->GetTextKey();
        out.labelKey = dlg.FindControl<CLabelUI>("label_string")->GetTextKey();
        ModalSeam::Answer(-1, [&](WindowImplBase& w) {
            w.ShowWindow(true);
            QCoreApplication::processEvents();
            auto* edit = w.FindControl<CEditUI>("edit_name");
            edit->TypeText(text);
            out.shownText = edit->GetText();
            w.FindControl<CButtonUI>(button)->Activate();
        });
        ModalSeam::Answer(
            1, [&](WindowImplBase& w) { out.message = static_cast<CMsgWnd&>(w).GetMsg(); });
        out.result = dlg.ShowModal();
        out.windows = ModalSeam::Answered();
        out.name = dlg.GetName();
        return out;
    }
};

struct Case {
    const char* what;
    bool gun;
    int mode;
    const char* initial;
    const char* folder;
    const char* typed;
    int result;           // -1: stays open
    const char* message;  // shown message key, or nullptr for none
};

const Case kCases[] = {
    {"macro folder taken, other case", false, 0, "", "", "rifles", -1, "same_macro_dir_text"},
    {"new macro folder", false, 0, "", "", "Work", 1, nullptr},
    {"macro folder taken", false, 0, "", "", "a", -1, "same_macro_dir_text"},
    {"macro in another folder's name", false, 1, "", "A", "Fire", 1, nullptr},
    {"macro taken in its folder", false, 1, "", "B", "FIRE", -1, "same_macro_text"},
    {"macro rename cleared", false, 3, "Run", "A", "", -1, "no_name_text"},
    {"macro rename, case only", false, 3, "Run", "A", "run", 0, nullptr},
    {"empty add", false, 1, "", "A", "", 0, nullptr},
    {"gun taken in Rifles", true, 1, "", "Rifles", "AK", -1, "same_macro_text"},
    {"gun free in Pistols", true, 1, "", "Pistols", "AK", 1, nullptr},
    {"gun folder rename, case only", true, 2, "Rifles", "", "rifles", 0, nullptr},
    {"gun folder rename onto another", true, 2, "Rifles", "", "b", -1, "same_macro_dir_text"},
    {"gun folder rename", true, 2, "Rifles", "", "Snipers", 1, nullptr},
    {"empty gun add", true, 0, "", "", "", 0, nullptr},
    {"gun rename cleared", true, 3, "ak", "Rifles", "", -1, "no_name_text"},
};

TEST_F(EditNameTest, OkChecksTheNameInOrder) {
    const auto macros = Library<MacroRecord>();
    const auto guns = Library<GunRecord>();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        CEditMacroName macro;
        macro.SetMacroList(&macros);
        CEditGunName gun;
        gun.SetGunList(&guns);
        CEditNameWnd& dlg = c.gun ? static_cast<CEditNameWnd&>(gun) : macro;
        dlg.SetMode(c.mode);
        dlg.SetInitialName(c.initial);
        dlg.SetFolderName(c.folder);
        const Outcome out = Run(dlg, QString::fromUtf8(c.typed));
        EXPECT_EQ(out.result, c.result);
        const QString first = c.gun ? "EditGunName" : "EditMacroName";
        if (c.message != nullptr) {
            EXPECT_EQ(out.windows, (QStringList{first, "MsgWnd"}));
            EXPECT_EQ(out.message, c.message);
        } else {
            EXPECT_EQ(out.windows, QStringList{first});
        }
        EXPECT_EQ(out.name, c.result == 1 ? QString::fromUtf8(c.typed) : QString());
    }
}

TEST_F(EditNameTest, TextsFollowTheModeAndTheLibrary) {
    const char* macroTitles[] = {"add_macro_dir_text", "add_macro_text", "rename_macro_dir_text",
                                 "rename_macro_text"};
    const char* gunLabels[] = {"input_gun_dir_text", "input_gun_text", "input_gun_dir_text",
                               "input_gun_text"};
    for (int mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(mode);
        CEditMacroName macro;
        macro.SetMode(mode);
        macro.SetInitialName("Old");
        const Outcome m = Run(macro, "Old", "cancel_btn");
        EXPECT_EQ(m.titleKey, macroTitles[mode]);
        EXPECT_EQ(m.result, 0);
        CEditGunName gun;
        gun.SetMode(mode);
        const Outcome g = Run(gun, "x", "exit_btn");
        EXPECT_EQ(g.labelKey, gunLabels[mode]);
        EXPECT_EQ(g.result, 0);
        EXPECT_TRUE(g.name.isEmpty());
    }
}

TEST_F(EditNameTest, ShowsTheInitialNameAndHoldsAtMost49Characters) {
    const auto macros = Library<MacroRecord>();
    CEditMacroName dlg;
    dlg.SetMacroList(&macros);
    dlg.SetMode(3);
    dlg.SetInitialName("Run");
    dlg.SetFolderName("A");
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_EQ(dlg.FindControl<CEditUI>("edit_name")->GetText(), "Run");
    dlg.DestroyWindow();

    CEditMacroName add;
    add.SetMacroList(&macros);
    add.SetMode(1);
    add.SetFolderName("A");
    const Outcome out = Run(add, QString(60, QChar('n')));
    EXPECT_EQ(out.shownText.size(), 49);
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(out.name, QString(49, QChar('n')));
}

}  // namespace
}  // namespace mouse
