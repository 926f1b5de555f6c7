// Loads every skin of res/ and checks that each registered control exists in
// its skin with the kind the code expects.
#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>
#include <QWidget>
#include <set>

#include "tests/ui/skin/skin_tables.h"
#include "ui/ui.h"

namespace mouse {
namespace {

const QString kRes = QStringLiteral(MOUSE_SOURCE_DIR "/res/");

class ProbeWnd : public WindowImplBase {
public:
    explicit ProbeWnd(QString skin) : m_skin(std::move(skin)) {}
    QString GetWindowClassName() const override { return QStringLiteral("SkinProbe"); }
    QString GetSkinFile() const override { return m_skin; }

private:
    QString m_skin;
};

class SkinCheck : public ::testing::Test {
protected:
    void SetUp() override {
        CPaintManagerUI::SetResourcePath(kRes);
        CPaintManagerUI::ClearErrors();
    }
};

TEST_F(SkinCheck, EverySkinFileLoads) {
    const QStringList files = QDir(kRes).entryList({QStringLiteral("*.xml")}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& file : files) {
        ProbeWnd wnd(file);
        EXPECT_TRUE(wnd.Create(nullptr))
            << file.toStdString() << ": " << CPaintManagerUI::GetErrors().join('\n').toStdString();
    }
}

// Qt drops a whole style sheet it cannot parse, with only a warning: every
// window would lose the dark look.
QStringList g_styleWarnings;
void NoteStyleWarning(QtMsgType, const QMessageLogContext&, const QString& text) {
    if (text.contains(QLatin1String("Could not parse stylesheet"))) {
        g_styleWarnings << text;
    }
}

TEST_F(SkinCheck, TheStyleSheetParses) {
    g_styleWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(NoteStyleWarning);
    {
        ProbeWnd wnd(QStringLiteral("main.xml"));
        ASSERT_TRUE(wnd.Create(nullptr));
        wnd.GetHostWidget()->ensurePolished();
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_styleWarnings.isEmpty()) << g_styleWarnings.join('\n').toStdString();
}

TEST_F(SkinCheck, EveryDeclaredControlExistsWithItsKind) {
    std::set<std::string> skins;
    for (const ControlTable* table : ControlRegistry::Tables()) {
        SCOPED_TRACE(std::string(table->owner) + " in " + table->skin);
        skins.insert(table->skin);
        ProbeWnd wnd(QString::fromLatin1(table->skin));
        ASSERT_TRUE(wnd.Create(nullptr));
        CPaintManagerUI::ClearErrors();
        EXPECT_EQ(wnd.GetPaintManager()->CheckControls(*table), 0)
            << CPaintManagerUI::GetErrors().join('\n').toStdString();
    }
    EXPECT_TRUE(skins.count("main.xml"));
    EXPECT_TRUE(skins.count("msg.xml"));
}

TEST_F(SkinCheck, MainWindowHasEveryPageAsAVirtualWindow) {
    ProbeWnd wnd(QStringLiteral("main.xml"));
    ASSERT_TRUE(wnd.Create(nullptr));
    EXPECT_EQ(wnd.GetWindowRect().size(), QSize(800, 572));
    std::set<QString> pages;
    for (QWidget* w : wnd.GetHostWidget()->findChildren<QWidget*>()) {
        const QString name = w->property("virtualwnd").toString();
        if (!name.isEmpty()) {
            EXPECT_TRUE(pages.insert(name).second) << name.toStdString() << " appears twice";
        }
    }
    EXPECT_EQ(pages, (std::set<QString>{"ButtonPage", "PerformancePage", "LightPage", "MacroPage",
                                        "GunPage"}));
    // The tab options form one group; the overlays start hidden.
    for (const char* tab : {"key_btn", "performance_btn", "light_btn", "macro_btn", "gun_btn"}) {
        auto* option = wnd.FindControl<COptionUI>(QString::fromLatin1(tab));
        ASSERT_NE(option, nullptr);
        EXPECT_EQ(option->GetGroup(), QStringLiteral("main_tabs"));
    }
    EXPECT_FALSE(wnd.FindControl(QStringLiteral("ring_ver"))->IsVisible());
    EXPECT_FALSE(wnd.FindControl(QStringLiteral("disable_window_ver"))->IsVisible());
    EXPECT_EQ(wnd.FindControl<CTabLayoutUI>(QStringLiteral("config_tab"))->GetCount(), 3);
    EXPECT_EQ(wnd.FindControl<CTabLayoutUI>(QStringLiteral("main_tab"))->GetCount(), 3);
}

TEST_F(SkinCheck, LanguageFileLoadsAndCoversTheSkinKeys) {
    auto* texts = CResourceManager::GetInstance();
    ASSERT_TRUE(texts->LoadLanguage());
    EXPECT_GT(texts->Count(), 200);
    // Every textkey used by a skin has a text.
    const QStringList files = QDir(kRes).entryList({QStringLiteral("*.xml")}, QDir::Files);
    for (const QString& file : files) {
        ProbeWnd wnd(file);
        ASSERT_TRUE(wnd.Create(nullptr));
        for (QWidget* w : wnd.GetHostWidget()->findChildren<QWidget*>()) {
            for (const char* prop : {"textkey", "tipkey", "placeholderkey", "titlekey"}) {
                const QString key = w->property(prop).toString();
                if (!key.isEmpty()) {
                    EXPECT_TRUE(texts->HasText(key))
                        << file.toStdString() << ": " << key.toStdString();
                }
            }
        }
    }
    const QString site = texts->GetText(QStringLiteral("website_text"));
    EXPECT_TRUE(site.startsWith(QStringLiteral("https://")));
}

TEST_F(SkinCheck, BuildCopiedTheSkinFolderIntoTheProgramFolder) {
    EXPECT_TRUE(QFileInfo::exists(QStringLiteral(MOUSE_APP_DIR "/res/main.xml")));
    EXPECT_TRUE(QFileInfo::exists(QStringLiteral(MOUSE_APP_DIR "/res/Language/lan.xml")));
    EXPECT_TRUE(QFileInfo::exists(QStringLiteral(MOUSE_APP_DIR "/logo.png")));
}

}  // namespace
}  // namespace mouse
