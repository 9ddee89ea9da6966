#include "run_test_world.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "dialogs/path_helpers.h"
#include "run/console_window.h"

namespace corvane::testing {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
    }
}

RunTestWorld::RunTestWorld() : oldPath_(qgetenv("PATH")) {
    const QString bin = QCoreApplication::applicationDirPath();
    QDir root(root_.path());
    for (const char* folder : {"program", "viewer", "out"}) {
        root.mkdir(QLatin1String(folder));
    }
    for (const auto& [from, to] : {std::pair{"batchrun", "program/batchrun"},
                                   {"fake_wxcheck", "program/wxcheck"},
                                   {"TimeZones.txt", "program/TimeZones.txt"},
                                   {"recording_program", "viewer/xdg-open"}}) {
        QFile::link(bin + u'/' + QLatin1String(from), root.filePath(QLatin1String(to)));
    }
    SetProgramFolderForTesting(root.filePath(QStringLiteral("program")));
    qputenv("PATH", root.filePath(QStringLiteral("viewer")).toUtf8() + ':' + oldPath_);
    qputenv("VIEWER_RECORD", root.filePath(QStringLiteral("viewed.txt")).toUtf8());
    qunsetenv("FAKE_WXCHECK_MODE");
    SetMessageHandler([this](const MessageRequest& request) {
        messages.push_back(request);
        return answer ? answer(request) : MessageAnswer::Cancel;
    });
}

RunTestWorld::~RunTestWorld() {
    delete ConsoleWindow::Existing();  // stops a script still waiting at its pause
    FlushDeletions();
    SetMessageHandler({});
    SetProgramFolderForTesting(QString());
    qputenv("PATH", oldPath_);
    qunsetenv("VIEWER_RECORD");
    qunsetenv("FAKE_WXCHECK_MODE");
}

bool RunTestWorld::UseEngine(const QString& engine) {
    const QString link = root_.filePath(QStringLiteral("program/wxcheck"));
    return QFile::remove(link) && QFile::link(engine, link);
}

void RunTestWorld::FillSetup(RunSetup& setup, const QString& folder) const {
    setup.PredictedFiles = {QStringLiteral("/data/st1_model.tsf"),
                            QStringLiteral("/data/st2_model.tsf")};
    setup.ObservedFiles = {QStringLiteral("/data/st1_obs.tsf"),
                           QStringLiteral("/data/st2_obs.tsf")};
    setup.PredictedCount = setup.ObservedCount = 2;
    setup.DataTimeZone = QStringLiteral("UTC+0300");
    setup.DataStart = setup.PeriodStart = 39448.0;  // 1 January 2008
    setup.DataEnd = setup.PeriodEnd = 39478.0;
    setup.LastBrowseDir = QStringLiteral("/data/");
    setup.OutputDirectory = folder;
    setup.BaseFilename = QStringLiteral("case1");
    setup.TitleLine = QStringLiteral("Test run");
}

QString RunTestWorld::ViewerRecord() const {
    return QString::fromUtf8(ReadAll(root_.filePath(QStringLiteral("viewed.txt"))));
}

void RunTestWorld::ClearViewerRecord() const {
    QFile::remove(root_.filePath(QStringLiteral("viewed.txt")));
}

bool RunTestWorld::WaitForViewer(int milliseconds) const {
    return QTest::qWaitFor([this] { return !ViewerRecord().isEmpty(); }, milliseconds);
}

RunDeadline::RunDeadline(int seconds) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this, seconds] {
        passed_ = true;
        ADD_FAILURE() << "the run did not end within " << seconds << " s";
        QApplication::closeAllWindows();
    });
    timer_.start(seconds * 1000);
}

bool ClickAndWait(QWidget* button) {
    const RunDeadline deadline;
    bool returned = false;
    QPointer<QWidget> target(button);
    QTimer::singleShot(0, [&returned, target] {
        if (target) {
            QTest::mouseClick(target, Qt::LeftButton);
        }
        returned = true;
    });
    return QTest::qWaitFor([&returned] { return returned; }, 2000 * kRunDeadlineSeconds);
}

void FlushDeletions() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace corvane::testing
