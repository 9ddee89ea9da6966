#pragma once

// One evaluation run, from the stored output settings to the list file in the viewer: the
// writers, the run script in its console, the wait for the completion marker with the
// status animation, and the viewer. Every failure goes to the run error handler, whose
// Retry runs the failed step again and whose Cancel ends the run.

#include <QPointer>
#include <QString>
#include <memory>

#include "shell/run_setup.h"

class QLabel;
class QWidget;

namespace corvane {

class ScriptRun;

/// What the run needs of its screen.
class RunHost {
public:
    virtual ~RunHost() = default;
    /// The screen's window: the owner of the error box. The run watches it and stops
    /// quietly once it is deleted or closing.
    virtual QWidget* HostWidget() = 0;
    virtual bool HostClosing() const = 0;
    virtual void StoreOutputSettings() = 0;
    virtual QLabel* StatusLabel() = 0;
    virtual void ShowExitButton() = 0;
};

enum class RunOutcome {
    Finished,   // the list file is in the viewer
    Cancelled,  // the user chose Cancel in the error box
    Abandoned,  // the screen closed during a wait: nothing of it may be touched
};

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
        WriteStationFile,
        WriteControlFile,
        BusyPointer,
        DeleteOldMarker,
        RunScript,  // writes and starts run_wxcheck.bat, then waits for the marker
        ShowFinished,
        OpenListFile,
        Done,
    };

    /// Carries out one step; false when the screen went away during it.
    bool RunStep(Step step);
    bool WaitForWrite(const QString& what);
    /// Writes run_wxcheck.bat and starts it; nullptr when the screen went away.
    std::unique_ptr<ScriptRun> StartRunScript();
    /// Animates the status until the marker exists; false when the screen went away.
    bool WaitForMarker(const ScriptRun& run);
    /// Shows the three "Running" texts, 300 ms each; false when the screen went away.
    bool AnimateRunningStatus();
    bool OpenListFileInNotepad(QString& folder, const QString& listFileName);
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
};

}  // namespace corvane
