#include "ui/pattern_plot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "ui/pattern_plot_p.h"

namespace mouse {

namespace {
// Room between the widget's edge and the drawn path, so end markers stay whole.
constexpr double kInset = 14;
}  // namespace

std::vector<QPoint> PatternPath(const std::vector<QPoint>& steps) {
    std::vector<QPoint> path;
    path.reserve(steps.size() + 1);
    QPoint at(0, 0);
    path.push_back(at);
    for (const QPoint& step : steps) {
        at += step;
        path.push_back(at);
    }
    return path;
}

PatternLayout PatternLayout::Fit(const std::vector<QPoint>& path, const QRectF& area,
                                 double minSpan) {
    int minX = 0, maxX = 0, minY = 0, maxY = 0;  // the origin is always inside
    for (const QPoint& p : path) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    const double spanX = std::max(double(maxX - minX), minSpan);
    const double spanY = std::max(double(maxY - minY), minSpan);
    PatternLayout layout;
    const double width = std::max(area.width(), 1.0);
    const double height = std::max(area.height(), 1.0);
    layout.scale = std::min(width / spanX, height / spanY);
    layout.centre = QPointF((minX + maxX) / 2.0, (minY + maxY) / 2.0);
    layout.areaCentre = area.center();
    return layout;
}

QPointF PatternLayout::Map(QPoint p) const {
    return areaCentre + (QPointF(p) - centre) * scale;
}

int PatternLayout::GridStep(double minPixels) const {
    for (int decade = 1; decade <= 100000; decade *= 10) {
        for (int m : {1, 2, 5}) {
            if (m * decade * scale >= minPixels) {
                return m * decade;
            }
        }
    }
    return 1000000;
}

// ------------------------------------------------------------------ widget

PatternPlot::PatternPlot(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_StyledBackground);
}

void PatternPlot::SetSteps(std::vector<QPoint> steps) {
    m_steps = std::move(steps);
    update();
}

void PatternPlot::SetHighlight(int index) {
    m_highlight = index;
    update();
}

PatternLayout PatternPlot::Layout() const {
    const QRectF area = QRectF(rect()).adjusted(kInset, kInset, -kInset, -kInset);
    return PatternLayout::Fit(PatternPath(m_steps), area);
}

void PatternPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(0x2a, 0x33, 0x42), 1));
    p.setBrush(QColor(0x11, 0x15, 0x1c));
    p.drawRoundedRect(frame, 8, 8);

    const std::vector<QPoint> path = PatternPath(m_steps);
    const PatternLayout layout = Layout();

    // Grid in whole units around the origin, axes through it.
    const int step = layout.GridStep();
    const QRectF inner = QRectF(rect()).adjusted(4, 4, -4, -4);
    p.save();
    p.setClipRect(inner);
    const QPointF origin = layout.Map(QPoint(0, 0));
    const double pitch = step * layout.scale;
    p.setPen(QPen(QColor(0x1c, 0x23, 0x2e), 1));
    for (double x = origin.x() - std::floor((origin.x() - inner.left()) / pitch) * pitch;
         x <= inner.right(); x += pitch) {
        p.drawLine(QPointF(x, inner.top()), QPointF(x, inner.bottom()));
    }
    for (double y = origin.y() - std::floor((origin.y() - inner.top()) / pitch) * pitch;
         y <= inner.bottom(); y += pitch) {
        p.drawLine(QPointF(inner.left(), y), QPointF(inner.right(), y));
    }
    p.setPen(QPen(QColor(0x3a, 0x45, 0x58), 1));
    p.drawLine(QPointF(origin.x(), inner.top()), QPointF(origin.x(), inner.bottom()));
    p.drawLine(QPointF(inner.left(), origin.y()), QPointF(inner.right(), origin.y()));
    p.restore();

    if (path.size() > 1) {
        QPainterPath line;
        line.moveTo(layout.Map(path[0]));
        for (size_t i = 1; i < path.size(); ++i) {
            line.lineTo(layout.Map(path[i]));
        }
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x00, 0xaa, 0xff), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(line);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x7f, 0xd4, 0xff));
        for (size_t i = 1; i + 1 < path.size(); ++i) {
            p.drawEllipse(layout.Map(path[i]), 2.5, 2.5);
        }
        // The last shot in red.
        p.setBrush(QColor(0xff, 0x2d, 0x55));
        p.drawEllipse(layout.Map(path.back()), 4, 4);
    }
    // Where the first shot starts: a white ring.
    p.setBrush(QColor(0x11, 0x15, 0x1c));
    p.setPen(QPen(Qt::white, 1.5));
    p.drawEllipse(origin, 4, 4);

    if (m_highlight >= 0 && size_t(m_highlight) + 1 < path.size()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0xff, 0xff, 0xff, 220), 1.5));
        p.drawEllipse(layout.Map(path[size_t(m_highlight) + 1]), 7, 7);
    }
}

// ------------------------------------------------------------------ wrapper

CPatternPlotUI::CPatternPlotUI(QWidget* widget, CPaintManagerUI* manager)
    : CControlUI(widget, manager) {}

void CPatternPlotUI::SetSteps(const std::vector<QPoint>& steps) {
    if (auto* plot = dynamic_cast<PatternPlot*>(m_widget)) {
        plot->SetSteps(steps);
    }
}

std::vector<QPoint> CPatternPlotUI::GetSteps() const {
    auto* plot = dynamic_cast<PatternPlot*>(m_widget);
    return plot != nullptr ? plot->Steps() : std::vector<QPoint>{};
}

void CPatternPlotUI::SetHighlight(int index) {
    if (auto* plot = dynamic_cast<PatternPlot*>(m_widget)) {
        plot->SetHighlight(index);
    }
}

int CPatternPlotUI::GetHighlight() const {
    auto* plot = dynamic_cast<PatternPlot*>(m_widget);
    return plot != nullptr ? plot->Highlight() : -1;
}

QPointF CPatternPlotUI::MapPathPoint(int index) const {
    auto* plot = dynamic_cast<PatternPlot*>(m_widget);
    if (plot == nullptr) {
        return {};
    }
    const std::vector<QPoint> path = PatternPath(plot->Steps());
    if (index < 0 || size_t(index) >= path.size()) {
        return {};
    }
    return plot->Layout().Map(path[size_t(index)]);
}

}  // namespace mouse
