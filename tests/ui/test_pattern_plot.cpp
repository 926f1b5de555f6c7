// The recoil pattern plot: running sums, the fit into its rectangle, and the
// control as a skin holds it, checked on the pixels it draws.
#include <QImage>
#include <QWidget>

#include "tests/ui/ui_test_util.h"
#include "ui/pattern_plot.h"

namespace mouse::test {
namespace {

using PatternPlotTest = UiTest;

TEST(PatternPathTest, RunningSumsStartAtTheOrigin) {
    struct Case {
        std::vector<QPoint> steps;
        std::vector<QPoint> path;
    };
    const Case cases[] = {
        {{}, {{0, 0}}},
        {{{3, -2}}, {{0, 0}, {3, -2}}},
        {{{1, 2}, {3, -4}, {-10, 0}}, {{0, 0}, {1, 2}, {4, -2}, {-6, -2}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PatternPath(c.steps), c.path);
    }
}

TEST(PatternLayoutTest, OneScaleForBothAxesAndTheBoxCentred) {
    // 100 units wide, 40 high, in a 200 x 300 area: x decides (2 px a unit).
    const std::vector<QPoint> path = {{0, 0}, {50, 10}, {100, 40}};
    const QRectF area(10, 20, 200, 300);
    const PatternLayout layout = PatternLayout::Fit(path, area);
    EXPECT_DOUBLE_EQ(layout.scale, 2.0);
    EXPECT_EQ(layout.Map({0, 0}), QPointF(10, 170 - 40));
    EXPECT_EQ(layout.Map({100, 40}), QPointF(210, 170 + 40));
    // A right turn of the pointer stays a right turn; positive y is downwards.
    EXPECT_GT(layout.Map({50, 10}).y(), layout.Map({0, 0}).y());
}

TEST(PatternLayoutTest, EveryPointLandsInsideTheArea) {
    const std::vector<std::vector<QPoint>> paths = {
        PatternPath({{0, 127}, {0, 127}, {0, 127}, {-127, 0}}),
        PatternPath({{-127, -127}, {127, 127}, {127, -127}}),
        PatternPath({{1, 0}}),
        PatternPath({}),
    };
    const QRectF area(14, 14, 172, 272);
    for (const auto& path : paths) {
        const PatternLayout layout = PatternLayout::Fit(path, area);
        for (const QPoint& p : path) {
            const QPointF at = layout.Map(p);
            EXPECT_GE(at.x(), area.left() - 1e-9);
            EXPECT_LE(at.x(), area.right() + 1e-9);
            EXPECT_GE(at.y(), area.top() - 1e-9);
            EXPECT_LE(at.y(), area.bottom() + 1e-9);
        }
    }
}

TEST(PatternLayoutTest, SmallPatternsAreNotBlownUp) {
    // One unit right: drawn as part of a 20-unit box, not across the plot.
    const PatternLayout layout =
        PatternLayout::Fit(PatternPath({{1, 0}}), QRectF(0, 0, 200, 200), 20);
    EXPECT_DOUBLE_EQ(layout.scale, 10.0);
    EXPECT_NEAR(layout.Map({1, 0}).x() - layout.Map({0, 0}).x(), 10.0, 1e-9);
}

TEST(PatternLayoutTest, GridStepIsTheFirstRoundStepFarEnoughApart) {
    struct Case {
        double scale;
        int step;
    };
    const Case cases[] = {{20, 1}, {16, 1}, {15.9, 2}, {4, 5}, {1, 20}, {0.5, 50}, {0.1, 200}};
    for (const Case& c : cases) {
        PatternLayout layout;
        layout.scale = c.scale;
        EXPECT_EQ(layout.GridStep(16), c.step) << c.scale;
    }
}

// The colour at a point of the control's own coordinates, as drawn.
QColor PixelAt(CControlUI* control, QPointF at) {
    const QImage image = control->GetWidget()->grab().toImage();
    return image.pixelColor(at.toPoint());
}

bool Bluish(const QColor& c) {
    return c.blue() > 150 && c.red() < 140;
}
bool Reddish(const QColor& c) {
    return c.red() > 200 && c.green() < 100;
}

TEST_F(PatternPlotTest, ASkinReachesThePlotByNameAndItDrawsThePath) {
    TestWnd wnd(QStringLiteral("plot.xml"));
    ASSERT_TRUE(wnd.Create(nullptr));
    auto* plot = wnd.FindControl<CPatternPlotUI>(QStringLiteral("pattern_plot"));
    ASSERT_NE(plot, nullptr);
    EXPECT_EQ(plot->GetKind(), ControlKind::PatternPlot);
    EXPECT_TRUE(plot->IsKind(ControlKind::PatternPlot));
    EXPECT_EQ(CPaintManagerUI::VirtualWndOf(plot), QStringLiteral("PlotPage"));

    const std::vector<QPoint> steps = {{0, 20}, {0, 20}, {10, 20}, {10, 20}};
    plot->SetSteps(steps);
    EXPECT_EQ(plot->GetSteps(), steps);
    // The last shot is marked red, the middle of a segment is on the blue line.
    const QPointF last = plot->MapPathPoint(4);
    const QPointF mid = (plot->MapPathPoint(2) + plot->MapPathPoint(3)) / 2;
    EXPECT_TRUE(Reddish(PixelAt(plot, last))) << PixelAt(plot, last).name().toStdString();
    EXPECT_TRUE(Bluish(PixelAt(plot, mid))) << PixelAt(plot, mid).name().toStdString();
    // Points beyond the path have no place.
    EXPECT_EQ(plot->MapPathPoint(5), QPointF());
    EXPECT_EQ(plot->MapPathPoint(-1), QPointF());

    // A new pattern redraws: the old segment is gone.
    plot->SetSteps({{-30, 0}});
    EXPECT_FALSE(Bluish(PixelAt(plot, mid)));
    EXPECT_TRUE(Reddish(PixelAt(plot, plot->MapPathPoint(1))));
}

TEST_F(PatternPlotTest, HighlightRingsTheChosenShot) {
    TestWnd wnd(QStringLiteral("plot.xml"));
    ASSERT_TRUE(wnd.Create(nullptr));
    auto* plot = wnd.FindControl<CPatternPlotUI>(QStringLiteral("pattern_plot"));
    ASSERT_NE(plot, nullptr);
    plot->SetSteps({{0, 30}, {0, 30}, {0, 30}});
    EXPECT_EQ(plot->GetHighlight(), -1);
    // The ring is drawn 7 px left of shot 2's point, where nothing else is.
    const QPointF ring = plot->MapPathPoint(2) - QPointF(7, 0);
    const QColor before = PixelAt(plot, ring);
    plot->SetHighlight(1);
    EXPECT_EQ(plot->GetHighlight(), 1);
    const QColor after = PixelAt(plot, ring);
    EXPECT_GT(after.lightness(), before.lightness() + 60);
}

}  // namespace
}  // namespace mouse::test
