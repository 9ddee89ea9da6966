#pragma once

// Starting the run's scripts: the one place that knows how a script is carried out on this
// platform. Linux runs them with batchrun, the run script in the console window; a Windows
// build needs only a second implementation of ScriptLauncher.

#include <QString>
#include <memory>

namespace corvane {

/// What the run sequence may ask of a started script.
class ScriptRun {
public:
    virtual ~ScriptRun() = default;
    virtual bool HasEnded() const = 0;
    /// Ended with exit status 0.
    virtual bool Succeeded() const = 0;
    /// Ended because the user closed its console window.
    virtual bool StoppedByUser() const = 0;
    /// What the script printed (kept for scripts without a window).
    virtual QString Output() const = 0;
};

class ScriptLauncher {
public:
    virtual ~ScriptLauncher() = default;
    /// Starts `script` in the console window, which takes the focus; a running earlier
    /// script in it is stopped first. Throws RunError when the script cannot be started.
    virtual std::unique_ptr<ScriptRun> StartInConsole(const QString& script,
                                                      const QString& folder) = 0;
    /// Starts `script` without a window. Throws RunError when it cannot be started.
    virtual std::unique_ptr<ScriptRun> StartHidden(const QString& script,
                                                   const QString& folder) = 0;
};

/// The launcher the run uses: the platform's, unless a test has put another in its place.
ScriptLauncher& CurrentScriptLauncher();
/// Puts `launcher` in place of the platform's; nullptr restores it. The caller keeps
/// ownership.
void SetScriptLauncherForTesting(ScriptLauncher* launcher);

}  // namespace corvane
