// A control table whose entries name the members they fill: one walk looks
// every control up, reports what is missing or of another kind once, and
// fills the members of the kinds found.
#include <array>

#include "tests/ui/ui_test_util.h"
#include "ui/control_binding.h"

namespace mouse::test {
namespace {

using ControlBindingTest = UiTest;

struct Owner : CNotifyPump {
    struct Row {
        CComboUI* combo = nullptr;
        CSliderUI* sliders[2] = {};
    };
    CButtonUI* button = nullptr;
    std::array<COptionUI*, 3> options{};  // opt_1..opt_3
    CEditUI* edits[2] = {};
    std::array<Row, 1> rows{};
    CEditUI* wrongKind = nullptr;   // label_outside is a label
    CButtonUI* missing = nullptr;   // not in the skin
    CButtonUI* optional = nullptr;  // not in the skin, and allowed to be absent
    CControlUI* anyControl = nullptr;
};

constexpr ControlSpec kOwnerControls[] = {
    Bind<&Owner::button>("btn_outside"),
    BindEach<&Owner::options>("opt_%d", 1),
    Bind<&Owner::edits, 1>("edit_1"),
    BindEach<&Owner::rows, &Owner::Row::combo>("combo_%d", 1),
    BindEach<&Owner::rows, &Owner::Row::sliders, 1>("slider_%d", 1),
    Bind<&Owner::wrongKind>("label_outside"),
    Bind<&Owner::missing>("gone_btn"),
    Bind<&Owner::optional>("gone_too_btn").Optional(),
    Bind<&Owner::anyControl>("page_a"),
};
constexpr ControlTable kOwnerTable{"test.xml", "Owner", kOwnerControls};

TEST_F(ControlBindingTest, EntriesTakeTheKindOfTheirMember) {
    struct Case {
        int entry;
        ControlKind kind;
        int first, last;
    };
    const Case cases[] = {
        {0, ControlKind::Button, 0, -1}, {1, ControlKind::Option, 1, 3},
        {2, ControlKind::Edit, 0, -1},   {3, ControlKind::Combo, 1, 1},
        {4, ControlKind::Slider, 1, 1},  {8, ControlKind::Control, 0, -1},
    };
    for (const Case& c : cases) {
        const ControlSpec& spec = kOwnerControls[c.entry];
        SCOPED_TRACE(spec.name);
        EXPECT_EQ(spec.kind, c.kind);
        EXPECT_EQ(spec.first, c.first);
        EXPECT_EQ(spec.last, c.last);
        EXPECT_NE(spec.slot, nullptr);
    }
    EXPECT_FALSE(kOwnerControls[6].optional);
    EXPECT_TRUE(kOwnerControls[7].optional);
}

TEST_F(ControlBindingTest, OneWalkFillsTheMembersAndReportsEachProblemOnce) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    CPaintManagerUI::ClearErrors();
    Owner owner;
    EXPECT_EQ(BindControls(*wnd.GetPaintManager(), kOwnerTable, owner), 2);
    // The wrong kind and the missing control, each once, as CheckControls
    // words them; the optional one stays quiet.
    EXPECT_EQ(CPaintManagerUI::GetErrors().size(), 2);
    EXPECT_TRUE(ErrorsMention(QStringLiteral("label_outside"), QStringLiteral("not a Edit")));
    EXPECT_TRUE(ErrorsMention(QStringLiteral("gone_btn"), QStringLiteral("Owner")));
    EXPECT_FALSE(ErrorsMention(QStringLiteral("gone_too_btn")));

    CPaintManagerUI& pm = *wnd.GetPaintManager();
    struct Case {
        const char* name;  // nullptr: the member stays empty
        const CControlUI* member;
    };
    const Case cases[] = {
        {"btn_outside", owner.button},
        {"opt_1", owner.options[0]},
        {"opt_2", owner.options[1]},
        {"opt_3", owner.options[2]},
        {nullptr, owner.edits[0]},
        {"edit_1", owner.edits[1]},
        {"combo_1", owner.rows[0].combo},
        {nullptr, owner.rows[0].sliders[0]},
        {"slider_1", owner.rows[0].sliders[1]},
        {nullptr, owner.wrongKind},
        {nullptr, owner.missing},
        {nullptr, owner.optional},
        {"page_a", owner.anyControl},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        if (c.name == nullptr) {
            EXPECT_EQ(c.member, nullptr);
        } else {
            ASSERT_NE(c.member, nullptr);
            EXPECT_EQ(c.member, pm.TryFindControl(QString::fromLatin1(c.name)));
        }
    }
}

}  // namespace
}  // namespace mouse::test
