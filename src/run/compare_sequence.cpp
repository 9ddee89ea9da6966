#include "run/compare_sequence.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <memory>
#include <optional>

#include "dialogs/file_dialog.h"
#include "dialogs/message_box.h"
#include "dialogs/path_helpers.h"
#include "dialogs/pause.h"
#include "run/run_error.h"
#include "run/run_script.h"
#include "run/script_launcher.h"
#include "run/written_files.h"

namespace corvane {
namespace {

/// The busy pointer for as long as the comparison waits, however it ends.
class BusyPointer {
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

/// The other runs usually stand beside this one: the dialog starts in the folder above.
QString FolderAbove(const QString& folder) {
    QString path = folder;
    while (path.size() > 1 && path.endsWith(u'/')) {
        path.chop(1);
    }
    return QFileInfo(path).absolutePath();
}

/// The chosen files as absolute paths, so that neither the interpreter nor the engine reads
/// a name such as "-" in a way of its own.
QStringList ChooseOtherControlFiles(QWidget* owner, const ComparedRun& run) {
    const FileDialogRequest request{
        FolderAbove(run.folder),
        {QStringLiteral("Control files (*.inp)"), QStringLiteral("All files (*)")},
        0,
        QStringLiteral("Select the Control Files of the Runs to Compare"),
    };
    QStringList chosen;
    for (const QString& path : ChooseExistingFiles(owner, request)) {
        chosen << QFileInfo(path).absoluteFilePath();
    }
    return chosen;
}

/// False, after an error box that names every file at fault and why, when a file is no
/// control file the engine reads.
bool CheckControlFiles(QWidget* owner, const QStringList& controls) {
    QStringList problems;
    for (const QString& control : controls) {
        if (QString problem = ControlFileProblem(control); !problem.isEmpty()) {
            problems << problem;
        }
    }
    if (problems.isEmpty()) {
        return true;
    }
    ShowErrorMessage(owner, QStringLiteral("Nothing was compared: these files are no control "
                                           "files that the comparison can read:\n\n%1")
                                .arg(ListedLines(problems, problems.size())));
    return false;
}

bool ConfirmReplace(QWidget* owner, const ComparedRun& run) {
    const QStringList others = FilesOfOthers(run.folder, FilesAComparisonReplaces(run.baseFilename),
                                             SessionWrittenFiles());
    if (others.isEmpty()) {
        return true;
    }
    const QString text =
        QStringLiteral(
            "The output folder %1 holds files that this comparison would replace:\n\n%2\n\n"
            "Replace them?")
            .arg(run.folder, ListedLines(others, others.size()));
    return ShowMessage(owner, text, QStringLiteral("Replace Files"), MessageKind::YesNo) ==
           MessageAnswer::Yes;
}

/// Shows the three "Comparing" texts, 300 ms each; false when the screen went away.
bool AnimateStatus(QLabel* status, const std::function<bool()>& alive) {
    for (const QString& text : {QStringLiteral("Comparing.  "), QStringLiteral("Comparing.. "),
                                QStringLiteral("Comparing...")}) {
        status->setText(text);
        PauseMilliseconds(300);
        if (!alive()) {
            return false;
        }
    }
    return true;
}

}  // namespace

CompareOutcome RunComparison(QWidget* owner, QLabel* status, const ComparedRun& run,
                             const std::function<bool()>& alive) {
    CompareOutcome outcome;
    const QStringList others = ChooseOtherControlFiles(owner, run);
    if (!alive()) {
        return {CompareOutcome::Kind::Abandoned};
    }
    if (others.isEmpty()) {
        return outcome;
    }
    // The reference too: it may have been changed or removed since its run.
    if (!CheckControlFiles(owner, QStringList{run.control} + others)) {
        return outcome;
    }
    const QString script = run.folder + QString::fromUtf16(kCompareScriptName);
    std::unique_ptr<ScriptRun> started;
    std::optional<FileStamp> stamp;
    try {
        const QByteArray bytes =
            CompareScriptBytes(run.folder, ProgramFolder(), run.baseFilename, run.control, others);
        if (!ConfirmReplace(owner, run)) {
            return outcome;
        }
        WriteScriptFile(script, bytes);
        SessionWrittenFiles().Note(script);
        // What the engine writes from now on is this comparison's.
        stamp = StampOf(script);
        started = CurrentScriptLauncher().StartInConsole(script, run.folder);
    } catch (const RunError& error) {
        if (alive()) {
            ShowErrorMessage(owner, error.description() + u'.');
        }
        return outcome;
    }
    outcome.kind = CompareOutcome::Kind::Ended;
    outcome.runs = others.size() + 1;
    {
        const BusyPointer busy;
        while (!started->HasEnded()) {
            if (!AnimateStatus(status, alive)) {
                return {CompareOutcome::Kind::Abandoned};
            }
        }
    }
    const QString list = run.folder + ComparisonListName(run.baseFilename);
    const QString report = run.folder + ComparisonReportName(run.baseFilename);
    QStringList paths;
    for (const QString& name : FilesAComparisonReplaces(run.baseFilename)) {
        paths << run.folder + name;
    }
    const QStringList written =
        stamp ? SessionWrittenFiles().NoteModifiedSince(paths, *stamp) : QStringList();
    // An output of an earlier comparison must never pass for this one's.
    outcome.reportWritten = written.contains(report);
    outcome.end = ClassifyComparison(started->StoppedByUser(), started->Succeeded(),
                                     written.contains(list), outcome.reportWritten);
    return outcome;
}

}  // namespace corvane
