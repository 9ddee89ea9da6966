#pragma once

// The console of a run: a window that shows the run script's output as it arrives, answers
// the script's pause with a key press, and stops the script when it is closed. One console
// exists at a time; the next run clears and reuses it.

#include <QPointer>
#include <QProcess>
#include <QStringDecoder>
#include <QWidget>
#include <memory>

class QPlainTextEdit;

namespace corvane {

/// How a script started in the console ended; shared with the run that waits for it, so
/// that it outlives the console.
struct ConsoleRunState {
    bool ended = false;
    bool succeeded = false;
    bool stoppedByUser = false;
};

class ConsoleWindow final : public QWidget {
    Q_OBJECT

public:
    /// The open console, or a new one.
    static ConsoleWindow* Instance();
    /// The open console, or nullptr.
    static ConsoleWindow* Existing();

    ~ConsoleWindow() override;

    /// Clears the window, stops a script still running in it and runs `program` with
    /// `arguments` in `folder`, in a process group of its own. Shows the window and gives it
    /// the focus. Returns false with `error` set when the program cannot be started.
    std::shared_ptr<const ConsoleRunState> Start(const QString& program,
                                                 const QStringList& arguments,
                                                 const QString& folder, QString* error);

    /// The text shown so far.
    QString Text() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ConsoleWindow();
    void AppendOutput();
    void Append(const QString& text);
    void ScriptFinished(int exitCode, QProcess::ExitStatus status);
    /// Ends the running script and everything it started; the state records `byUser`.
    void StopScript(bool byUser);

    QPlainTextEdit* view_;
    QProcess* process_ = nullptr;
    std::shared_ptr<ConsoleRunState> state_;
    QStringDecoder decoder_{QStringDecoder::Utf8};
};

}  // namespace corvane
