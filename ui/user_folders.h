// Where exchange-file dialogs start: the user's documents folder when it
// exists, else the home folder, never the program's own stores.
#pragma once

#include <QDir>
#include <QStandardPaths>
#include <QString>

namespace mouse {

inline QString ExchangeStartFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

}  // namespace mouse
