#include "dialogs/file_dialog.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QListWidget>
#include <QPointer>

#include "dialogs/path_helpers.h"

namespace corvane {
namespace {

FileDialogHandler& Handler() {
    static FileDialogHandler handler;
    return handler;
}

QStringList ShowRealDialog(QWidget* owner, const FileDialogRequest& request) {
    QPointer<QFileDialog> dialog = CreateSelectFilesDialog(owner, request);
    QStringList chosen;
    // The owner may go while the dialog runs its own event loop; the guard notices that.
    if (dialog->exec() == QDialog::Accepted && dialog) {
        chosen = dialog->selectedFiles();
    }
    delete dialog.data();
    return chosen;
}

// To the user "*.*" means every file, as on Windows; Qt's own matching would hide every name
// without a dot. The dialog has set the filter's patterns by the time it reports it.
void ShowEveryFileForStarDotStar(QFileDialog* dialog, const QString& nameFilter) {
    if (!nameFilter.endsWith(u"(*.*)")) {
        return;
    }
    if (auto* model = dialog->findChild<QFileSystemModel*>()) {
        model->setNameFilters({QStringLiteral("*")});
    }
}

}  // namespace

QFileDialog* CreateSelectFilesDialog(QWidget* owner, const FileDialogRequest& request) {
    auto* dialog = new QFileDialog(
        owner, request.title.isEmpty() ? QStringLiteral("Select Files") : request.title);
    dialog->setObjectName(QStringLiteral("selectFilesDialog"));
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
    dialog->setLabelText(QFileDialog::Reject, QStringLiteral("Cancel"));
    dialog->setLabelText(QFileDialog::LookIn, QStringLiteral("Look in:"));
    dialog->setLabelText(QFileDialog::FileName, QStringLiteral("File name(s):"));
    dialog->setLabelText(QFileDialog::FileType, QStringLiteral("Files of type:"));
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    dialog->setSizeGripEnabled(true);
    if (!request.initialDirectory.isEmpty()) {
        dialog->setDirectory(request.initialDirectory);
    }
    QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        ShowEveryFileForStarDotStar(dialog, filter);
    });
    if (!request.nameFilters.isEmpty()) {
        dialog->setNameFilters(request.nameFilters);
        if (request.selectedFilter >= 0 && request.selectedFilter < request.nameFilters.size()) {
            dialog->selectNameFilter(request.nameFilters.at(request.selectedFilter));
        }
        ShowEveryFileForStarDotStar(dialog, dialog->selectedNameFilter());
    }
    return dialog;
}

QStringList ChooseExistingFiles(QWidget* owner, const FileDialogRequest& request) {
    if (Handler()) {
        // Copy first: a one-shot handler clears itself while it runs.
        const FileDialogHandler handler = Handler();
        return handler(request);
    }
    return ShowRealDialog(owner, request);
}

void AddFilesFromOpenDialog(QWidget* owner, QListWidget* list, QString& initialDirectory,
                            const QStringList& nameFilters, int selectedFilter) {
    const QStringList chosen =
        ChooseExistingFiles(owner, {initialDirectory, nameFilters, selectedFilter, QString()});
    if (list == nullptr) {
        return;
    }
    // The same file may be added twice: the user decides what the list holds.
    list->addItems(chosen);
    if (!chosen.isEmpty()) {
        QString folder = GetDirectoryPart(chosen.constFirst());
        if (folder.isEmpty() && chosen.constFirst().startsWith(u'/')) {
            folder = QStringLiteral("/");  // a file in the root folder
        }
        if (!folder.isEmpty()) {
            initialDirectory = folder;
        }
    }
}

void SetFileDialogHandler(FileDialogHandler handler) {
    Handler() = std::move(handler);
}

void SetNextFileNames(const QStringList& paths) {
    Handler() = [paths](const FileDialogRequest&) {
        Handler() = nullptr;
        return paths;
    };
}

}  // namespace corvane
