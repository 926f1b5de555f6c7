#include "ui/file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <QWindow>
#include <algorithm>
#include <deque>

#include "store/file_names.h"
#include "ui/window.h"

namespace mouse {
namespace {

std::deque<QString>& Answers() {
    static std::deque<QString> answers;
    return answers;
}

CFileDialog::Request& Last() {
    static CFileDialog::Request last;
    return last;
}

// The Qt dialog (when the desktop offers no chooser of its own) shows the
// sizes, types and dates whole and gives the names the rest; the places on
// the left get room for their names.
void FitColumns(QFileDialog& dialog) {
    if (auto* files = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = files->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column) {
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
    }
    if (auto* split = dialog.findChild<QSplitter*>(QStringLiteral("splitter"))) {
        const int places = std::max(170, split->widget(0)->sizeHint().width());
        split->setSizes({places, std::max(1, split->width() - places)});
    }
}

QString Run(WindowImplBase* parent, const CFileDialog::Request& request) {
    Last() = request;
    QString path;
    if (!Answers().empty()) {
        path = Answers().front();
        Answers().pop_front();
    } else {
        QFileDialog dialog;
        CFileDialog::Configure(dialog, request);
        CFileDialog::PlaceOver(dialog, parent != nullptr ? parent->GetHostWidget() : nullptr);
        // Its widgets exist once it shows (none when a desktop chooser runs).
        QTimer::singleShot(0, &dialog, [&dialog] { FitColumns(dialog); });
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            path = dialog.selectedFiles().constFirst();
        }
    }
    if (request.save && !path.isEmpty() && !request.defaultExt.isEmpty() &&
        QFileInfo(path).suffix().isEmpty()) {
        path += QLatin1Char('.') + request.defaultExt;
    }
    return path;
}

}  // namespace

void CFileDialog::Configure(QFileDialog& dialog, const Request& request) {
    dialog.setNameFilter(request.filter);
    dialog.setDirectory(request.folder);
    if (request.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The dialog adds the extension to a name typed without one before
        // it asks whether to replace an existing file, so the question is
        // about the file that will really be written.
        dialog.setDefaultSuffix(request.defaultExt);
        if (!request.fileName.isEmpty()) {
            dialog.selectFile(request.fileName);
        }
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
}

void CFileDialog::PlaceOver(QFileDialog& dialog, QWidget* owner) {
    // The dialog has no parent widget: the style sheet of the program's
    // windows would cascade into it (light text on the desktop's light
    // background). It stays on top of its owner as its transient window,
    // which is also what a desktop's own chooser is shown for.
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.resize(dialog.sizeHint().expandedTo(QSize(760, 480)));
    if (owner == nullptr) {
        return;
    }
    const QWidget* top = owner->window();
    dialog.winId();
    top->winId();
    if (dialog.windowHandle() != nullptr) {
        dialog.windowHandle()->setTransientParent(top->windowHandle());
    }
    const QRect area = top->geometry();
    dialog.move(area.x() + (area.width() - dialog.width()) / 2,
                area.y() + (area.height() - dialog.height()) / 2);
}

QString CFileDialog::GetOpenFileName(WindowImplBase* parent, const QString& filter,
                                     const QString& folder, const QString& defaultExt) {
    return Run(parent, Request{false, filter, folder, defaultExt, {}});
}

QString CFileDialog::GetSaveFileName(WindowImplBase* parent, const QString& filter,
                                     const QString& folder, const QString& defaultExt,
                                     const QString& fileName) {
    // The proposed name comes from a profile, macro or preset name, which
    // may hold '/' or "..": it must name a file in folder, nothing else.
    const QString safe = QString::fromStdU16String(SafeFileName(fileName.toStdU16String()));
    return Run(parent, Request{true, filter, folder, defaultExt, safe});
}

void CFileDialog::QueueAnswer(const QString& path) {
    Answers().push_back(path);
}

int CFileDialog::PendingAnswers() {
    return static_cast<int>(Answers().size());
}

void CFileDialog::ClearAnswers() {
    Answers().clear();
}

CFileDialog::Request CFileDialog::LastRequest() {
    return Last();
}

}  // namespace mouse
