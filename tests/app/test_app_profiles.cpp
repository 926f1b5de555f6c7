// Per-application profiles in the main window: the switches a window in
// front makes (with a fake source and the rest timer fired by hand), and the
// rules dialog driven through its controls.
#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QScopeGuard>

#include "app/rules_wnd.h"
#include "macro_page_fixture.h"
#include "profiles_fixture.h"

namespace mouse {
namespace {

// The window in front as a test sets it.
struct Front {
    ActiveWindowSource::Listener listener;
    ActiveWindow current;
    void Show(const std::string& app) {
        current = {app, app + " window", ""};
        if (listener) {
            listener(current);
        }
    }
};

class FakeSource final : public ActiveWindowSource {
public:
    explicit FakeSource(Front& front) : front_(front) {}
    ~FakeSource() override { Stop(); }
    const char* Name() const override { return "test"; }
    bool Start(Listener changed, std::string&) override {
        front_.listener = std::move(changed);
        return true;
    }
    void Stop() override { front_.listener = nullptr; }
    ActiveWindow Current() const override { return front_.current; }
    std::vector<std::string> OpenApplications() const override { return {"XEyes", "XLogo"}; }

private:
    Front& front_;
};

class AppProfilesTest : public MacroPageTest {
protected:
    // Profiles Work, Game and Desk; XLogo plays with Game, XEyes works with Work.
    void Start(bool withSource = true) {
        auto work = profilestest::Named(u"Work"), game = profilestest::Named(u"Game", 3),
             desk = profilestest::Named(u"Desk", 5);
        WriteProfiles({work.get(), game.get(), desk.get()});
        ASSERT_TRUE(SaveAppRules(RulesFile(), kRules));
        windowSource = nullptr;
        if (withSource) {
            windowSource = [this](std::string&) { return std::make_unique<FakeSource>(front); };
        }
        CPaintManagerUI::SetManualTimers(true);
        Library lib;
        lib.Folder(u"F");
        lib.Macro(u"F", u"m");
        Open(lib);
    }
    std::filesystem::path RulesFile() const {
        return std::filesystem::path(program.toStdString()) / "Data" / kAppRulesFile;
    }
    bool Rest() { return wnd->FireTimer(CMainWnd::kFocusRestTimer); }
    int Index() const { return wnd->CurrentProfileIndex(); }

    const AppRules kRules{true, std::nullopt, {{"XLogo", "", "Game"}, {"XEyes", "", "Work"}}};
    Front front;
};

TEST_F(AppProfilesTest, TheWindowInFrontSwitchesOnceItRestsAndNeverAgainstTheUser) {
    // The Wayland app id of the program's windows.
    const QString desktopId = QGuiApplication::desktopFileName();
    QGuiApplication::setDesktopFileName("test.desktop.id");
    const auto restore = qScopeGuard([&] { QGuiApplication::setDesktopFileName(desktopId); });
    StartMouse();
    Start();
    ASSERT_FALSE(HasFatalFailure());
    struct Step {
        const char* what;
        std::function<void()> act;
        int index;         // the current profile afterwards
        uint32_t applies;  // the applies the mouse got so far
    } steps[] = {
        {"five quick changes apply once",
         [&] {
             for (const char* app : {"XEyes", "XLogo", "XEyes", "Other", "XLogo"}) {
                 front.Show(app);
             }
             EXPECT_EQ(Index(), 0) << "nothing before the rest";
             EXPECT_TRUE(Rest());
             ASSERT_NE(wnd->DpiPopup(), nullptr);
             EXPECT_EQ(wnd->DpiPopup()->GetText(), "Game");
         },
         1, 1},
        {"no rule, no default: left as it is", [&] { front.Show("Other"), Rest(); }, 1, 1},
        {"never to the current profile", [&] { front.Show("XLogo"), Rest(); }, 1, 1},
        {"the program's own window changes nothing (its X11 class or Wayland app id)",
         [&] {
             for (const QString& own :
                  {QCoreApplication::applicationName(), QGuiApplication::desktopFileName()}) {
                 front.Show(own.toStdString());
                 EXPECT_FALSE(Rest()) << own.toStdString();
             }
         },
         1, 1},
        {"a profile picked by hand stays",
         [&] { Find<CComboUI>("profile_combo")->SelectItem(2), Rest(); }, 2, 1},
        {"back from the program's window, the same application keeps it",
         [&] {
             front.Show(QCoreApplication::applicationName().toStdString());
             front.Show("xlogo");
             EXPECT_FALSE(Rest());
         },
         2, 1},
        {"until the window in front changes", [&] { front.Show("XEyes"), Rest(); }, 0, 2},
        {"a dialog holds the switch until it closes",
         [&] {
             ModalSeam::Answer(0, [&](WindowImplBase&) {
                 front.Show("XLogo");
                 EXPECT_TRUE(Rest());
                 EXPECT_EQ(Index(), 0);
             });
             wnd->OpenRulesDialog();
             EXPECT_TRUE(Rest());
         },
         1, 3},
        {"a recording holds it until it ends",
         [&] {
             SelectMacro(0);
             Find<CCheckBoxUI>("btn_record")->Activate();
             ASSERT_TRUE(Page().IsRecording());
             front.Show("XEyes");
             EXPECT_TRUE(Rest());
             EXPECT_EQ(Index(), 1);
             Find<CCheckBoxUI>("btn_record")->Activate();
             EXPECT_TRUE(Rest());
         },
         0, 4},
        {"switched off: nothing",
         [&] {
             AppRules off = kRules;
             off.enabled = false;
             wnd->SetApplicationRules(off);
             front.Show("XLogo"), Rest();
         },
         0, 4},
        {"a deleted profile's rules go, and the user is told",
         [&] {
             Find<CComboUI>("profile_combo")->SelectItem(1);
             AnswerNextMessage(1);
             AnswerNextMessage(1);
             Click("btn_delete_profile");
             ASSERT_TRUE(test::WaitFor([&] { return messages.size() == 2; }));
             EXPECT_TRUE(messages[1].contains("\"Game\"") && messages[1].contains("XLogo"))
                 << messages[1].toStdString();
             EXPECT_EQ(LoadAppRules(RulesFile(), {}).rules.rules,
                       (std::vector<AppRule>{{"XEyes", "", "Work"}}));
             EXPECT_FALSE(Rest()) << "the rules following a delete switch nothing";
         },
         1, 4},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(Index(), s.index);
        EXPECT_TRUE(test::WaitFor([&] { return Closings() == s.applies; })) << Closings();
    }
}

TEST_F(AppProfilesTest, TheDialogEditsTheRulesThroughItsControls) {
    struct Case {
        const char* what;
        bool source;
        std::function<void(CAppRulesWnd&)> act;  // then OK
        AppRules saved;
    } cases[] = {
        {"choose from the open applications",
         true,
         [](CAppRulesWnd& d) {
             d.FindControl<CComboUI>("rules_open_combo")->SelectItem(0);
             d.FindControl<CComboUI>("rules_profile_combo")->SelectItem(2);
             d.FindControl<CButtonUI>("rules_set_btn")->Activate();
         },
         {true, std::nullopt, {{"XLogo", "", "Game"}, {"XEyes", "", "Desk"}}}},
        {"a typed id; another profile for a rule",
         true,
         [](CAppRulesWnd& d) {
             d.FindControl<CEditUI>("rules_app_edit")->TypeText(" steam_app_1 ");
             d.FindControl<CComboUI>("rules_profile_combo")->SelectItem(0);
             d.FindControl<CButtonUI>("rules_set_btn")->Activate();
             d.FindControl<CListUI>("rules_list")->SelectItem(0);
             d.FindControl<CComboUI>("rules_profile_combo")->SelectItem(2);
             d.FindControl<CButtonUI>("rules_set_btn")->Activate();
         },
         {true,
          std::nullopt,
          {{"XLogo", "", "Desk"}, {"XEyes", "", "Work"}, {"steam_app_1", "", "Work"}}}},
        {"remove, the default and the switch",
         true,
         [](CAppRulesWnd& d) {
             d.FindControl<CListUI>("rules_list")->SelectItem(1);
             d.FindControl<CButtonUI>("rules_remove_btn")->Activate();
             d.FindControl<CComboUI>("rules_default_combo")->SelectItem(3);
             d.FindControl<CCheckBoxUI>("rules_enabled")->Activate();
         },
         {false, "Desk", {{"XLogo", "", "Game"}}}},
        {"without a source the switch cannot be turned on",
         false,
         [](CAppRulesWnd& d) {
             auto* enabled = d.FindControl<CCheckBoxUI>("rules_enabled");
             EXPECT_FALSE(enabled->IsEnabled());
             EXPECT_FALSE(enabled->GetCheck());
             EXPECT_EQ(d.FindControl<CLabelUI>("rules_front_label")->GetText(),
                       "No window source in this test.");
         },
         {true, std::nullopt, {{"XLogo", "", "Game"}, {"XEyes", "", "Work"}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        wnd.reset();
        Start(c.source);
        ASSERT_FALSE(HasFatalFailure());
        front.Show("XLogo");
        ModalSeam::Answer(0, [&](WindowImplBase& w) {
            auto& dialog = dynamic_cast<CAppRulesWnd&>(w);
            if (c.source) {
                EXPECT_EQ(dialog.FindControl<CLabelUI>("rules_front_label")->GetText(),
                          test::MainWndTest::Text(QString("app_rules_front_text")).arg("XLogo"));
            }
            c.act(dialog);
            dialog.FindControl<CButtonUI>("ok_btn")->Activate();
        });
        wnd->OpenRulesDialog();
        EXPECT_EQ(wnd->ApplicationRules(), c.saved);
        EXPECT_EQ(LoadAppRules(RulesFile(), {"Work", "Game", "Desk"}).rules, c.saved);
    }
}

TEST_F(AppProfilesTest, ADamagedRulesFileIsToldAtStartKeptAsideAndWhatWasReadStays) {
    // The same application twice: the file is not usable whole.
    const QByteArray damaged = R"({"enabled": true, "rules": [{"app": "XLogo", "profile": "Work"},
                                                        {"app": "XLogo", "profile": "Game"}]})";
    profilestest::WriteAll(program + "Data/app-rules.json", damaged);
    AnswerNextMessage(1);
    Create();
    ASSERT_TRUE(test::WaitFor([&] { return !messages.isEmpty(); }));
    EXPECT_TRUE(messages[0].contains("kept as app-rules.json.damaged"))
        << messages[0].toStdString();
    EXPECT_EQ(test::ReadAll(program + "Data/app-rules.json.damaged"), damaged);
    // What could be read is the rules file now, for the next start.
    ASSERT_FALSE(wnd->ApplicationRules().rules.empty());
    const AppRulesLoad next = LoadAppRules(RulesFile(), {"Work", "Game"});
    EXPECT_TRUE(next.messages.empty());
    EXPECT_EQ(next.rules, wnd->ApplicationRules());
}

}  // namespace
}  // namespace mouse
