#pragma once

// One evaluation run, from the stored output settings to the list file in the viewer: the
// writers, the run script in its console, the wait for the completion marker with the
// status animation, and the viewer. Every failure goes to the run error handler, whose
// Retry runs the failed step again and whose Cancel ends the run.

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "run/engine_outcome.h"
#include "run/written_files.h"
#include "shell/run_setup.h"

class QLabel;
class QWidget;

namespace corvane {

class ScriptRun;

/// A run that ended with its marker.
struct FinishedRun {
    EngineOutcome outcome;       ///< as the marker's last line states it
    bool reportWritten = false;  ///< the engine wrote ROOT_report.html in this run
};

/// What the run needs of its screen.
class RunHost {
public:
    virtual ~RunHost() = default;
    /// The screen's window: the owner of the error box. The run watches it and stops
    /// quietly once it is deleted or closing.
    virtual QWidget* HostWidget() = 0;
    virtual bool HostClosing() const = 0;
    virtual void StoreOutputSettings() = 0;
    /// The label that shows the run's progress.
    virtual QLabel* StatusLabel() = 0;
    /// Shows how the run ended (the status, EXIT and VIEW REPORT).
    virtual void ShowFinished(const FinishedRun& run) = 0;
};

enum class RunOutcome {
    Finished,   // the list file is in the viewer
    Cancelled,  // the user chose Cancel in the error box, or not to replace files
    Abandoned,  // the screen closed during a wait: nothing of it may be touched
};

/// Opens `folder` + `fileName` in the viewer, as the run opens its list file: writes
/// open_file.bat, starts it without a window and deletes it again, waiting 500 ms before
/// and after the start. Returns false when `alive` says after a wait that the screen went
/// away. Throws RunError when the script cannot be written or the viewer reports a
/// failure; `what` names the file in that message ("list file").
bool OpenInViewer(const QString& folder, const QString& fileName, const QString& what,
                  const std::function<bool()>& alive);

class RunSequence {
public:
    RunSequence(RunSetup& setup, RunHost& host);
    ~RunSequence();
    RunSequence(const RunSequence&) = delete;
    RunSequence& operator=(const RunSequence&) = delete;

    RunOutcome Run();

private:
    enum class Step {
        StoreSettings,
        CheckValues,
        ConfirmReplace,  // asks before files of others in the output folder are replaced
        WriteStationFile,
        WriteControlFile,
        BusyPointer,
        DeleteOldMarker,
        RunScript,  // writes and starts run_wxcheck.bat, then waits for the marker
        ShowFinished,
        OpenListFile,
        Done,
    };

    enum class StepEnd {
        Done,
        Declined,  // the user chose not to replace files: the run ends as by Cancel
        Gone,      // the screen went away during the step
    };

    StepEnd RunStep(Step step);
    /// Ends the run as the error box's Cancel does: the status cleared, the pointer back.
    RunOutcome Cancel();
    /// Asks once whether files of others may be replaced; false when the user said no.
    bool ConfirmReplace();
    bool WaitForWrite(const QString& what);
    /// Writes run_wxcheck.bat and starts it; nullptr when the screen went away.
    std::unique_ptr<ScriptRun> StartRunScript();
    /// Animates the status until the marker exists; false when the screen went away.
    bool WaitForMarker(const ScriptRun& run);
    /// Shows the three "Running" texts, 300 ms each; false when the screen went away.
    bool AnimateRunningStatus();
    bool OpenListFileInNotepad(QString& folder, const QString& listFileName);
    /// Notes the outputs the engine and the script wrote since the run script was written.
    void NoteOutputs();
    /// The ended script left no marker: why, as the user can act on it.
    [[noreturn]] void ThrowNoMarker(const ScriptRun& run) const;

    bool Alive() const;
    void SetBusyPointer();
    void RestorePointer();
    QString MarkerPath() const;

    RunSetup& setup_;
    RunHost& host_;
    QPointer<QWidget> guard_;
    bool busy_ = false;
    std::optional<FileStamp> scriptStamp_;  // run_wxcheck.bat as this run wrote it
    bool reportWritten_ = false;
};

}  // namespace corvane
