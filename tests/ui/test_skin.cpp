// Skin loading and lookups, language texts, images, list-item templates and
// the file dialog seam.
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>

#include "tests/ui/ui_test_util.h"

namespace mouse::test {
namespace {

using SkinTest = UiTest;

TEST_F(SkinTest, BrokenSkinIsReportedWithItsFileAndPosition) {
    TestWnd wnd(QStringLiteral("broken.xml"));
    EXPECT_FALSE(wnd.Create(nullptr));
    ASSERT_TRUE(ErrorsMention(QStringLiteral("broken.xml")));
    // The loader's message names the line.
    EXPECT_TRUE(ErrorsMention(QStringLiteral("broken.xml"), QStringLiteral("line")));
}

TEST_F(SkinTest, MissingSkinIsReportedWithItsFile) {
    TestWnd wnd(QStringLiteral("nothing_here.xml"));
    EXPECT_FALSE(wnd.Create(nullptr));
    EXPECT_TRUE(ErrorsMention(QStringLiteral("nothing_here.xml"), QStringLiteral("cannot open")));
}

TEST_F(SkinTest, MissingControlGivesNullAndAnErrorNamingFileAndControl) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    EXPECT_EQ(wnd.FindControl(QStringLiteral("btn_nope")), nullptr);
    EXPECT_TRUE(ErrorsMention(QStringLiteral("test.xml"), QStringLiteral("btn_nope")));
    CPaintManagerUI::ClearErrors();
    EXPECT_EQ(wnd.GetPaintManager()->TryFindControl(QStringLiteral("btn_nope")), nullptr);
    EXPECT_TRUE(CPaintManagerUI::GetErrors().isEmpty());  // the optional form stays quiet
}

TEST_F(SkinTest, TypedLookupChecksTheKind) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    struct Case {
        const char* name;
        ControlKind kind;
    };
    // What each control of the test skin is.
    const Case cases[] = {
        {"btn_outside", ControlKind::Button}, {"label_outside", ControlKind::Label},
        {"opt_1", ControlKind::Option},       {"check_1", ControlKind::CheckBox},
        {"edit_1", ControlKind::Edit},        {"slider_1", ControlKind::Slider},
        {"combo_1", ControlKind::Combo},      {"list_1", ControlKind::List},
        {"tab_1", ControlKind::TabLayout},    {"palette_1", ControlKind::ColorPalette},
        {"page_a", ControlKind::Control},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CControlUI* control = wnd.FindControl(QString::fromLatin1(c.name));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->GetKind(), c.kind);
        EXPECT_TRUE(control->IsKind(c.kind));
        EXPECT_TRUE(control->IsKind(ControlKind::Control));
    }
    // A check box is an option and a button; a label is not a button.
    EXPECT_NE(wnd.FindControl<CButtonUI>(QStringLiteral("check_1")), nullptr);
    CPaintManagerUI::ClearErrors();
    EXPECT_EQ(wnd.FindControl<CButtonUI>(QStringLiteral("label_outside")), nullptr);
    EXPECT_TRUE(ErrorsMention(QStringLiteral("label_outside"), QStringLiteral("not a Button")));
    EXPECT_EQ(wnd.FindControl<CSliderUI>(QStringLiteral("edit_1")), nullptr);
}

TEST_F(SkinTest, CheckControlsCountsMissingAndWrongKinds) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    static constexpr ControlSpec specs[] = {
        {"btn_outside", ControlKind::Button},           {"opt_%d", ControlKind::Option, 1, 3},
        {"opt_%d", ControlKind::Option, 4, 5},           // two missing
        {"label_outside", ControlKind::Edit},            // wrong kind
        {"gone_btn", ControlKind::Button, 0, -1, true},  // optional: fine
    };
    const ControlTable table{"test.xml", "TestWnd", specs};
    EXPECT_EQ(wnd.GetPaintManager()->CheckControls(table), 3);
    EXPECT_TRUE(ErrorsMention(QStringLiteral("opt_5"), QStringLiteral("TestWnd")));
}

TEST_F(SkinTest, ControlOperations) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    CControlUI* page = wnd.FindControl(QStringLiteral("page_a"));
    CControlUI* btn = wnd.FindControl(QStringLiteral("btn_a"));
    EXPECT_EQ(btn->GetPos(), QRect(10, 70, 80, 24));  // in window coordinates
    EXPECT_TRUE(btn->IsVisible());
    page->Hide();
    EXPECT_FALSE(btn->IsVisible());  // its container is hidden
    page->Show();
    EXPECT_TRUE(btn->IsVisible());

    btn->SetBkColor(0xFF112233);
    EXPECT_EQ(btn->GetBkColor(), 0xFF112233u);
    EXPECT_TRUE(btn->GetWidget()->styleSheet().contains(QStringLiteral("rgba(17, 34, 51, 255)")));
    btn->SetBkColor(0);
    EXPECT_FALSE(btn->GetWidget()->styleSheet().contains(QStringLiteral("rgba")));

    auto* tab = wnd.FindControl<CTabLayoutUI>(QStringLiteral("tab_1"));
    EXPECT_EQ(tab->GetCount(), 2);
    EXPECT_TRUE(tab->SelectItem(1));
    EXPECT_EQ(tab->GetCurSel(), 1);
    EXPECT_FALSE(tab->SelectItem(2));

    btn->SetTag(42);
    btn->SetUserData(QStringLiteral("data"));
    EXPECT_EQ(btn->GetTag(), 42u);
    EXPECT_EQ(btn->GetUserData(), QStringLiteral("data"));
}

TEST_F(SkinTest, LanguageKeysResolveAndAMissingKeyShowsItself) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    // The skin's textkey property.
    EXPECT_EQ(wnd.FindControl(QStringLiteral("label_outside"))->GetText(), QStringLiteral("Hello"));
    CControlUI* btn = wnd.FindControl(QStringLiteral("btn_outside"));
    const struct {
        const char* key;
        const char* shown;
    } cases[] = {{"bye_text", "Goodbye"},
                 {"amp_text", "Tom & Jerry"},
                 {"no_such_text", "no_such_text"},
                 {"", ""}};
    for (const auto& c : cases) {
        btn->SetResourceText(QString::fromUtf8(c.key));
        EXPECT_EQ(btn->GetText(), QString::fromUtf8(c.shown)) << c.key;
        EXPECT_EQ(btn->GetTextKey(), QString::fromUtf8(c.key));
    }
    btn->SetText(QStringLiteral("finished"));
    EXPECT_EQ(btn->GetText(), QStringLiteral("finished"));
    EXPECT_TRUE(btn->GetTextKey().isEmpty());
}

TEST_F(SkinTest, LoadingTheLanguageLaterUpdatesShownKeys) {
    CResourceManager::GetInstance()->Clear();
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    CControlUI* label = wnd.FindControl(QStringLiteral("label_outside"));
    EXPECT_EQ(label->GetText(), QStringLiteral("hello_text"));
    ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguage());
    EXPECT_EQ(label->GetText(), QStringLiteral("Hello"));
}

TEST_F(SkinTest, BrokenLanguageFileIsReportedAndKeepsTheTexts) {
    auto* texts = CResourceManager::GetInstance();
    EXPECT_FALSE(texts->LoadLanguage(QStringLiteral("Language/broken_lan.xml")));
    EXPECT_TRUE(ErrorsMention(QStringLiteral("broken_lan.xml"), QStringLiteral("line 3")));
    EXPECT_EQ(texts->GetText(QStringLiteral("hello_text")), QStringLiteral("Hello"));
    EXPECT_FALSE(texts->LoadLanguage(QStringLiteral("Language/none.xml")));
    EXPECT_TRUE(ErrorsMention(QStringLiteral("none.xml")));
}

TEST_F(SkinTest, ImageSpecsParse) {
    const struct {
        const char* spec;
        bool valid;
        const char* file;
        QRect dest;
    } cases[] = {
        {"res='skins/mouse.png' dest='2,2,28,28'", true, "skins/mouse.png", QRect(2, 2, 26, 26)},
        {"dest='5,6,35,24' res='skins/keyboard_key_action.png'", true,
         "skins/keyboard_key_action.png", QRect(5, 6, 30, 18)},
        {"res='skins/move.png'", true, "skins/move.png", QRect()},
        {"skins/plain.png", true, "skins/plain.png", QRect()},
        {"res='a.png' dest='1,2,3'", false, "", QRect()},
        {"res='a.png' dest='9,9,3,3'", false, "", QRect()},
        {"res='a.png' dest='x,2,3,4'", false, "", QRect()},
        {"", false, "", QRect()},
        {"dest='1,1,2,2'", false, "", QRect()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec);
        const ImageSpec spec = ParseImageSpec(QString::fromLatin1(c.spec));
        EXPECT_EQ(spec.valid, c.valid);
        if (c.valid) {
            EXPECT_EQ(spec.file, QString::fromLatin1(c.file));
            EXPECT_EQ(spec.dest, c.dest);
        }
    }
}

TEST_F(SkinTest, ImageIsDrawnIntoItsDestRectangle) {
    CPaintManagerUI::SetResourcePath(ResDir());
    QImage canvas(40, 40, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        ASSERT_TRUE(DrawImageSpec(
            p, ParseImageSpec(QStringLiteral("res='skins/add.png' dest='20,20,40,40'")),
            canvas.rect()));
        EXPECT_FALSE(DrawImageSpec(p, ParseImageSpec(QStringLiteral("res='skins/none.png'")),
                                   canvas.rect()));
    }
    auto inked = [&](QRect r) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                if (qAlpha(canvas.pixel(x, y)) != 0) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(inked(QRect(20, 20, 20, 20)));
    EXPECT_FALSE(inked(QRect(0, 0, 20, 40)));
}

TEST_F(SkinTest, TemplateItemsGoIntoAListAndKeepTheirSubControls) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    auto* list = wnd.FindControl<CListUI>(QStringLiteral("list_1"));
    for (int i = 0; i < 3; ++i) {
        CControlUI* item =
            CDialogBuilder::Create(QStringLiteral("item.xml"), wnd.GetPaintManager());
        ASSERT_NE(item, nullptr);
        auto* key = item->FindSubControl<CLabelUI>(QStringLiteral("key"));
        ASSERT_NE(key, nullptr);
        key->SetText(QStringLiteral("key %1").arg(i));
        EXPECT_TRUE(key->SetBkImage(QStringLiteral("res='skins/mouse.png' dest='2,2,28,28'")));
        EXPECT_EQ(list->AddItem(item, 30), i);
    }
    ASSERT_EQ(list->GetCount(), 3);
    wnd.ShowWindow();
    Pump();
    // Items fill the row.
    EXPECT_EQ(list->GetItemAt(0)->GetWidget()->width(),
              list->GetItemAt(0)->GetWidget()->parentWidget()->width());
    EXPECT_EQ(list->GetItemAt(1)->FindSubControl(QStringLiteral("key"))->GetText(),
              QStringLiteral("key 1"));
    EXPECT_EQ(list->GetItemAt(1)->GetWidget()->height(), 30);
    // Sub-controls of items are not window controls.
    EXPECT_EQ(wnd.GetPaintManager()->TryFindControl(QStringLiteral("key")), nullptr);
    // Items carry the virtual window of the list (none here).
    EXPECT_EQ(CPaintManagerUI::VirtualWndOf(list->GetItemAt(0)), QString());

    list->SelectItem(1, false);
    ASSERT_TRUE(list->RemoveAt(1));
    EXPECT_EQ(list->GetItemAt(1)->FindSubControl(QStringLiteral("key"))->GetText(),
              QStringLiteral("key 2"));
    list->RemoveAll();
    Pump();
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(list->GetItemAt(0), nullptr);
    EXPECT_EQ(CDialogBuilder::Create(QStringLiteral("broken.xml"), wnd.GetPaintManager()), nullptr);
    EXPECT_TRUE(ErrorsMention(QStringLiteral("broken.xml")));
}

TEST_F(SkinTest, FileDialogSeamAnswersAndRecordsTheRequest) {
    CFileDialog::QueueAnswer(QStringLiteral("/tmp/a.pbin"));
    CFileDialog::QueueAnswer(QStringLiteral("/tmp/b"));
    CFileDialog::QueueAnswer(QString());
    EXPECT_EQ(CFileDialog::GetOpenFileName(nullptr, QStringLiteral("Profile (*.pbin)"),
                                           QStringLiteral("/tmp"), QStringLiteral("pbin")),
              QStringLiteral("/tmp/a.pbin"));
    EXPECT_FALSE(CFileDialog::LastRequest().save);
    EXPECT_EQ(CFileDialog::LastRequest().filter, QStringLiteral("Profile (*.pbin)"));
    // Saving adds the default extension to a bare name.
    EXPECT_EQ(CFileDialog::GetSaveFileName(nullptr, QStringLiteral("Macro (*.mbin)"), {},
                                           QStringLiteral("mbin"), QStringLiteral("m1")),
              QStringLiteral("/tmp/b.mbin"));
    EXPECT_TRUE(CFileDialog::LastRequest().save);
    EXPECT_EQ(CFileDialog::LastRequest().fileName, QStringLiteral("m1"));
    // An empty answer is a cancel, and stays empty.
    EXPECT_EQ(CFileDialog::GetSaveFileName(nullptr, {}, {}, QStringLiteral("mbin")), QString());
    EXPECT_EQ(CFileDialog::PendingAnswers(), 0);
}

// The real save dialog adds the extension to a bare name before it asks
// about replacing a file, so an existing "out.pbin" is never replaced by a
// name typed as "out" without the question.
TEST_F(SkinTest, TheSaveDialogNamesTheFileWithItsExtensionBeforeAccepting) {
    QTemporaryDir folder;
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    CFileDialog::Configure(dialog, {true, QStringLiteral("Profile (*.pbin)"), folder.path(),
                                    QStringLiteral("pbin"), QStringLiteral("out")});
    ASSERT_FALSE(dialog.selectedFiles().isEmpty());
    EXPECT_EQ(dialog.selectedFiles().constFirst(), folder.path() + QStringLiteral("/out.pbin"));
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
}

}  // namespace
}  // namespace mouse::test
