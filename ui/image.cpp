#include "ui/image.h"

#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>

#include "ui/paint_manager.h"

namespace mouse {

ImageSpec ParseImageSpec(const QString& spec) {
    ImageSpec out;
    const QString text = spec.trimmed();
    if (text.isEmpty()) {
        return out;
    }
    static const QRegularExpression attr(QStringLiteral("(\\w+)\\s*=\\s*'([^']*)'"));
    bool any = false;
    for (auto it = attr.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        any = true;
        const QString key = m.captured(1).toLower();
        const QString value = m.captured(2).trimmed();
        if (key == QLatin1String("res") || key == QLatin1String("file")) {
            out.file = value;
        } else if (key == QLatin1String("dest")) {
            const QStringList parts = value.split(QLatin1Char(','));
            if (parts.size() != 4) {
                return {};
            }
            int v[4];
            for (int i = 0; i < 4; ++i) {
                bool ok = false;
                v[i] = parts[i].trimmed().toInt(&ok);
                if (!ok) {
                    return {};
                }
            }
            if (v[2] <= v[0] || v[3] <= v[1]) {
                return {};
            }
            out.dest = QRect(QPoint(v[0], v[1]), QPoint(v[2] - 1, v[3] - 1));
        }
    }
    if (!any) {
        out.file = text;  // a bare file name
    }
    out.valid = !out.file.isEmpty();
    return out;
}

bool DrawImageSpec(QPainter& painter, const ImageSpec& spec, const QRect& bounds) {
    if (!spec.valid) {
        return false;
    }
    // Images are drawn from files made at twice their size, so they stay sharp
    // on scaled screens; keep the decoded pixmaps.
    static QHash<QString, QPixmap> cache;
    const QString path = CPaintManagerUI::GetResourcePath() + spec.file;
    auto it = cache.find(path);
    if (it == cache.end()) {
        QPixmap pm;
        if (!pm.load(path)) {
            return false;
        }
        it = cache.insert(path, pm);
    }
    const QRect target = spec.dest.isNull() ? bounds : spec.dest.translated(bounds.topLeft());
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, *it);
    painter.restore();
    return true;
}

}  // namespace mouse
