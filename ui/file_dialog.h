// File dialogs for import and export. Tests queue answers so no dialog opens.
#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace mouse {

class WindowImplBase;

class CFileDialog {
public:
    struct Request {
        bool save = false;
        QString filter;      // e.g. "Profile (*.pbin)"
        QString folder;      // initial folder
        QString defaultExt;  // without the dot, e.g. "pbin"
        QString fileName;    // proposed name (save)
    };

    // The chosen path, or an empty text when the user cancels. On save, a
    // name without an extension gets defaultExt, and the proposed fileName
    // is reduced to a safe file name (SafeFileName).
    static QString GetOpenFileName(WindowImplBase* parent, const QString& filter,
                                   const QString& folder = {}, const QString& defaultExt = {});
    static QString GetSaveFileName(WindowImplBase* parent, const QString& filter,
                                   const QString& folder = {}, const QString& defaultExt = {},
                                   const QString& fileName = {});

    // Sets dialog up for request: filter, folder, and for a save the
    // proposed name and the extension added before the overwrite question.
    static void Configure(QFileDialog& dialog, const Request& request);
    // Makes dialog a modal window of its own, centred over owner's window
    // (nullptr: none), outside the program's style sheet. Qt shows the
    // desktop's file chooser instead when its platform theme offers one.
    static void PlaceOver(QFileDialog& dialog, QWidget* owner);

    // Test seam: the next dialogs answer these paths in order (an empty path
    // is a cancel) instead of opening.
    static void QueueAnswer(const QString& path);
    static int PendingAnswers();
    static void ClearAnswers();
    static Request LastRequest();
};

}  // namespace mouse
