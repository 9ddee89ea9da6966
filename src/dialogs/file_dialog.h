#pragma once

// The multi-select file dialog of the dataset screen: Qt's own widget dialog with this
// program's title and captions, so that it looks the same on every desktop and tests can
// answer it.

#include <QString>
#include <QStringList>
#include <functional>

class QFileDialog;
class QListWidget;
class QWidget;

namespace corvane {

/// What the dialog is asked to show. Name filters have Qt's form "Description (patterns)".
struct FileDialogRequest {
    QString initialDirectory;
    QStringList nameFilters;
    int selectedFilter = 0;  // index into nameFilters
    QString title;           // empty: "Select Files"
};

/// Lets the user choose one or more existing files as `request` describes: their full paths
/// in the dialog's order, or an empty list for Cancel.
QStringList ChooseExistingFiles(QWidget* owner, const FileDialogRequest& request);

/// Lets the user choose one or more existing files, starting in `initialDirectory`, and
/// appends their full paths to `list` in the dialog's order. When files were chosen,
/// `initialDirectory` becomes their folder (without a trailing "/"); a cancel changes
/// nothing. The list scrolls horizontally to its widest entry.
void AddFilesFromOpenDialog(QWidget* owner, QListWidget* list, QString& initialDirectory,
                            const QStringList& nameFilters, int selectedFilter);

/// The dialog AddFilesFromOpenDialog shows, set up but not yet shown; for tests of its look.
QFileDialog* CreateSelectFilesDialog(QWidget* owner, const FileDialogRequest& request);

/// Answers the dialog instead of the user: the chosen full paths, or an empty list for
/// Cancel. An empty handler restores the real dialog.
using FileDialogHandler = std::function<QStringList(const FileDialogRequest&)>;
void SetFileDialogHandler(FileDialogHandler handler);

/// Answers only the next showing with `paths` (an empty list means Cancel).
void SetNextFileNames(const QStringList& paths);

}  // namespace corvane
