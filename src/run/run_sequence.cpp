#include "run/run_sequence.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <cerrno>

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
            if (!RunStep(step)) {
                return RunOutcome::Abandoned;
            }
            step = static_cast<Step>(static_cast<int>(step) + 1);
            continue;
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
            host_.StatusLabel()->clear();
            RestorePointer();
            return RunOutcome::Cancelled;
        }
        // Retry: the same step again, from its beginning.
    }
    return RunOutcome::Finished;
}

bool RunSequence::RunStep(Step step) {
    switch (step) {
        case Step::StoreSettings:
            host_.StoreOutputSettings();
            return true;
        case Step::WriteStationFile:
            // A value that a later file of the run refuses is refused before the first file
            // is written, so that a refused run leaves no half set of input files behind.
            CheckControlFileValues(setup_);
            RunScriptBytes(setup_.OutputDirectory, ProgramFolder(), setup_.BaseFilename);
            WriteStationFile(setup_);
            return WaitForWrite(StationFilePath(setup_));
        case Step::WriteControlFile:
            WriteControlFile(setup_);
            return WaitForWrite(ControlFilePath(setup_));
        case Step::BusyPointer:
            SetBusyPointer();
            return true;
        case Step::DeleteOldMarker:
            // The wait must end only on this run's marker.
            DeleteFileIfExists(MarkerPath());
            return true;
        case Step::RunScript: {
            // A Retry after a run without marker starts the script again.
            const std::unique_ptr<ScriptRun> run = StartRunScript();
            return run != nullptr && WaitForMarker(*run);
        }
        case Step::ShowFinished:
            RestorePointer();
            host_.StatusLabel()->setText(QStringLiteral("Finished"));
            host_.ShowExitButton();
            return true;
        case Step::OpenListFile:
            return OpenListFileInNotepad(setup_.OutputDirectory, ListFileName(setup_.BaseFilename));
        case Step::Done:
            return true;
    }
    return true;
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
            ThrowNoMarker(run);
        }
        if (!AnimateRunningStatus()) {
            return false;
        }
    }
    return true;
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
    const QString script = folder + QString::fromUtf16(kOpenFileScriptName);
    WriteScriptFile(script, OpenFileScriptBytes(folder, listFileName));
    PauseMilliseconds(500);
    if (!Alive()) {
        return false;
    }
    const std::unique_ptr<ScriptRun> run = CurrentScriptLauncher().StartHidden(script, folder);
    PauseMilliseconds(500);
    if (!Alive()) {
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
        throw RunError(QStringLiteral("The list file %1 could not be opened: %2")
                           .arg(folder + listFileName, output),
                       RunError::kFileNotFound);
    }
    return true;
}

}  // namespace corvane
