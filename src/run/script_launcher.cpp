#include "run/script_launcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <cerrno>

#include "dialogs/path_helpers.h"
#include "run/console_window.h"
#include "run/run_error.h"

namespace corvane {
namespace {

QString InterpreterPath() {
    return QDir(ProgramFolder()).filePath(QStringLiteral("batchrun"));
}

[[noreturn]] void ThrowCannotStart(const QString& script, const QString& reason) {
    throw RunError(QStringLiteral("Cannot start the script %1 with %2: %3")
                       .arg(script, InterpreterPath(), reason),
                   ENOENT);
}

class ConsoleScriptRun final : public ScriptRun {
public:
    explicit ConsoleScriptRun(std::shared_ptr<const ConsoleRunState> state)
        : state_(std::move(state)) {}
    bool HasEnded() const override { return state_->ended; }
    bool Succeeded() const override { return state_->succeeded; }
    bool StoppedByUser() const override { return state_->stoppedByUser; }
    QString Output() const override {
        const ConsoleWindow* console = ConsoleWindow::Existing();
        return console != nullptr ? console->Text() : QString();
    }

private:
    std::shared_ptr<const ConsoleRunState> state_;
};

struct HiddenRunState {
    bool ended = false;
    bool succeeded = false;
    QString output;
};

class HiddenScriptRun final : public ScriptRun {
public:
    explicit HiddenScriptRun(std::shared_ptr<const HiddenRunState> state)
        : state_(std::move(state)) {}
    bool HasEnded() const override { return state_->ended; }
    bool Succeeded() const override { return state_->succeeded; }
    bool StoppedByUser() const override { return false; }
    QString Output() const override { return state_->output; }

private:
    std::shared_ptr<const HiddenRunState> state_;
};

class BatchrunLauncher final : public ScriptLauncher {
public:
    std::unique_ptr<ScriptRun> StartInConsole(const QString& script,
                                              const QString& folder) override {
        QString error;
        auto state = ConsoleWindow::Instance()->Start(InterpreterPath(), {script}, folder, &error);
        if (!error.isEmpty()) {
            ThrowCannotStart(script, error);
        }
        return std::make_unique<ConsoleScriptRun>(std::move(state));
    }

    std::unique_ptr<ScriptRun> StartHidden(const QString& script, const QString& folder) override {
        // The application owns the process: it may outlive the run that started it.
        auto* process = new QProcess(QCoreApplication::instance());
        auto state = std::make_shared<HiddenRunState>();
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->setWorkingDirectory(folder);
        QObject::connect(process, &QProcess::finished, process,
                         [process, state](int exitCode, QProcess::ExitStatus status) {
                             state->output += QString::fromUtf8(process->readAll());
                             state->succeeded = status == QProcess::NormalExit && exitCode == 0;
                             state->ended = true;
                             process->deleteLater();
                         });
        process->start(InterpreterPath(), {script});
        if (!process->waitForStarted()) {
            const QString reason = process->errorString();
            delete process;
            ThrowCannotStart(script, reason);
        }
        // Nobody can answer a pause without a window: it returns at once.
        process->closeWriteChannel();
        return std::make_unique<HiddenScriptRun>(std::move(state));
    }
};

ScriptLauncher*& TestLauncher() {
    static ScriptLauncher* launcher = nullptr;
    return launcher;
}

}  // namespace

ScriptLauncher& CurrentScriptLauncher() {
    static BatchrunLauncher platform;
    ScriptLauncher* test = TestLauncher();
    return test != nullptr ? *test : platform;
}

void SetScriptLauncherForTesting(ScriptLauncher* launcher) {
    TestLauncher() = launcher;
}

}  // namespace corvane
