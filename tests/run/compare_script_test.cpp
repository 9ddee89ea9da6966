// COMPARE... without widgets: the script it runs, the files it accepts and how it tells the
// end of a comparison.

#include "run/compare_script.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "run/run_error.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

TEST(CompareScriptBytes, TheReferenceFirstThenTheOthersInTheirOrder) {
    EXPECT_EQ(CompareScriptBytes(u"/home/ann/runs/new/"_s, u"/opt/corvane/bin/"_s, u"new"_s,
                                 u"/home/ann/runs/new/wxcheck.inp"_s,
                                 {u"/home/ann/runs/old b/wxcheck.inp"_s, u"/srv/Zürich.inp"_s}),
              QByteArray("/home/ann/runs/new/:\r\n"
                         "cd \"/home/ann/runs/new/\"\r\n"
                         "\"/opt/corvane/bin/wxcheck\" --compare "
                         "\"/home/ann/runs/new/wxcheck.inp\" "
                         "\"/home/ann/runs/old b/wxcheck.inp\" \"/srv/Zürich.inp\" "
                         "-o \"/home/ann/runs/new/\" --root \"new\"\r\n"));
    EXPECT_TRUE(CompareScriptBytes(u"/o/"_s, u"/"_s, u"r"_s, u"/o/wxcheck.inp"_s, {u"/a"_s})
                    .contains("\"//wxcheck\" --compare"));
}

// A value that would split into other words or lines, and a run without root name, refuse
// the script before it is written, naming the value.
TEST(CompareScriptBytes, ValuesTheScriptCannotCarryAreRefused) {
    const struct {
        QString folder, root, other, message;
    } cases[] = {
        {u"/o/"_s, u"r"_s, u"/a/say\"hi.inp"_s,
         u"The control file /a/say\"hi.inp holds a double quote, which the script "
         u"compare_wxcheck.bat cannot carry"_s},
        {u"/o/"_s, u"r"_s, u"/a/two\nlines.inp"_s,
         u"The control file \"/a/two\nlines.inp\" holds a line break, which the script "
         u"compare_wxcheck.bat cannot carry"_s},
        {u"/o\"/"_s, u"r"_s, u"/a.inp"_s,
         u"The output folder /o\"/ holds a double quote, which the script compare_wxcheck.bat "
         u"cannot carry"_s},
        {u"/o/"_s, QString(), u"/a.inp"_s,
         u"The comparison names its outputs by the output root name, and this run has none"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        try {
            CompareScriptBytes(c.folder, u"/bin"_s, c.root, u"/o/wxcheck.inp"_s, {c.other});
            ADD_FAILURE() << "accepted";
        } catch (const RunError& error) {
            EXPECT_EQ(error.description(), c.message);
            EXPECT_EQ(error.number(), RunError::kInvalidValue);
        }
    }
}

// Only a control file that the engine reads passes; everything else is named with its reason.
TEST(ControlFileProblem, NamesTheFileAndWhyItIsNoControlFile) {
    const QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile file(folder + QLatin1StringView(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    QFile shipped(QStringLiteral(CORVANE_EXAMPLES_DIR "/wxcheck.inp"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    const QString control = write("wxcheck.inp", shipped.readAll());
    EXPECT_EQ(ControlFileProblem(control), QString());

    const QString series = write("st1_obs.tsf", "TIMESERIES.TSF 1.3\n0-\n");
    const QString empty = write("empty.inp", "");
    const QString missing = folder + u"gone/wxcheck.inp"_s;
    const QString shortFile = write("short.inp", "WXCHECK.INP     1.0\n'title'\n");
    const struct {
        QString path, problem;
    } cases[] = {
        {series, series + u":1: a time series file (TIMESERIES.TSF), not a WXCHECK.INP "
                          u"control file"_s},
        {empty, empty + u": the file is empty, not a WXCHECK.INP control file"_s},
        {missing, missing + u": cannot read the control file: "_s},
        {folder, folder + u": cannot read the control file: "_s},
        {shortFile, shortFile + u":3: the file ends before the "_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_TRUE(ControlFileProblem(c.path).startsWith(c.problem))
            << ControlFileProblem(c.path).toStdString();
    }
}

// "Finished" only when the engine succeeded and this comparison wrote its report; a list file
// without success is a warning; an output of an earlier comparison does not count.
TEST(ClassifyComparison, TheStatusIsHonestAboutEveryEnd) {
    const struct {
        bool stopped, succeeded, list, report;
        ComparisonEnd end;
        QString text;
    } cases[] = {
        {false, true, true, true, ComparisonEnd::Finished, u"Finished: 3 runs compared"_s},
        {false, false, true, true, ComparisonEnd::Warnings,
         u"Finished with warnings: stations left out or an output not written; see the list "
         u"file new_comparison.lst"_s},
        {false, false, true, false, ComparisonEnd::Warnings, QString()},
        {false, false, false, false, ComparisonEnd::NothingCompared,
         u"Comparison failed: nothing was compared; its console window shows why"_s},
        {false, true, true, false, ComparisonEnd::NoReport,
         u"Comparison failed: the report new_comparison.html was not written; its console "
         u"window shows why"_s},
        {true, false, false, false, ComparisonEnd::Stopped,
         u"Comparison stopped: its console window was closed"_s},
        {true, false, true, true, ComparisonEnd::Stopped, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.stopped << c.succeeded << c.list << c.report);
        EXPECT_EQ(ClassifyComparison(c.stopped, c.succeeded, c.list, c.report), c.end);
        if (!c.text.isEmpty()) {
            EXPECT_EQ(ComparisonStatusText(c.end, 3, u"new"_s), c.text);
        }
    }
    EXPECT_EQ(FilesAComparisonReplaces(u"new"_s).join(u' '),
              u"compare_wxcheck.bat new_Comparison.csv new_comparison.html new_comparison.lst "
              u"open_file.bat"_s);
}

}  // namespace
}  // namespace corvane
