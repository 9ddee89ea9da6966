#pragma once

// The folder chooser of the output screen: Qt's own directory dialog, so that it looks the
// same on every desktop and tests can answer it.

#include <QString>
#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

namespace corvane {

/// Shows a modal folder chooser titled `title` with the folder `initialPath` preselected and,
/// when `newDialogStyle` is true, a button for making a new folder. Returns the chosen
/// folder's path (without a trailing "/"), or `initialPath` unchanged when the user cancels.
QString BrowseForFolder(const QString& initialPath, const QString& title, bool newDialogStyle,
                        QWidget* owner);

/// What BrowseForFolder asks; handed to a test's handler.
struct FolderBrowserRequest {
    QString initialPath;
    QString title;
    bool newDialogStyle = true;
};

/// Answers BrowseForFolder instead of the user: the chosen folder, or std::nullopt for
/// Cancel. An empty handler restores the real dialog.
using FolderBrowserHandler = std::function<std::optional<QString>(const FolderBrowserRequest&)>;
void SetFolderBrowserHandler(FolderBrowserHandler handler);

/// Answers only the next BrowseForFolder call with `folder` (an empty text means Cancel).
void SetNextFolderName(const QString& folder);

/// The dialog BrowseForFolder shows, set up but not yet shown; for tests of its look.
QFileDialog* CreateFolderBrowserDialog(const QString& initialPath, const QString& title,
                                       bool newDialogStyle, QWidget* owner);

}  // namespace corvane
