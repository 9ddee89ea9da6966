#include "run/run_sequence.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <cerrno>

#include "dialogs/message_box.h"
#include "dialogs/path_helpers.h"
#include "dialogs/pause.h"
#include "run/control_file_writer.h"
#include "run/run_error.h"
#include "run/run_error_handler.h"
#include "run/run_script.h"
#include "run/script_launcher.h"
#include "run/station_file_writer.h"

namespace corvane {
namespace {

/// The writers finish before they return, so a write that is still not marked complete
/// after this many 100 ms checks never will be.
constexpr int kWriteChecks = 10;

bool IsPlainFile(const QString& path) {
    return QFileInfo(path).isFile();
}

}  // namespace

RunSequence::RunSequence(RunSetup& setup, RunHost& host)
    : setup_(setup), host_(host), guard_(host.HostWidget()) {}

RunSequence::~RunSequence() {
    RestorePointer();
}

bool RunSequence::Alive() const {
    return guard_ && !host_.HostClosing();
}

void RunSequence::SetBusyPointer() {
    if (!busy_) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        busy_ = true;
    }
}

void RunSequence::RestorePointer() {
    if (busy_) {
        QGuiApplication::restoreOverrideCursor();
        busy_ = false;
    }
}

QString RunSequence::MarkerPath() const {
    return setup_.OutputDirectory + QString::fromUtf16(kMarkerName);
}

RunOutcome RunSequence::Run() {
    Step step = Step::StoreSettings;
    while (step != Step::Done) {
        QString description;
        int number = 0;
        try {
            switch (RunStep(step)) {
                case StepEnd::Done:
                    step = static_cast<Step>(static_cast<int>(step) + 1);
                    continue;
                case StepEnd::Declined:
                    return Cancel();
                case StepEnd::Gone:
                    return RunOutcome::Abandoned;
            }
        } catch (const RunError& error) {
            description = error.description();
            number = error.number();
        } catch (const std::exception& error) {
            description = QString::fromLocal8Bit(error.what());
            number = 0;
        }
        if (!Alive()) {
            return RunOutcome::Abandoned;
        }
        const MessageAnswer answer = RunErrorHandler(host_.HostWidget(), description, number);
        if (!Alive()) {
            return RunOutcome::Abandoned;
        }
        if (answer != MessageAnswer::Retry) {
            return Cancel();
        }
        // Retry: the same step again, from its beginning.
    }
    return RunOutcome::Finished;
}

RunOutcome RunSequence::Cancel() {
    host_.StatusLabel()->clear();
    RestorePointer();
    return RunOutcome::Cancelled;
}

RunSequence::StepEnd RunSequence::RunStep(Step step) {
    const auto ended = [](bool alive) { return alive ? StepEnd::Done : StepEnd::Gone; };
    switch (step) {
        case Step::StoreSettings:
            host_.StoreOutputSettings();
            break;
        case Step::CheckValues:
            // A value that a later file of the run refuses is refused before the first file
            // is written, so that a refused run leaves no half set of input files behind.
            CheckControlFileValues(setup_);
            RunScriptBytes(setup_.OutputDirectory, ProgramFolder(), setup_.BaseFilename);
            break;
        case Step::ConfirmReplace:
            return ConfirmReplace() ? StepEnd::Done : StepEnd::Declined;
        case Step::WriteStationFile:
            WriteStationFile(setup_);
            SessionWrittenFiles().Note(StationFilePath(setup_));
            return ended(WaitForWrite(StationFilePath(setup_)));
        case Step::WriteControlFile:
            WriteControlFile(setup_);
            SessionWrittenFiles().Note(ControlFilePath(setup_));
            return ended(WaitForWrite(ControlFilePath(setup_)));
        case Step::BusyPointer:
            SetBusyPointer();
            break;
        case Step::DeleteOldMarker:
            // The wait must end only on this run's marker.
            DeleteFileIfExists(MarkerPath());
            break;
        case Step::RunScript: {
            // A Retry after a run without marker starts the script again.
            const std::unique_ptr<ScriptRun> run = StartRunScript();
            return ended(run != nullptr && WaitForMarker(*run));
        }
        case Step::ShowFinished:
            RestorePointer();
            host_.ShowFinished({ReadEngineOutcome(MarkerPath()), reportWritten_});
            break;
        case Step::OpenListFile:
            return ended(
                OpenListFileInNotepad(setup_.OutputDirectory, ListFileName(setup_.BaseFilename)));
        case Step::Done:
            break;
    }
    return StepEnd::Done;
}

bool RunSequence::ConfirmReplace() {
    const QStringList others = FilesOfOthers(
        setup_.OutputDirectory, FilesARunReplaces(setup_.BaseFilename), SessionWrittenFiles());
    if (others.isEmpty()) {
        return true;
    }
    const QString text =
        QStringLiteral(
            "The output folder %1 holds files that this run would replace:\n\n%2\n\n"
            "Replace them?")
            .arg(setup_.OutputDirectory, ListedLines(others, others.size()));
    return ShowMessage(host_.HostWidget(), text, QStringLiteral("Replace Files"),
                       MessageKind::YesNo) == MessageAnswer::Yes;
}

bool RunSequence::WaitForWrite(const QString& what) {
    for (int check = 0; !setup_.WriteSucceeded; ++check) {
        if (check == kWriteChecks) {
            throw RunError(QStringLiteral("The file %1 was not completely written").arg(what), EIO);
        }
        PauseMilliseconds(100);
        if (!Alive()) {
            return false;
        }
    }
    return true;
}

std::unique_ptr<ScriptRun> RunSequence::StartRunScript() {
    const QString folder = setup_.OutputDirectory;
    const QString script = folder + QString::fromUtf16(kRunScriptName);
    WriteScriptFile(script, RunScriptBytes(folder, ProgramFolder(), setup_.BaseFilename));
    SessionWrittenFiles().Note(script);
    // What the engine and the script write from now on is this run's.
    scriptStamp_ = StampOf(script);
    PauseMilliseconds(500);
    if (!Alive()) {
        return nullptr;
    }
    return CurrentScriptLauncher().StartInConsole(script, folder);
}

bool RunSequence::WaitForMarker(const ScriptRun& run) {
    // The test comes first, so one poll takes three animation steps, about 900 ms.
    while (!IsPlainFile(MarkerPath())) {
        if (run.HasEnded()) {
            // The copy line may have made the marker just before the script ended.
            if (IsPlainFile(MarkerPath())) {
                break;
            }
            NoteOutputs();
            ThrowNoMarker(run);
        }
        if (!AnimateRunningStatus()) {
            return false;
        }
    }
    NoteOutputs();
    return true;
}

void RunSequence::NoteOutputs() {
    if (!scriptStamp_) {
        return;
    }
    QStringList paths;
    for (const QString& name : FilesARunReplaces(setup_.BaseFilename)) {
        paths << setup_.OutputDirectory + name;
    }
    const QString report = setup_.OutputDirectory + ReportFileName(setup_.BaseFilename);
    reportWritten_ = SessionWrittenFiles().NoteModifiedSince(paths, *scriptStamp_).contains(report);
}

void RunSequence::ThrowNoMarker(const ScriptRun& run) const {
    const QString listFile = setup_.OutputDirectory + ListFileName(setup_.BaseFilename);
    if (run.StoppedByUser()) {
        throw RunError(QStringLiteral("The run was stopped: its console window was closed "
                                      "before %1 was made")
                           .arg(MarkerPath()),
                       RunError::kFileNotFound);
    }
    if (!IsPlainFile(listFile)) {
        throw RunError(QStringLiteral("WXCHECK ended without its list file %1; its console "
                                      "window shows why")
                           .arg(listFile),
                       RunError::kFileNotFound);
    }
    throw RunError(QStringLiteral("The run script ended without copying the list file %1 to "
                                  "%2; its console window shows why")
                       .arg(listFile, MarkerPath()),
                   RunError::kFileNotFound);
}

bool RunSequence::AnimateRunningStatus() {
    for (const QString& text : {QStringLiteral("Running.  "), QStringLiteral("Running.. "),
                                QStringLiteral("Running...")}) {
        host_.StatusLabel()->setText(text);
        PauseMilliseconds(300);
        if (!Alive()) {
            return false;
        }
    }
    return true;
}

bool RunSequence::OpenListFileInNotepad(QString& folder, const QString& listFileName) {
    folder = folder.trimmed();
    if (!folder.endsWith(u'/')) {
        folder += u'/';
    }
    return OpenInViewer(folder, listFileName, QStringLiteral("list file"),
                        [this] { return Alive(); });
}

bool OpenInViewer(const QString& folder, const QString& fileName, const QString& what,
                  const std::function<bool()>& alive) {
    const QString script = folder + QString::fromUtf16(kOpenFileScriptName);
    WriteScriptFile(script, OpenFileScriptBytes(folder, fileName));
    SessionWrittenFiles().Note(script);  // in case it cannot be deleted below
    PauseMilliseconds(500);
    if (!alive()) {
        return false;
    }
    const std::unique_ptr<ScriptRun> run = CurrentScriptLauncher().StartHidden(script, folder);
    PauseMilliseconds(500);
    if (!alive()) {
        return false;
    }
    DeleteFileIfExists(script);
    if (run->HasEnded() && !run->Succeeded()) {
        // The interpreter's own report is its last line; the lines before echo the script.
        const QStringList lines = run->Output().split(u'\n', Qt::SkipEmptyParts);
        QString output = lines.isEmpty() ? QStringLiteral("the viewer could not be started")
                                         : lines.last().trimmed();
        if (output.endsWith(u'.')) {
            output.chop(1);
        }
        throw RunError(QStringLiteral("The %1 %2 could not be opened: %3")
                           .arg(what, folder + fileName, output),
                       RunError::kFileNotFound);
    }
    return true;
}

}  // namespace corvane
