// The widget behind CPatternPlotUI. Private to ui/.
#pragma once

#include <QPoint>
#include <QWidget>
#include <vector>

#include "ui/pattern_plot.h"

namespace mouse {

class PatternPlot : public QWidget {
public:
    explicit PatternPlot(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {200, 300}; }

    void SetSteps(std::vector<QPoint> steps);
    const std::vector<QPoint>& Steps() const { return m_steps; }
    void SetHighlight(int index);
    int Highlight() const { return m_highlight; }
    // The layout of the current path in the current size.
    PatternLayout Layout() const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::vector<QPoint> m_steps;
    int m_highlight = -1;
};

}  // namespace mouse
