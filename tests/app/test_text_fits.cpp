// Texts the user must read are not cut: each control shows its whole text,
// an edit its start, and an eliding label as much as fits with the whole in
// its tooltip. On the macro page's fixture, for a row of its action list.
#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>

#include <memory>

#include "device/protocol.h"
#include "macro_page_fixture.h"

namespace mouse {
namespace {

// Width a line edit draws its text in: inside the style's frame and padding
// and the two pixels QLineEdit keeps on each side.
int EditRoom(QLineEdit* edit) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = edit->rect();
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    const QRect inner = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    const QMargins margins = edit->textMargins();
    return inner.width() - margins.left() - margins.right() - 4;
}

class TextFitsTest : public MacroPageTest {};

TEST_F(TextFitsTest, ControlsShowTheirTextOrItsEndsWithTheWholeInTheTooltip) {
    const std::u16string longName(49, u'W');  // as long as a name can be
    auto profile = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*profile, 3311);
    WriteText(profile->name, u"A profile named at length, as long as a name can");
    ButtonEntry& button = profile->buttons[0];
    button.functionId = fn::kMacro;
    WriteText(button.bindingFolder, longName);
    WriteText(button.bindingName, u"Macro whose name goes on and on until the end");
    profile->dpiValue[0] = 240;  // the widest DPI text of the sensor
    WriteProfiles({profile.get()});
    Library moves;  // a macro of one move, at the widest numbers
    moves.Folder(u"F");
    moves.Macro(u"F", u"far", {Move(-32767, -32767)});
    Open(moves);
    ASSERT_FALSE(HasFatalFailure());
    SelectMacro(0);

    enum class Shows { Whole, Start, Ends };
    struct Case {
        QString control;    // by name, or "move row": the action list's row
        const char* typed;  // typed into an edit first; nullptr: the window's text
        Shows shows;
    };
    const Case cases[] = {
        {"move row", nullptr, Shows::Whole},
        {"button1_btn", nullptr, Shows::Ends},
        {"edit_profile_name", nullptr, Shows::Start},
        {"edit_insert_x", "-32768", Shows::Whole},
        {"edit_insert_y", "-32768", Shows::Whole},
        {"edit_macro_action_x", "-32768", Shows::Whole},
        {"edit_macro_action_y", "-32768", Shows::Whole},
        {"mouse_dpi_value_1", nullptr, Shows::Whole},
        {"label_dpi_left_1", nullptr, Shows::Whole},
        {"label_dpi_right_1", nullptr, Shows::Whole},
        {"label_key_respsonse", nullptr, Shows::Whole},
        {"label_lift_off_value", nullptr, Shows::Whole},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control.toStdString());
        CControlUI* control = c.control == "move row"
                                  ? Actions()->GetItemAt(0)->FindSubControl("action")
                                  : Find(c.control);
        ASSERT_NE(control, nullptr);
        if (c.typed != nullptr) {
            dynamic_cast<CEditUI*>(control)->TypeText(c.typed);
        }
        const QString text = control->GetText();
        ASSERT_FALSE(text.isEmpty());
        QWidget* widget = control->GetWidget();
        widget->ensurePolished();
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            EXPECT_EQ(edit->cursorPosition(), 0) << "an edit shows the start of its text";
            const bool whole = edit->fontMetrics().horizontalAdvance(text) <= EditRoom(edit);
            EXPECT_EQ(whole, c.shows == Shows::Whole);
            continue;
        }
        const QString shown = dynamic_cast<CLabelUI*>(control)->GetShownText();
        EXPECT_LE(widget->sizeHint().width(), widget->width()) << shown.toStdString();
        if (c.shows == Shows::Whole) {
            EXPECT_EQ(shown.toStdString(), text.toStdString());
        } else {
            EXPECT_NE(shown.toStdString(), text.toStdString());
            EXPECT_TRUE(shown.startsWith(text.left(3)) && shown.endsWith(text.right(3)))
                << shown.toStdString();
            EXPECT_EQ(control->GetToolTip().toStdString(), text.toStdString());
        }
    }
}

TEST_F(TextFitsTest, TitleBarIconsSayWhatTheyDoAndOnlyThoseThatDoAreShown) {
    Open(Library{});
    ASSERT_FALSE(HasFatalFailure());
    const QList<QPushButton*> icons = Find("title_bar")->GetWidget()->findChildren<QPushButton*>();
    ASSERT_FALSE(icons.isEmpty());
    for (QPushButton* icon : icons) {
        SCOPED_TRACE(icon->objectName().toStdString());
        CControlUI* control = Find(icon->objectName());
        // The skin button has nothing to do.
        EXPECT_EQ(control->IsVisible(), icon->objectName() != "skin_btn");
        if (control->IsVisible()) {
            EXPECT_FALSE(control->GetToolTip().isEmpty());
            EXPECT_FALSE(control->GetToolTip().endsWith("_text")) << "a language text";
        }
    }
}

}  // namespace
}  // namespace mouse
