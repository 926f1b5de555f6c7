// Image specs of the form "res='skins/mouse.png' dest='2,2,28,28'": the file
// (relative to the skin folder) and, optionally, the rectangle inside the
// control given as left,top,right,bottom.
#pragma once

#include <QRect>
#include <QString>

class QPainter;

namespace mouse {

struct ImageSpec {
    QString file;
    QRect dest;  // null: fill the control
    bool valid = false;
};

// Parses a spec; a bare file name (no res='...') is accepted too.
ImageSpec ParseImageSpec(const QString& spec);
// Draws the image into `bounds` (the control's rectangle); false when the
// file cannot be loaded.
bool DrawImageSpec(QPainter& painter, const ImageSpec& spec, const QRect& bounds);

}  // namespace mouse
