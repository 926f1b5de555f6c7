// Draws the program's art into a res/ folder: the logo and the icons, each at
// twice the size it is shown at so it stays sharp on scaled screens.
//   mouse_make_art /path/to/res
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

const QColor kBlue(0, 170, 255);
const QColor kRed(255, 45, 85);
const QColor kInk(222, 230, 242);
const QColor kDim(132, 146, 168);

using Draw = std::function<void(QPainter&, qreal)>;  // qreal: side of the canvas

bool Save(const QString& folder, const QString& name, int w, int h, const Draw& draw) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p, std::min(w, h));
    }
    const QString path = folder + QLatin1Char('/') + name;
    if (!img.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s (%dx%d)\n", qPrintable(path), w, h);
    return true;
}

QPen Stroke(const QColor& c, qreal width) {
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A mouse seen from above inside `r`.
void MouseShape(QPainter& p, const QRectF& r, const QColor& body, const QColor& wheel, qreal line) {
    QPainterPath shell;
    shell.addRoundedRect(r, r.width() * 0.5, r.width() * 0.5);
    p.setPen(Stroke(body, line));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shell);
    const qreal splitY = r.top() + r.height() * 0.42;
    p.drawLine(QPointF(r.left() + line * 0.5, splitY), QPointF(r.right() - line * 0.5, splitY));
    p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), splitY));
    p.setPen(Qt::NoPen);
    p.setBrush(wheel);
    const qreal ww = r.width() * 0.16, wh = r.height() * 0.16;
    p.drawRoundedRect(QRectF(r.center().x() - ww / 2, r.top() + r.height() * 0.17, ww, wh), ww / 2,
                      ww / 2);
}

void Logo(QPainter& p, qreal s) {
    QPainterPath tile;
    tile.addRoundedRect(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92), s * 0.22, s * 0.22);
    QLinearGradient bg(0, 0, s, s);
    bg.setColorAt(0, QColor(28, 34, 46));
    bg.setColorAt(1, QColor(10, 12, 18));
    p.fillPath(tile, bg);
    p.setPen(Stroke(QColor(0, 170, 255, 90), s * 0.012));
    p.drawPath(tile);
    // Glow behind the mouse.
    QRadialGradient glow(QPointF(s * 0.5, s * 0.52), s * 0.42);
    glow.setColorAt(0, QColor(0, 170, 255, 70));
    glow.setColorAt(1, QColor(0, 170, 255, 0));
    p.fillPath(tile, glow);
    MouseShape(p, QRectF(s * 0.32, s * 0.17, s * 0.36, s * 0.64), kBlue, kRed, s * 0.045);
    // Speed streaks.
    p.setPen(Stroke(QColor(255, 45, 85, 200), s * 0.03));
    p.drawLine(QPointF(s * 0.14, s * 0.58), QPointF(s * 0.25, s * 0.58));
    p.drawLine(QPointF(s * 0.18, s * 0.67), QPointF(s * 0.26, s * 0.67));
    p.drawLine(QPointF(s * 0.75, s * 0.58), QPointF(s * 0.86, s * 0.58));
    p.drawLine(QPointF(s * 0.74, s * 0.67), QPointF(s * 0.82, s * 0.67));
}

void Arrow(QPainter& p, qreal w, qreal h, bool down, const QColor& c) {
    p.setPen(Stroke(c, w * 0.16));
    const qreal cx = w / 2;
    const qreal top = h * 0.14, bottom = h * 0.86;
    p.drawLine(QPointF(cx, top), QPointF(cx, bottom));
    const qreal tip = down ? bottom : top;
    const qreal back = down ? tip - h * 0.34 : tip + h * 0.34;
    p.drawLine(QPointF(cx, tip), QPointF(w * 0.18, back));
    p.drawLine(QPointF(cx, tip), QPointF(w * 0.82, back));
}

void Keycap(QPainter& p, qreal w, qreal h) {
    const qreal line = h * 0.08;
    QRectF r(line, line, w - 2 * line, h - 2 * line);
    p.setPen(Stroke(kInk, line));
    p.setBrush(QColor(255, 255, 255, 20));
    p.drawRoundedRect(r, h * 0.2, h * 0.2);
    p.setPen(Stroke(kBlue, line));
    p.drawLine(QPointF(w * 0.3, h * 0.7), QPointF(w * 0.7, h * 0.7));
}

void MoveCross(QPainter& p, qreal s) {
    p.setPen(Stroke(kInk, s * 0.08));
    const qreal c = s / 2, a = s * 0.1, b = s * 0.9, head = s * 0.14;
    p.drawLine(QPointF(c, a), QPointF(c, b));
    p.drawLine(QPointF(a, c), QPointF(b, c));
    p.setPen(Stroke(kBlue, s * 0.08));
    for (int i = 0; i < 4; ++i) {
        p.save();
        p.translate(c, c);
        p.rotate(90 * i);
        p.drawLine(QPointF(0, -(c - a)), QPointF(-head, -(c - a) + head));
        p.drawLine(QPointF(0, -(c - a)), QPointF(head, -(c - a) + head));
        p.restore();
    }
}

void Gear(QPainter& p, qreal s, const QColor& c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    const QPointF o(s / 2, s / 2);
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal r = (i % 2 == 0) ? s * 0.44 : s * 0.34;
        const qreal a0 = (i - 0.35) * M_PI / teeth, a1 = (i + 0.35) * M_PI / teeth;
        const QPointF p0 = o + QPointF(std::cos(a0), std::sin(a0)) * r;
        const QPointF p1 = o + QPointF(std::cos(a1), std::sin(a1)) * r;
        if (i == 0) {
            gear.moveTo(p0);
        } else {
            gear.lineTo(p0);
        }
        gear.lineTo(p1);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(o, s * 0.15, s * 0.15);
    p.drawPath(gear.subtracted(hole));
}

void Palette(QPainter& p, qreal s) {
    p.setPen(Stroke(kDim, s * 0.07));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(s * 0.12, s * 0.12, s * 0.76, s * 0.76));
    const QColor dots[] = {kBlue, kRed, QColor(255, 200, 0), QColor(60, 220, 120)};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        const qreal a = (i * 90 - 45) * M_PI / 180;
        p.setBrush(dots[i]);
        p.drawEllipse(QPointF(s / 2 + std::cos(a) * s * 0.2, s / 2 + std::sin(a) * s * 0.2),
                      s * 0.09, s * 0.09);
    }
}

void Minimize(QPainter& p, qreal s) {
    p.setPen(Stroke(kDim, s * 0.08));
    p.drawLine(QPointF(s * 0.25, s * 0.55), QPointF(s * 0.75, s * 0.55));
}

void CloseX(QPainter& p, qreal s) {
    p.setPen(Stroke(kDim, s * 0.08));
    p.drawLine(QPointF(s * 0.28, s * 0.28), QPointF(s * 0.72, s * 0.72));
    p.drawLine(QPointF(s * 0.72, s * 0.28), QPointF(s * 0.28, s * 0.72));
}

void Plus(QPainter& p, qreal s) {
    p.setPen(Stroke(kInk, s * 0.1));
    p.drawLine(QPointF(s * 0.5, s * 0.2), QPointF(s * 0.5, s * 0.8));
    p.drawLine(QPointF(s * 0.2, s * 0.5), QPointF(s * 0.8, s * 0.5));
}

void Trash(QPainter& p, qreal s) {
    p.setPen(Stroke(kInk, s * 0.08));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(s * 0.18, s * 0.26), QPointF(s * 0.82, s * 0.26));
    p.drawLine(QPointF(s * 0.4, s * 0.14), QPointF(s * 0.6, s * 0.14));
    QPainterPath can;
    can.moveTo(s * 0.26, s * 0.3);
    can.lineTo(s * 0.32, s * 0.86);
    can.lineTo(s * 0.68, s * 0.86);
    can.lineTo(s * 0.74, s * 0.3);
    p.drawPath(can);
}

void Dots(QPainter& p, qreal s) {
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    for (int i = 0; i < 3; ++i) {
        p.drawEllipse(QPointF(s * (0.25 + 0.25 * i), s * 0.5), s * 0.08, s * 0.08);
    }
}

void Reset(QPainter& p, qreal s) {
    p.setPen(Stroke(kInk, s * 0.09));
    p.setBrush(Qt::NoBrush);
    const QRectF r(s * 0.2, s * 0.2, s * 0.6, s * 0.6);
    p.drawArc(r, 100 * 16, 290 * 16);
    // Arrow head at the start of the arc (top, pointing left).
    const QPointF tip(s * 0.44, s * 0.2);
    p.drawLine(tip, tip + QPointF(s * 0.16, -s * 0.12));
    p.drawLine(tip, tip + QPointF(s * 0.16, s * 0.12));
}

// Tab icons, drawn in the ink colour; the style sheet tints nothing, so the
// selected state shows through the button's accent bar instead.
void TabKeys(QPainter& p, qreal s) {
    MouseShape(p, QRectF(s * 0.3, s * 0.1, s * 0.4, s * 0.8), kInk, kBlue, s * 0.07);
}

void TabPerformance(QPainter& p, qreal s) {
    p.setPen(Stroke(kInk, s * 0.08));
    p.setBrush(Qt::NoBrush);
    const QRectF r(s * 0.12, s * 0.2, s * 0.76, s * 0.76);
    p.drawArc(r, 0, 180 * 16);
    p.setPen(Stroke(kBlue, s * 0.09));
    const QPointF c = r.center();
    p.drawLine(c, c + QPointF(s * 0.22, -s * 0.22));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(c, s * 0.06, s * 0.06);
}

void TabLight(QPainter& p, qreal s) {
    p.setPen(Stroke(kInk, s * 0.08));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(s * 0.28, s * 0.1, s * 0.44, s * 0.44));
    p.drawLine(QPointF(s * 0.4, s * 0.64), QPointF(s * 0.6, s * 0.64));
    p.drawLine(QPointF(s * 0.42, s * 0.76), QPointF(s * 0.58, s * 0.76));
    p.setPen(Stroke(kBlue, s * 0.07));
    p.drawLine(QPointF(s * 0.1, s * 0.32), QPointF(s * 0.18, s * 0.32));
    p.drawLine(QPointF(s * 0.82, s * 0.32), QPointF(s * 0.9, s * 0.32));
}

void TabMacro(QPainter& p, qreal s) {
    p.setPen(Stroke(kInk, s * 0.08));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(s * 0.1, s * 0.22, s * 0.8, s * 0.56), s * 0.1, s * 0.1);
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(s * 0.3, s * 0.5), s * 0.09, s * 0.09);
    p.setBrush(kInk);
    p.drawRoundedRect(QRectF(s * 0.46, s * 0.44, s * 0.3, s * 0.12), s * 0.04, s * 0.04);
}

void TabGun(QPainter& p, qreal s) {
    p.setPen(Stroke(kInk, s * 0.07));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(s * 0.18, s * 0.18, s * 0.64, s * 0.64));
    p.drawLine(QPointF(s * 0.5, s * 0.06), QPointF(s * 0.5, s * 0.32));
    p.drawLine(QPointF(s * 0.5, s * 0.68), QPointF(s * 0.5, s * 0.94));
    p.drawLine(QPointF(s * 0.06, s * 0.5), QPointF(s * 0.32, s * 0.5));
    p.drawLine(QPointF(s * 0.68, s * 0.5), QPointF(s * 0.94, s * 0.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(s * 0.5, s * 0.5), s * 0.06, s * 0.06);
}

void Check(QPainter& p, qreal s) {
    p.setPen(Stroke(Qt::white, s * 0.14));
    p.drawLine(QPointF(s * 0.2, s * 0.52), QPointF(s * 0.42, s * 0.74));
    p.drawLine(QPointF(s * 0.42, s * 0.74), QPointF(s * 0.8, s * 0.28));
}

void ChevronDown(QPainter& p, qreal s) {
    p.setPen(Stroke(kDim, s * 0.12));
    p.drawLine(QPointF(s * 0.22, s * 0.38), QPointF(s * 0.5, s * 0.66));
    p.drawLine(QPointF(s * 0.5, s * 0.66), QPointF(s * 0.78, s * 0.38));
}

// Record button: a filled dot in a ring.
void RecordDot(QPainter& p, qreal s) {
    p.setPen(Stroke(kInk, s * 0.08));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(s * 0.5, s * 0.5), s * 0.24, s * 0.24);
}

}  // namespace

// ---- button page ------------------------------------------------------------
// The mouse seen from above, one half of the button page (376 x 344, drawn at
// twice that), with a leader line from each label row of res/main.xml to the
// button it names. Rows are 26 high at y 30 + 38 i; labels end at x 116 on
// the left and start at x 260 on the right.
struct Callout {
    qreal x, y;  // the button on the mouse
    bool left;   // from the left column
    int row;
};
const Callout kCallouts[] = {
    // Left column: left button, forward, back and the five further side keys.
    {150, 100, true, 0},
    {134, 170, true, 1},
    {134, 192, true, 2},
    {134, 214, true, 3},
    {134, 236, true, 4},
    {134, 258, true, 5},
    {134, 280, true, 6},
    {134, 302, true, 7},
    // Right column: wheel up, wheel click, right button, wheel down, DPI +,
    // DPI -, and the two keys on the right side.
    {188, 66, false, 0},
    {188, 88, false, 1},
    {228, 110, false, 2},
    {188, 112, false, 3},
    {188, 134, false, 4},
    {188, 152, false, 5},
    {244, 196, false, 6},
    {244, 224, false, 7},
};

void MouseMap(QPainter& p, const QColor& accent) {
    p.scale(2, 2);
    const QRectF body(124, 40, 128, 282);
    QPainterPath shell;
    shell.addRoundedRect(body, 60, 70);
    QLinearGradient fill(body.topLeft(), body.bottomRight());
    fill.setColorAt(0, QColor(44, 52, 68));
    fill.setColorAt(1, QColor(22, 26, 36));
    p.fillPath(shell, fill);
    p.setPen(Stroke(QColor(accent.red(), accent.green(), accent.blue(), 150), 1.6));
    p.drawPath(shell);
    // Button split and the gap between the two main buttons.
    p.setPen(Stroke(QColor(90, 104, 128), 1.2));
    p.drawLine(QPointF(body.left() + 4, 160), QPointF(body.right() - 4, 160));
    p.drawLine(QPointF(188, body.top() + 2), QPointF(188, 58));
    p.drawLine(QPointF(188, 118), QPointF(188, 124));
    // Wheel.
    p.setPen(Stroke(QColor(150, 162, 184), 1.2));
    p.setBrush(QColor(30, 36, 48));
    p.drawRoundedRect(QRectF(180, 60, 16, 58), 8, 8);
    p.setPen(Stroke(QColor(110, 122, 146), 1));
    for (qreal y = 68; y < 112; y += 6) {
        p.drawLine(QPointF(183, y), QPointF(193, y));
    }
    // DPI keys behind the wheel.
    p.setPen(Stroke(QColor(150, 162, 184), 1.1));
    p.setBrush(QColor(34, 40, 54));
    p.drawRoundedRect(QRectF(182, 127, 12, 14), 3, 3);
    p.drawRoundedRect(QRectF(182, 145, 12, 14), 3, 3);
    // Thumb keys along the left side, two on the right side.
    for (int i = 0; i < 7; ++i) {
        p.drawRoundedRect(QRectF(128, 162 + 22 * i, 12, 17), 3, 3);
    }
    p.drawRoundedRect(QRectF(238, 187, 12, 18), 3, 3);
    p.drawRoundedRect(QRectF(238, 215, 12, 18), 3, 3);
    // Leader lines: out of the label, a short level run, then to the button.
    for (const Callout& c : kCallouts) {
        const qreal rowY = 30 + 38 * c.row + 13;
        const qreal startX = c.left ? 116 : 260;
        const qreal bendX = c.left ? 120 : 256;
        QPainterPath line;
        line.moveTo(startX, rowY);
        line.lineTo(bendX, rowY);
        line.lineTo(c.x, c.y);
        p.setBrush(Qt::NoBrush);
        p.setPen(Stroke(QColor(accent.red(), accent.green(), accent.blue(), 170), 1));
        p.drawPath(line);
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawEllipse(QPointF(c.x, c.y), 2.6, 2.6);
    }
}

// The ring that marks the button under the pointer (24 x 24).
void ButtonGlow(QPainter& p, qreal s) {
    QRadialGradient glow(QPointF(s / 2, s / 2), s / 2);
    glow.setColorAt(0, QColor(255, 255, 255, 230));
    glow.setColorAt(0.25, QColor(0, 200, 255, 220));
    glow.setColorAt(0.6, QColor(0, 170, 255, 90));
    glow.setColorAt(1, QColor(0, 170, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QRectF(0, 0, s, s));
}

// The arrow of a menu item that opens a sub-menu (8 x 11).
void MenuArrow(QPainter& p, qreal w, qreal h) {
    p.setPen(Stroke(kDim, w * 0.22));
    p.drawLine(QPointF(w * 0.25, h * 0.15), QPointF(w * 0.75, h * 0.5));
    p.drawLine(QPointF(w * 0.75, h * 0.5), QPointF(w * 0.25, h * 0.85));
}

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <res folder>\n", argv[0]);
        return 2;
    }
    const QString res = QString::fromLocal8Bit(argv[1]);
    const QString skins = res + QStringLiteral("/skins");
    QDir().mkpath(skins);
    bool ok = Save(res, "logo.png", 256, 256, Logo);
    // List-item images: twice the size of their dest rectangles.
    ok &= Save(skins, "mouse.png", 52, 52, [](QPainter& p, qreal s) {
        MouseShape(p, QRectF(s * 0.28, s * 0.08, s * 0.44, s * 0.84), kInk, kBlue, s * 0.07);
    });
    ok &= Save(skins, "move.png", 52, 52, MoveCross);
    ok &= Save(skins, "macro_key_down.png", 32, 36,
               [](QPainter& p, qreal) { Arrow(p, 32, 36, true, kBlue); });
    ok &= Save(skins, "macro_key_up.png", 32, 36,
               [](QPainter& p, qreal) { Arrow(p, 32, 36, false, kRed); });
    ok &= Save(skins, "keyboard_key_action.png", 60, 36,
               [](QPainter& p, qreal) { Keycap(p, 60, 36); });
    // Title bar (shown at 20 x 20).
    ok &= Save(skins, "setting.png", 40, 40, [](QPainter& p, qreal s) { Gear(p, s, kDim); });
    ok &= Save(skins, "skin.png", 40, 40, Palette);
    ok &= Save(skins, "min.png", 40, 40, Minimize);
    ok &= Save(skins, "close.png", 40, 40, CloseX);
    // Tabs (24 x 24).
    ok &= Save(skins, "tab_key.png", 48, 48, TabKeys);
    ok &= Save(skins, "tab_performance.png", 48, 48, TabPerformance);
    ok &= Save(skins, "tab_light.png", 48, 48, TabLight);
    ok &= Save(skins, "tab_macro.png", 48, 48, TabMacro);
    ok &= Save(skins, "tab_gun.png", 48, 48, TabGun);
    // Profile bar (18 x 18).
    ok &= Save(skins, "add.png", 36, 36, Plus);
    ok &= Save(skins, "delete.png", 36, 36, Trash);
    ok &= Save(skins, "more.png", 36, 36, Dots);
    ok &= Save(skins, "reset.png", 36, 36, Reset);
    // Macro page tools (16 x 16) and the record button (14 x 14).
    ok &= Save(skins, "move_up.png", 32, 32,
               [](QPainter& p, qreal s) { Arrow(p, s, s, false, kInk); });
    ok &= Save(skins, "move_down.png", 32, 32,
               [](QPainter& p, qreal s) { Arrow(p, s, s, true, kInk); });
    ok &= Save(skins, "record.png", 28, 28, RecordDot);
    // Style sheet parts (check mark 14 x 14, combo arrow 12 x 12).
    ok &= Save(skins, "check.png", 28, 28, Check);
    ok &= Save(skins, "arrow_down.png", 24, 24, ChevronDown);
    // Button page: the mouse in each mode, the highlight and the menu arrow.
    ok &= Save(skins, "mouse_office.png", 752, 688, [](QPainter& p, qreal) { MouseMap(p, kBlue); });
    ok &= Save(skins, "mouse_game.png", 752, 688, [](QPainter& p, qreal) { MouseMap(p, kRed); });
    ok &= Save(skins, "button_glow.png", 48, 48, ButtonGlow);
    ok &= Save(skins, "menu_arrow.png", 16, 22, [](QPainter& p, qreal) { MenuArrow(p, 16, 22); });
    return ok ? 0 : 1;
}
