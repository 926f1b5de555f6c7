// The recoil pattern plot: the running sum of per-shot offsets drawn as a
// path, so that presets can be compared by their shape. A skin places it as a
// "PatternPlot" widget; pages reach it by name as a CPatternPlotUI.
#pragma once

#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <vector>

#include "ui/controls.h"

namespace mouse {

// Running sums of the steps, starting at the origin: steps.size() + 1 points.
std::vector<QPoint> PatternPath(const std::vector<QPoint>& steps);

// Where the points of a path land in a rectangle: one scale for both axes
// (the shape stays true), the path's bounding box (origin included) centred,
// positive y downwards as the pointer moves on the screen. A path smaller
// than minSpan units on both axes is drawn as if it were minSpan wide, so a
// few small offsets do not fill the whole plot.
struct PatternLayout {
    static PatternLayout Fit(const std::vector<QPoint>& path, const QRectF& area,
                             double minSpan = 20);
    QPointF Map(QPoint p) const;
    // Units between grid lines: the smallest of 1, 2, 5, 10, 20, 50, ... whose
    // lines lie at least minPixels apart.
    int GridStep(double minPixels = 16) const;

    double scale = 1;  // pixels per unit
    QPointF centre;    // the point of the path's box that lands on areaCentre
    QPointF areaCentre;
};

class CPatternPlotUI : public CControlUI {
public:
    static constexpr ControlKind kKind = ControlKind::PatternPlot;
    CPatternPlotUI(QWidget* widget, CPaintManagerUI* manager);
    ControlKind GetKind() const override { return ControlKind::PatternPlot; }

    // Offsets of the shots in use, in order; the plot redraws.
    void SetSteps(const std::vector<QPoint>& steps);
    std::vector<QPoint> GetSteps() const;
    // Marks shot `index` (0-based; its point is path point index + 1);
    // -1 marks none.
    void SetHighlight(int index);
    int GetHighlight() const;
    // Where path point `index` (0 = the origin) lands in the control's own
    // coordinates.
    QPointF MapPathPoint(int index) const;
};

}  // namespace mouse
