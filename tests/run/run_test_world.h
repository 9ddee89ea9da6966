#pragma once

// A world for tests of whole runs: a temporary program folder holding batchrun and the
// stand-in engine, a stand-in viewer first on PATH, an output folder, recorded message
// boxes, and a navigator that only records. Everything is put back on destruction.

#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <vector>

#include "dialogs/message_box.h"
#include "period/screen_test_helpers.h"
#include "shell/run_setup.h"

class QWidget;

namespace corvane::testing {

class RunTestWorld {
public:
    RunTestWorld();
    ~RunTestWorld();
    RunTestWorld(const RunTestWorld&) = delete;
    RunTestWorld& operator=(const RunTestWorld&) = delete;

    /// Puts `engine` in the program folder as the engine in place of the stand-in.
    bool UseEngine(const QString& engine);

    /// Fills the setup as the earlier screens leave it, for the output folder `folder`.
    void FillSetup(RunSetup& setup, const QString& folder) const;

    /// The output folder, ending in "/".
    QString Output() const { return root_.path() + QStringLiteral("/out/"); }
    QString Root() const { return root_.path(); }
    /// What the stand-in viewer was asked to open, or empty while it has not run.
    QString ViewerRecord() const;
    /// Waits up to `milliseconds` for the stand-in viewer to have run.
    bool WaitForViewer(int milliseconds = 10000) const;
    /// Forgets what the stand-in viewer was asked to open.
    void ClearViewerRecord() const;

    /// Every message box shown, in order; `answer` chooses the button (Cancel by default).
    std::vector<MessageRequest> messages;
    std::function<MessageAnswer(const MessageRequest&)> answer;

private:
    QTemporaryDir root_;
    QByteArray oldPath_;
};

/// Reads a whole file; empty when it cannot be read.
QByteArray ReadAll(const QString& path);
/// Writes a whole file.
void WriteAll(const QString& path, const QByteArray& bytes);

/// How long one run of the tests may take: the slowest needs about 4 s, also in the
/// sanitizer build on a busy machine.
inline constexpr int kRunDeadlineSeconds = 10;

/// Fails the test when a run has not ended within its deadline and closes every window, so
/// that the run ends as it does when its screen closes: a wait that never ends fails in
/// seconds instead of holding the test until ctest gives up.
class RunDeadline {
public:
    explicit RunDeadline(int seconds = kRunDeadlineSeconds);
    bool Passed() const { return passed_; }

private:
    QTimer timer_;
    bool passed_ = false;
};

/// Clicks `button` from the event loop and waits until the click's handler has returned,
/// so that a test can act during the handler's waits with timers. The click has a
/// RunDeadline.
bool ClickAndWait(QWidget* button);

/// Runs the deferred deletions.
void FlushDeletions();

}  // namespace corvane::testing
