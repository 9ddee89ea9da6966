#include "dialogs/folder_browser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>

namespace corvane {
namespace {

FolderBrowserHandler& Handler() {
    static FolderBrowserHandler handler;
    return handler;
}

// The nearest folder that exists at or above `path`; the dialog cannot open a missing one.
QString NearestExistingFolder(const QString& path) {
    QString folder = QDir::cleanPath(path);
    while (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder) {
            return {};
        }
        folder = parent;
    }
    return folder;
}

}  // namespace

QFileDialog* CreateFolderBrowserDialog(const QString& initialPath, const QString& title,
                                       bool newDialogStyle, QWidget* owner) {
    auto* dialog = new QFileDialog(owner, title);
    dialog->setObjectName(QStringLiteral("folderBrowser"));
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    // The read-only dialog has no new-folder button.
    dialog->setOption(QFileDialog::ReadOnly, !newDialogStyle);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setSizeGripEnabled(true);

    // Open in the folder above the initial one with the initial one selected, so that
    // accepting at once returns it.
    const QString initial = NearestExistingFolder(initialPath.trimmed());
    if (initial.isEmpty()) {
        dialog->setDirectory(QDir::homePath());
    } else {
        const QFileInfo info(initial);
        if (info.isRoot()) {
            dialog->setDirectory(initial);
        } else {
            dialog->setDirectory(info.path());
            dialog->selectFile(info.fileName());
        }
    }
    return dialog;
}

QString BrowseForFolder(const QString& initialPath, const QString& title, bool newDialogStyle,
                        QWidget* owner) {
    if (Handler()) {
        // Copy first: a one-shot handler clears itself while it runs.
        const FolderBrowserHandler handler = Handler();
        const std::optional<QString> answer =
            handler(FolderBrowserRequest{initialPath, title, newDialogStyle});
        return answer && !answer->isEmpty() ? *answer : initialPath;
    }

    QPointer<QFileDialog> dialog =
        CreateFolderBrowserDialog(initialPath, title, newDialogStyle, owner);
    QString result;
    // The owner may be destroyed while the dialog runs its own event loop; the guard keeps
    // the dialog from being used after that.
    if (dialog->exec() == QDialog::Accepted && dialog) {
        const QStringList chosen = dialog->selectedFiles();
        if (!chosen.isEmpty()) {
            result = QDir::cleanPath(chosen.constFirst());
        }
    }
    delete dialog.data();
    return result.isEmpty() ? initialPath : result;
}

void SetFolderBrowserHandler(FolderBrowserHandler handler) {
    Handler() = std::move(handler);
}

void SetNextFolderName(const QString& folder) {
    Handler() = [folder](const FolderBrowserRequest&) -> std::optional<QString> {
        Handler() = nullptr;
        if (folder.isEmpty()) {
            return std::nullopt;
        }
        return folder;
    };
}

}  // namespace corvane
