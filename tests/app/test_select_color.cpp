// The colour picker run the way the pages run it (PickColour over a main
// window), answered through the modal seam.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

#include "performance/colour_pick.h"
#include "performance/select_color_wnd.h"
#include "ui/ui.h"

namespace mouse {
namespace {

// Stands in for the main window: its skin with the overlay.
class OwnerWnd : public WindowImplBase {
public:
    QString GetWindowClassName() const override { return QStringLiteral("Mouse Driver"); }
    QString GetSkinFile() const override { return QStringLiteral("main.xml"); }
};

QString EditText(WindowImplBase& w, const char* name) {
    auto* edit = w.FindControl<CEditUI>(QString::fromLatin1(name));
    return edit != nullptr ? edit->GetText() : QStringLiteral("<missing>");
}

void ClickIn(WindowImplBase& w, const char* name) {
    if (auto* button = w.FindControl<CButtonUI>(QString::fromLatin1(name))) {
        button->Activate();
    }
}

// Presses on the palette at `from` and drags to `to` without letting go.
void DragPalette(WindowImplBase& w, const char* name, QPoint from, QPoint to) {
    auto* palette = w.FindControl<CColorPaletteUI>(QString::fromLatin1(name));
    ASSERT_NE(palette, nullptr);
    QWidget* widget = palette->GetWidget();
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, widget->mapToGlobal(at), Qt::LeftButton, buttons, {});
        QCoreApplication::sendEvent(widget, &e);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::LeftButton);
}

class SelectColorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ModalSeam::Clear();
        CPaintManagerUI::SetResourcePath(QStringLiteral(MOUSE_SOURCE_DIR "/res/"));
        CPaintManagerUI::ClearErrors();
        ASSERT_TRUE(owner.Create(nullptr));
        owner.ShowWindow(true);
        overlay = owner.FindControl(QStringLiteral("disable_window_ver"));
        ASSERT_NE(overlay, nullptr);
        overlay->Hide();
    }
    void TearDown() override {
        ModalSeam::Clear();
        EXPECT_TRUE(CPaintManagerUI::GetErrors().isEmpty())
            << CPaintManagerUI::GetErrors().join('\n').toStdString();
    }
    OwnerWnd owner;
    CControlUI* overlay = nullptr;
};

TEST_F(SelectColorTest, OpensOnTheCallersColourAndOkReturnsIt) {
    bool overlayShown = false;
    QStringList shown;
    uint32_t preview = 0, palette = 0;
    ModalSeam::Answer(0, [&](WindowImplBase& w) {
        overlayShown = overlay->IsVisible();
        shown << EditText(w, "r_edit") << EditText(w, "g_edit") << EditText(w, "b_edit");
        preview = w.FindControl(QStringLiteral("current_color_control"))->GetBkColor();
        palette = w.FindControl<CColorPaletteUI>(QStringLiteral("color_Pallet"))->GetSelectColor();
        ClickIn(w, "ok_btn");
    });
    uint32_t colour = 0xFF00FF00u;
    EXPECT_TRUE(PickColour(&owner, colour));
    EXPECT_EQ(colour, 0xFF00FF00u);
    EXPECT_EQ(shown, (QStringList{"0", "255", "0"}));
    EXPECT_EQ(preview, 0xFF00FF00u);
    EXPECT_EQ(palette, 0xFF00FF00u);
    EXPECT_TRUE(overlayShown) << "the main window is covered while the picker is open";
    EXPECT_FALSE(overlay->IsVisible());
    EXPECT_EQ(ModalSeam::Answered(), QStringList{"SelectColorWnd"});
}

struct ChannelCase {
    const char* edit;
    const char* typed;
    const char* shown;  // the edit's text afterwards
    uint32_t colour;    // starting from 0xFF123456
};

TEST_F(SelectColorTest, TypedChannelsAreClampedAndReplaceOnlyTheirByte) {
    const ChannelCase cases[] = {
        {"r_edit", "999", "255", 0xFFFF3456u}, {"g_edit", "300", "255", 0xFF12FF56u},
        {"b_edit", "-5", "0", 0xFF123400u},    {"r_edit", "7", "7", 0xFF073456u},
        {"g_edit", "", "", 0xFF120056u},       {"b_edit", "4x", "4x", 0xFF123404u},
        {"g_edit", "255", "255", 0xFF12FF56u},
    };
    for (const ChannelCase& c : cases) {
        SCOPED_TRACE(std::string(c.edit) + " <- '" + c.typed + "'");
        QString shown;
        uint32_t preview = 0, palette = 0;
        ModalSeam::Answer(0, [&](WindowImplBase& w) {
            w.FindControl<CEditUI>(QString::fromLatin1(c.edit))
                ->TypeText(QString::fromLatin1(c.typed));
            shown = EditText(w, c.edit);
            preview = w.FindControl(QStringLiteral("current_color_control"))->GetBkColor();
            palette =
                w.FindControl<CColorPaletteUI>(QStringLiteral("color_Pallet"))->GetSelectColor();
            ClickIn(w, "ok_btn");
        });
        uint32_t colour = 0xFF123456u;
        EXPECT_TRUE(PickColour(&owner, colour));
        EXPECT_EQ(shown, QString::fromLatin1(c.shown));
        EXPECT_EQ(colour, c.colour);
        EXPECT_EQ(preview, c.colour);
        EXPECT_EQ(palette, c.colour);
    }
}

TEST_F(SelectColorTest, DraggingShowsTheColourAtOnceAndClosingOtherwiseKeepsTheOld) {
    for (const char* closer : {"cancel_btn", "exit_btn", ""}) {
        SCOPED_TRACE(closer);
        uint32_t palette = 0, preview = 0;
        QStringList shown;
        ModalSeam::Answer(0, [&](WindowImplBase& w) {
            DragPalette(w, "color_Pallet", QPoint(10, 10), QPoint(150, 40));
            palette =
                w.FindControl<CColorPaletteUI>(QStringLiteral("color_Pallet"))->GetSelectColor();
            preview = w.FindControl(QStringLiteral("current_color_control"))->GetBkColor();
            shown << EditText(w, "r_edit") << EditText(w, "g_edit") << EditText(w, "b_edit");
            if (*closer != '\0') {
                ClickIn(w, closer);
            }  // else the window system's close: the seam's 0
        });
        uint32_t colour = 0xFF808080u;
        EXPECT_FALSE(PickColour(&owner, colour));
        EXPECT_EQ(colour, 0xFF808080u);
        EXPECT_NE(palette, 0xFF808080u) << "the drag picked a colour";
        EXPECT_EQ(preview, palette);
        EXPECT_EQ(shown, (QStringList{QString::number((palette >> 16) & 0xFF),
                                      QString::number((palette >> 8) & 0xFF),
                                      QString::number(palette & 0xFF)}));
        EXPECT_FALSE(overlay->IsVisible());
    }
}

TEST(ParseChannel, ReadsDecimalLikeTheUserTypedIt) {
    struct Case {
        const char* text;
        int value;
        bool clamped;
    };
    const Case cases[] = {
        {"42", 42, false},          {"  7", 7, false},  {"+9", 9, false},    {"0", 0, false},
        {"255", 255, false},        {"256", 255, true}, {"-1", 0, true},     {"-0", 0, false},
        {"abc", 0, false},          {"", 0, false},     {"12ab", 12, false}, {"1 2", 1, false},
        {"99999999999", 255, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        bool clamped = !c.clamped;
        EXPECT_EQ(ParseChannel(QString::fromLatin1(c.text), clamped), c.value);
        EXPECT_EQ(clamped, c.clamped);
    }
}

}  // namespace
}  // namespace mouse
