// What the macro page and the recoil-preset page share, tested once for
// both inside the real main window: folders and items added, renamed and
// deleted through the name dialog and the message box (bound buttons follow
// their records), the menus, and files exchanged through the file-dialog
// seam. What a page saved is read back from its store file.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <memory>
#include <vector>

#include "app/main_wnd.h"
#include "app_test_util.h"
#include "device/messages.h"
#include "device/protocol.h"
#include "hook/recorder_fakes.h"
#include "macros/edit_name_wnd.h"
#include "store/tables.h"
#include "ui/ui.h"
#include "ui/user_folders.h"

namespace mouse {
namespace {

using test::WaitFor;

// What differs between the two pages for these tests.
struct MacroSide {
    using Traits = MacroTraits;
    using Record = MacroRecord;
    static constexpr const char* kNoun = "macro";
    static constexpr const char* kExt = "mbin";
    static constexpr int kBound = fn::kMacro;
    static CMacroPage& Page(CMainWnd& w) { return w.MacroPage(); }
    static std::vector<std::unique_ptr<Record>>& List(Stores& s) { return s.macros; }
    static int32_t& Index(ButtonEntry& e) { return e.macroIndex; }
};

struct GunSide {
    using Traits = GunTraits;
    using Record = GunRecord;
    static constexpr const char* kNoun = "gun";
    static constexpr const char* kExt = "gbin";
    static constexpr int kBound = fn::kRecoil;
    static CGunPage& Page(CMainWnd& w) { return w.GunPage(); }
    static std::vector<std::unique_ptr<Record>>& List(Stores& s) { return s.guns; }
    static int32_t& Index(ButtonEntry& e) { return e.gunIndex; }
};

template <typename Side>
class LibraryPageTest : public test::MainWndTest {
protected:
    using Record = typename Side::Record;

    // Records written to the store file before the window starts.
    static Record Folder(const char16_t* name) {
        Record r{};
        WriteText(r.folderName, name);
        r.isFolder = 1;
        return r;
    }
    static Record Item(const char16_t* folder, const char16_t* name) {
        Record r{};
        Side::Traits::InitItem(r);
        WriteText(r.folderName, folder);
        WriteText(Side::Traits::ItemName(r), name);
        return r;
    }
    // Folders A and B; A holds a1 (1), a2 (4) and a3 (5, stored under "a");
    // B holds b1 (3). Profile 0 (current) binds button 2 to a1 and button 5
    // to a2; profile 1 binds button 40 to a3.
    void OpenStandard() {
        auto p0 = std::make_unique<ProfileRecord>();
        auto p1 = std::make_unique<ProfileRecord>();
        MakeDefaultRecord(*p0, 3311);
        MakeDefaultRecord(*p1, 3311);
        Bind(*p0, 2, 1);
        Bind(*p0, 5, 4);
        Bind(*p1, 40, 5);
        QFile f(program + "Data/profile.bin");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(p0.get()), sizeof(ProfileRecord));
        f.write(reinterpret_cast<const char*>(p1.get()), sizeof(ProfileRecord));
        f.close();
        Open({Folder(u"A"), Item(u"A", u"a1"), Folder(u"B"), Item(u"B", u"b1"), Item(u"A", u"a2"),
              Item(u"a", u"a3")});
    }
    static void Bind(ProfileRecord& p, int slot, int position) {
        p.buttons[slot].functionId = uint8_t(Side::kBound);
        Side::Index(p.buttons[slot]) = position;
    }
    // The main window, shown, on the page's tab.
    void Open(const std::vector<Record>& records) {
        this->WriteStore(N("%s.bin").toLatin1().constData(), records);
        this->OpenOn(N("%s_btn").toLatin1().constData());
    }

    // A name of the page with "%s" standing for its noun.
    static QString N(const char* pattern) {
        return QString::fromLatin1(pattern).replace("%s", Side::kNoun);
    }
    void Click(const char* pattern) { Find<CButtonUI>(N(pattern))->Activate(); }
    void Command(const char* pattern) { Page().OnMenuCommand(N(pattern)); }
    auto& Page() { return Side::Page(*wnd); }
    CComboUI* Folders() { return Find<CComboUI>(N("%s_combo")); }
    CListUI* List() { return Find<CListUI>(N("%s_list")); }
    CEditUI* NameField() { return Find<CEditUI>(N("edit_%s_name")); }
    std::vector<std::unique_ptr<Record>>& Records() { return Side::List(wnd->GetStores()); }
    Record& At(int position) { return *Records().at(size_t(position)); }
    std::u16string NameAt(int position) { return ReadText(Side::Traits::ItemName(At(position))); }
    ButtonEntry& Button(int profile, int slot) {
        return wnd->GetStores().profiles.at(size_t(profile))->buttons[slot];
    }
    // Leaves the name field after typing text into it.
    void TypeName(const QString& text) {
        NameField()->TypeText(text);
        wnd->GetPaintManager()->SendNotify(NameField(), ev::kKillFocus);
    }
    // The store file once every queued save is written, and what it should hold.
    static QByteArray ReadBytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray Saved() { return this->SavedStore(N("%s.bin").toLatin1().constData()); }
    QByteArray ListBytes() {
        QByteArray bytes;
        for (const auto& r : Records()) {
            bytes.append(reinterpret_cast<const char*>(r.get()), sizeof(Record));
        }
        return bytes;
    }
    QByteArray RecordBytes(std::initializer_list<int> positions) {
        QByteArray bytes;
        for (int p : positions) {
            bytes.append(reinterpret_cast<const char*>(&At(p)), sizeof(Record));
        }
        return bytes;
    }
    // Answers the next name dialog: types name and clicks button; notes the
    // dialog's mode and whether the overlay covered the main window.
    struct Seen {
        int mode = -1;
        bool overlay = false;
    };
    void AnswerName(const QString& name, const char* button = "ok_btn") {
        ModalSeam::Answer(0, [this, name, button](WindowImplBase& w) {
            seen.mode = dynamic_cast<CEditNameWnd&>(w).GetMode();
            seen.overlay = wnd->FindControl("disable_window_ver")->IsVisible();
            w.FindControl<CEditUI>("edit_name")->SetText(name);
            w.FindControl<CButtonUI>(button)->Activate();
        });
    }

    Seen seen;
};

using Sides = ::testing::Types<MacroSide, GunSide>;
TYPED_TEST_SUITE(LibraryPageTest, Sides);

TYPED_TEST(LibraryPageTest, AddingFoldersAndItemsThroughTheNameDialog) {
    this->Open({this->Folder(u"A"), this->Item(u"A", u"ak")});
    // Cancelled: nothing is made.
    this->AnswerName("Work", "cancel_btn");
    this->Click("btn_add_%s_floder");
    EXPECT_EQ(this->seen.mode, 0);
    EXPECT_TRUE(this->seen.overlay);
    EXPECT_FALSE(this->Find("disable_window_ver")->IsVisible()) << "hidden again";
    EXPECT_EQ(this->Records().size(), 2u);

    this->AnswerName("Work");
    this->Click("btn_add_%s_floder");
    EXPECT_EQ(this->Items(this->Folders()), (QStringList{"A", "Work"}));
    EXPECT_EQ(this->Folders()->GetCurSel(), 1);
    EXPECT_EQ(this->Page().SelectedFolder(), 1);
    EXPECT_EQ(this->List()->GetCount(), 0);

    // "ak" is taken in A, not here.
    this->AnswerName("AK");
    this->Click("btn_add_%s");
    EXPECT_EQ(this->seen.mode, 1);
    EXPECT_EQ(this->Items(this->List()), QStringList{"AK"});
    EXPECT_EQ(this->List()->GetCurSel(), 0);
    EXPECT_EQ(this->Page().CurrentPosition(), 3) << "the new item is in the editor";
    EXPECT_EQ(this->Page().CurrentItem(), &this->At(3));
    EXPECT_EQ(this->NameField()->GetText(), "AK");
    EXPECT_EQ(ReadText(this->At(3).folderName), u"Work");
    EXPECT_EQ(this->Saved(), this->ListBytes());

    // The same name again keeps the dialog open with a warning; then cancelled.
    ModalSeam::Answer(0, [](WindowImplBase& w) {
        w.FindControl<CEditUI>("edit_name")->SetText("ak");
        ModalSeam::Answer(1);  // the warning box
        w.FindControl<CButtonUI>("ok_btn")->Activate();
        w.FindControl<CButtonUI>("cancel_btn")->Activate();
    });
    this->Click("btn_add_%s");
    EXPECT_EQ(ModalSeam::Answered().back(), "MsgWnd");
    EXPECT_EQ(this->Records().size(), 4u);

    // A full library refuses a new item and says why.
    auto& records = this->Records();
    while (records.size() < kMaxLibraryRecords) {
        records.push_back(std::make_unique<typename TypeParam::Record>(*records[1]));
    }
    this->AnswerName("One more");
    ModalSeam::Answer(1);
    this->Click("btn_add_%s");
    EXPECT_EQ(ModalSeam::Answered().back(), "MsgWnd");
    EXPECT_EQ(records.size(), kMaxLibraryRecords);
    records.resize(4);
}

TYPED_TEST(LibraryPageTest, RenamingFoldersAndItems) {
    this->OpenStandard();
    this->AnswerName("Alpha");
    this->Command("rename_%s_dir");
    EXPECT_EQ(this->seen.mode, 2);
    EXPECT_EQ(this->Folders()->GetItemText(0), "Alpha");
    for (int position : {0, 1, 4, 5}) {
        EXPECT_EQ(ReadText(this->At(position).folderName), u"Alpha") << position;
    }

    // The item menu's rename carries the name to bound buttons.
    this->List()->SelectItem(1);  // a2, bound to button 5
    this->AnswerName("Second");
    this->Command("rename_%s");
    EXPECT_EQ(this->seen.mode, 3);
    EXPECT_EQ(this->NameAt(4), u"Second");
    EXPECT_EQ(this->List()->GetItemText(1), "Second");
    EXPECT_EQ(this->NameField()->GetText(), "Second");
    EXPECT_EQ(ReadText(this->Button(0, 5).bindingName), u"Second");

    // The name field renames in place with the dialog's checks: what the
    // user typed is kept when it is valid, and no dialog opens.
    this->TypeName("Typed");
    EXPECT_EQ(this->NameAt(4), u"Typed");
    EXPECT_EQ(this->List()->GetItemText(1), "Typed");
    EXPECT_EQ(this->NameField()->GetText(), "Typed");
    EXPECT_EQ(ReadText(this->Button(0, 5).bindingName), u"Typed");
    // A name taken in the folder is refused with the message and put back;
    // the unchanged name asks nothing.
    ModalSeam::Answer(1);
    this->TypeName("A1");
    EXPECT_EQ(ModalSeam::Answered().last(), "MsgWnd");
    EXPECT_EQ(this->NameAt(4), u"Typed");
    EXPECT_EQ(this->NameField()->GetText(), "Typed");
    this->TypeName("typed");
    EXPECT_EQ(this->NameField()->GetText(), "Typed");
    EXPECT_EQ(ModalSeam::Pending(), 0);
    EXPECT_EQ(this->Saved(), this->ListBytes());
}

TYPED_TEST(LibraryPageTest, DeletingItemsKeepsBoundButtonsOnTheirItems) {
    this->OpenStandard();
    this->List()->SelectItem(0);  // a1
    ModalSeam::Answer(0);         // cancelled
    this->Click("btn_delete_%s");
    EXPECT_EQ(this->Records().size(), 6u);

    ModalSeam::Answer(1);
    this->Click("btn_delete_%s");
    ASSERT_EQ(this->Records().size(), 5u);
    EXPECT_EQ(this->Items(this->List()), (QStringList{"a2", "a3"}));
    EXPECT_EQ(this->Page().ShownPositions(), (std::vector<int>{3, 4}));
    EXPECT_EQ(this->List()->GetCurSel(), 0) << "the next item takes the place";
    EXPECT_EQ(this->Page().CurrentPosition(), 3);
    EXPECT_EQ(this->NameField()->GetText(), "a2");
    EXPECT_EQ(this->Button(0, 2).functionId, DefaultFunction(2)) << "bound to the deleted item";
    EXPECT_EQ(TypeParam::Index(this->Button(0, 5)), 3) << "still a2";
    EXPECT_EQ(TypeParam::Index(this->Button(1, 40)), 4) << "still a3, in the other profile";
    EXPECT_GE(this->wnd->bindingChanged, 1);
    EXPECT_EQ(this->Saved(), this->ListBytes());

    // The last item deleted: the new last is shown; then the list empties.
    this->List()->SelectItem(1);
    ModalSeam::Answer(1);
    this->Click("btn_delete_%s");
    EXPECT_EQ(this->Page().CurrentItem(), &this->At(3));
    ModalSeam::Answer(1);
    this->Click("btn_delete_%s");
    EXPECT_EQ(this->List()->GetCount(), 0);
    EXPECT_EQ(this->Page().CurrentItem(), nullptr);
    EXPECT_EQ(this->Page().CurrentPosition(), -1);
    EXPECT_EQ(this->NameField()->GetText(), "");
    EXPECT_EQ(this->Items(this->Folders()), (QStringList{"A", "B"}));
}

TYPED_TEST(LibraryPageTest, DeletingFolders) {
    this->OpenStandard();
    ModalSeam::Answer(1);
    this->Click("btn_delete_%s_floder");
    ASSERT_EQ(this->Records().size(), 2u) << "the folder record and its three items";
    EXPECT_EQ(this->Items(this->Folders()), QStringList{"B"});
    EXPECT_EQ(this->Folders()->GetCurSel(), 0);
    EXPECT_EQ(this->Page().SelectedFolder(), 0);
    EXPECT_EQ(this->Items(this->List()), QStringList{"b1"});
    EXPECT_EQ(this->Page().ShownPositions(), (std::vector<int>{1}));
    EXPECT_EQ(this->Button(0, 2).functionId, DefaultFunction(2));
    EXPECT_EQ(this->Button(1, 40).functionId, DefaultFunction(40));
    EXPECT_EQ(this->Saved(), this->ListBytes());

    // The last folder: the selector, the list and the editor empty.
    this->List()->SelectItem(0);
    ModalSeam::Answer(1);
    this->Click("btn_delete_%s_floder");
    EXPECT_EQ(this->Folders()->GetCount(), 0);
    EXPECT_EQ(this->Page().SelectedFolder(), -1);
    EXPECT_TRUE(this->Page().ShownPositions().empty());
    EXPECT_EQ(this->List()->GetCount(), 0);
    EXPECT_EQ(this->Page().CurrentPosition(), -1);
    EXPECT_TRUE(this->Saved().isEmpty());
    this->Click("btn_delete_%s_floder");  // nothing left: no question
}

TYPED_TEST(LibraryPageTest, MenusOpenUnderTheirButtonsAndTheirCommandsReachThePage) {
    this->OpenStandard();
    this->List()->SelectItem(1);  // a2
    struct Case {
        const char* button;
        const char* skin;
        QStringList items;
    };
    const Case cases[] = {
        {"btn_menu_%s_floder",
         "%sdirmenu.xml",
         {"rename_%s_dir", "import_%s_dir", "export_%s_dir"}},
        {"btn_menu_%s", "%smenu.xml", {"rename_%s", "import_%s", "export_%s"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        this->Click(c.button);
        CMenuWnd* menu = this->Page().CurrentMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->GetSkinFile(), this->N(c.skin));
        EXPECT_EQ(menu->GetVisibleItemCount(), 3);
        for (const QString& item : c.items) {
            EXPECT_NE(menu->FindItem(this->N(item.toLatin1().constData())), nullptr)
                << item.toStdString();
        }
        const QRect button = this->Find(this->N(c.button))->GetPos();
        EXPECT_EQ(menu->GetWindowRect().topLeft(),
                  this->wnd->GetWindowRect().topLeft() + button.bottomLeft() + QPoint(0, 1));
    }

    // A chosen item travels through the main window back to the page, and
    // the menu closes.
    const QString out = this->program + "out." + TypeParam::kExt;
    CFileDialog::QueueAnswer(out);
    this->Page().CurrentMenu()->FindItem(this->N("export_%s"))->Activate();
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(out); }));
    EXPECT_EQ(this->ReadBytes(out), this->RecordBytes({4}));
    EXPECT_EQ(this->Page().CurrentMenu(), nullptr);
    const CFileDialog::Request request = CFileDialog::LastRequest();
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.defaultExt, TypeParam::kExt);
    EXPECT_EQ(request.folder, ExchangeStartFolder());

    // The folder menu's export: the folder record and every item of A, any
    // case; commands are matched without regard to case on both pages.
    const QString dir = this->program + "A." + TypeParam::kExt + "s";
    CFileDialog::QueueAnswer(dir);
    this->Click("btn_menu_%s_floder");
    this->Command("EXPORT_%s_DIR");
    EXPECT_EQ(this->Page().CurrentMenu(), nullptr);
    EXPECT_EQ(this->ReadBytes(dir), this->RecordBytes({0, 1, 4, 5}));
    EXPECT_EQ(CFileDialog::LastRequest().defaultExt, QString(TypeParam::kExt) + "s");
}

TYPED_TEST(LibraryPageTest, ImportAndExportThroughTheFileDialog) {
    this->Open(
        {this->Folder(u"Rifles"), this->Item(u"Rifles", u"AK"), this->Item(u"Rifles", u"ak_1")});
    this->List()->SelectItem(0);
    // Cancelled dialogs change nothing.
    for (const char* command : {"export_%s", "import_%s", "export_%s_dir", "import_%s_dir"}) {
        CFileDialog::QueueAnswer({});
        this->Command(command);
    }
    EXPECT_EQ(CFileDialog::PendingAnswers(), 0);
    EXPECT_EQ(this->Records().size(), 3u);

    // Into the selected folder, named by the file with a unique suffix.
    const QString one = this->program + "AK." + TypeParam::kExt;
    CFileDialog::QueueAnswer(one);
    this->Command("export_%s");
    CFileDialog::QueueAnswer(one);
    this->Command("import_%s");
    EXPECT_FALSE(CFileDialog::LastRequest().save);
    EXPECT_EQ(CFileDialog::LastRequest().filter,
              QString("%1 (*.%2 *.%3)")
                  .arg(TypeParam::kNoun == std::string("gun") ? "Gun Data" : "Macro Data",
                       TypeParam::kExt, QString(TypeParam::kExt).toUpper()));
    EXPECT_EQ(this->Items(this->List()), (QStringList{"AK", "ak_1", "AK_2"}));
    EXPECT_EQ(this->List()->GetCurSel(), 2);
    EXPECT_EQ(this->Page().CurrentPosition(), 3) << "the imported item is in the editor";

    // A folder file comes back as a new folder under the file's name, twice
    // as two folders.
    const QString set = this->program + "Set." + TypeParam::kExt + "s";
    CFileDialog::QueueAnswer(set);
    this->Command("export_%s_dir");
    EXPECT_EQ(QFile(set).size(), qint64(4 * sizeof(typename TypeParam::Record)));
    for (const char* expected : {"Set", "Set_1"}) {
        CFileDialog::QueueAnswer(set);
        this->Command("import_%s_dir");
        EXPECT_EQ(this->Folders()->GetItemText(this->Folders()->GetCount() - 1), expected);
        EXPECT_EQ(this->Folders()->GetCurSel(), this->Folders()->GetCount() - 1);
        EXPECT_EQ(this->Items(this->List()), (QStringList{"AK", "ak_1", "AK_2"}));
    }
    EXPECT_EQ(this->Saved(), this->ListBytes());
    EXPECT_EQ(this->Records().size(), 12u);

    // A file that is no record, and a file that cannot be written, are told
    // in the warning box on both pages; nothing changes.
    const QString junk = this->program + "junk." + TypeParam::kExt;
    QFile bad(junk);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a record");
    bad.close();
    CFileDialog::QueueAnswer(junk);
    ModalSeam::Answer(1);
    this->Command("import_%s");
    EXPECT_EQ(ModalSeam::Answered().last(), "MsgWnd");
    this->List()->SelectItem(0);
    CFileDialog::QueueAnswer(this->program + "Data.ini/x." + TypeParam::kExt);
    ModalSeam::Answer(1);
    this->Command("export_%s");
    EXPECT_EQ(ModalSeam::Answered().size(), 2);
    EXPECT_EQ(this->Records().size(), 12u);
}

TYPED_TEST(LibraryPageTest, ImportingWithoutFoldersCreatesTheStoredFolder) {
    const auto item = this->Item(u"Games", u"Jump");
    const QString path = this->program + "whatever." + TypeParam::kExt;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(&item), sizeof item);
    f.close();
    this->Open({});
    EXPECT_EQ(this->Folders()->GetCount(), 0);
    CFileDialog::QueueAnswer(path);
    this->Command("import_%s");
    ASSERT_EQ(this->Records().size(), 2u);
    EXPECT_EQ(this->At(0).isFolder, 1);
    EXPECT_EQ(this->Items(this->Folders()), QStringList{"Games"});
    EXPECT_EQ(this->Items(this->List()), QStringList{"Jump"});
    EXPECT_EQ(this->Folders()->GetCurSel(), 0);
    EXPECT_EQ(this->List()->GetCurSel(), 0);
    EXPECT_EQ(this->Page().CurrentPosition(), 1);
}

}  // namespace
}  // namespace mouse
