#include "run/console_window.h"

#include <signal.h>
#include <unistd.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace corvane {
namespace {

QPointer<ConsoleWindow>& TheConsole() {
    static QPointer<ConsoleWindow> console;
    return console;
}

bool IsModifierOnly(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_Meta || key == Qt::Key_AltGr || key == Qt::Key_CapsLock ||
           key == Qt::Key_NumLock || key == Qt::Key_unknown;
}

}  // namespace

ConsoleWindow* ConsoleWindow::Instance() {
    QPointer<ConsoleWindow>& console = TheConsole();
    if (!console) {
        console = new ConsoleWindow();
    }
    return console;
}

ConsoleWindow* ConsoleWindow::Existing() {
    return TheConsole().data();
}

ConsoleWindow::ConsoleWindow() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("consoleWindow"));
    setWindowTitle(QString::fromUtf16(u"run_wxcheck.bat"));
    setAttribute(Qt::WA_DeleteOnClose);
    view_ = new QPlainTextEdit(this);
    view_->setObjectName(QStringLiteral("consoleText"));
    view_->setReadOnly(true);
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Long lines wrap at the window's width, also inside a long path without blanks:
    // nothing of an explanation may hide beyond the edge.
    view_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    view_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    view_->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    const QFontMetrics metrics(view_->font());
    resize(metrics.horizontalAdvance(QLatin1Char('x')) * 84, metrics.lineSpacing() * 26);
    // The program may end without closing us (quit from elsewhere): the script must not
    // outlive it.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { delete this; });
}

ConsoleWindow::~ConsoleWindow() {
    StopScript(false);
}

std::shared_ptr<const ConsoleRunState> ConsoleWindow::Start(const QString& program,
                                                            const QStringList& arguments,
                                                            const QString& folder, QString* error) {
    StopScript(false);
    view_->clear();
    decoder_.resetState();
    // Named by the script it runs, as the shell's window is: the run's or the comparison's.
    if (!arguments.isEmpty()) {
        setWindowTitle(QFileInfo(arguments.constFirst()).fileName());
    }

    auto state = std::make_shared<ConsoleRunState>();
    process_ = new QProcess(this);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setWorkingDirectory(folder);
    // A group of its own, so that stopping the script also stops the engine it runs.
    process_->setChildProcessModifier([] { ::setpgid(0, 0); });
    connect(process_, &QProcess::readyReadStandardOutput, this, &ConsoleWindow::AppendOutput);
    connect(process_, &QProcess::finished, this, &ConsoleWindow::ScriptFinished);
    process_->start(program, arguments);
    if (!process_->waitForStarted()) {
        if (error != nullptr) {
            *error = process_->errorString();
        }
        delete process_;
        process_ = nullptr;
        state->ended = true;
        return state;
    }
    state_ = state;
    show();
    raise();
    activateWindow();
    view_->setFocus();
    return state;
}

QString ConsoleWindow::Text() const {
    return view_->toPlainText();
}

void ConsoleWindow::AppendOutput() {
    if (process_ != nullptr) {
        QString text = decoder_.decode(process_->readAllStandardOutput());
        text.remove(u'\r');
        Append(text);
    }
}

void ConsoleWindow::Append(const QString& text) {
    QTextCursor end = view_->textCursor();
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    view_->setTextCursor(end);
    view_->ensureCursorVisible();
}

void ConsoleWindow::ScriptFinished(int exitCode, QProcess::ExitStatus status) {
    AppendOutput();
    if (state_) {
        state_->ended = true;
        state_->succeeded = status == QProcess::NormalExit && exitCode == 0;
        state_ = nullptr;
    }
    Append(QStringLiteral("\n\n[The script has ended. Close this window when you are done.]\n"));
    if (process_ != nullptr) {
        process_->deleteLater();
        process_ = nullptr;
    }
}

void ConsoleWindow::StopScript(bool byUser) {
    if (process_ == nullptr) {
        return;
    }
    QProcess* process = process_;
    process_ = nullptr;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        const qint64 pid = process->processId();
        if (pid > 0) {
            ::kill(-static_cast<pid_t>(pid), SIGTERM);
        }
        if (!process->waitForFinished(2000) && pid > 0) {
            ::kill(-static_cast<pid_t>(pid), SIGKILL);
            process->waitForFinished(2000);
        }
    }
    delete process;
    if (state_) {
        state_->ended = true;
        state_->stoppedByUser = byUser;
        state_ = nullptr;
    }
}

void ConsoleWindow::closeEvent(QCloseEvent* event) {
    // Closing the console is the user's way to stop a run.
    StopScript(true);
    event->accept();
}

bool ConsoleWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (IsModifierOnly(key->key()) || key->matches(QKeySequence::Copy) ||
            key->matches(QKeySequence::SelectAll)) {
            return false;
        }
        // Any other key answers the script's pause, as in a terminal.
        if (process_ != nullptr && process_->state() == QProcess::Running) {
            process_->write("\n");
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace corvane
