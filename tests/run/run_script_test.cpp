#include "run/run_script.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "run/engine_outcome.h"
#include "run/run_error.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

TEST(RunScriptBytes, DriveLineAndFiveLinesWithCrlf) {
    EXPECT_EQ(DriveOfPath(u"  /srv/a:b/c:d/ "_s), u"/srv/a:"_s);
    EXPECT_EQ(DriveOfPath(u" /home/ann/runs/ "_s), u"/home/ann/runs/:"_s);
    EXPECT_EQ(DriveOfPath(u"   "_s), QString());
    EXPECT_EQ(RunScriptBytes(u"/home/ann/runs/case1/"_s, u"/opt/corvane/bin"_s, u"case1"_s),
              QByteArray("/home/ann/runs/case1/:\r\n"
                         "cd \"/home/ann/runs/case1/\"\r\n"
                         "\"/opt/corvane/bin/wxcheck\" wxcheck.inp\r\n"
                         "copy case1_wxcheck.lst finished.txt\r\n"
                         "pause\r\n"));
    // A colon in the folder ends the drive there; an empty root name leaves "_wxcheck.lst";
    // an engine at the root reads "//wxcheck"; text beyond ASCII is written as UTF-8.
    EXPECT_EQ(RunScriptBytes(u"/data/t:1/Zürich/"_s, u"/"_s, QString()),
              QByteArray("/data/t:\r\n"
                         "cd \"/data/t:1/Zürich/\"\r\n"
                         "\"//wxcheck\" wxcheck.inp\r\n"
                         "copy _wxcheck.lst finished.txt\r\n"
                         "pause\r\n"));
    // A program folder given with a trailing separator does not double it.
    EXPECT_TRUE(RunScriptBytes(u"/o/"_s, u"/opt/bin/"_s, u"r"_s)
                    .contains("\"/opt/bin/wxcheck\" wxcheck.inp\r\n"));
    EXPECT_EQ(OpenFileScriptBytes(u"/home/ann/runs/case1/"_s, ListFileName(u"case1"_s)),
              QByteArray("notepad \"/home/ann/runs/case1/case1_wxcheck.lst\"\r\n"));
    EXPECT_EQ(OpenFileScriptBytes(u"/r/"_s, ListFileName(QString())),
              QByteArray("notepad \"/r/_wxcheck.lst\"\r\n"));
}

TEST(RunScriptBytes, RefusesValuesThatWouldBreakTheScript) {
    struct Case {
        QString folder, program, root;
        QString expected;  // part of the description
    };
    const Case cases[] = {
        {u"/a\"b/"_s, u"/bin"_s, u"r"_s,
         u"The output folder /a\"b/ holds a double quote, which the script run_wxcheck.bat "
         u"cannot carry"_s},
        {u"/a\nb/"_s, u"/bin"_s, u"r"_s, u"holds a line break"_s},
        {u"/a\rb/"_s, u"/bin"_s, u"r"_s, u"holds a line break"_s},
        {u"/a/"_s, u"/my \"bin"_s, u"r"_s, u"program folder /my \"bin holds a double quote"_s},
        {u"/a/"_s, u"/bin"_s, u"r\nx"_s, u"output root name"_s},
        {u"/a/"_s, u"/bin"_s, u"r\"x"_s, u"output root name r\"x holds a double quote"_s},
    };
    for (const Case& c : cases) {
        try {
            RunScriptBytes(c.folder, c.program, c.root);
            ADD_FAILURE() << "no error for " << c.folder.toStdString() << " "
                          << c.program.toStdString() << " " << c.root.toStdString();
        } catch (const RunError& error) {
            EXPECT_TRUE(error.description().contains(c.expected)) << error.what();
            EXPECT_EQ(error.number(), RunError::kInvalidValue);
        }
    }
    try {
        OpenFileScriptBytes(u"/a\"b/"_s, u"x_wxcheck.lst"_s);
        ADD_FAILURE() << "no error for a double quote in the list file's path";
    } catch (const RunError& error) {
        EXPECT_EQ(error.description(),
                  u"The list file /a\"b/x_wxcheck.lst holds a double "
                  u"quote, which the script open_file.bat cannot carry"_s);
    }
    EXPECT_THROW(OpenFileScriptBytes(u"/a\nb/"_s, u"x_wxcheck.lst"_s), RunError);
}

TEST(EngineOutcome, OnlyTheExactStatusLineAtTheEndCounts) {
    using enum EngineOutcome::Kind;
    // The forms the engine writes are those the output screen's tests see; these are not.
    for (const char* line : {"Exit status: 0 (every station evaluated) ",
                             "Exit status: 1 (-3 of 4 stations evaluated; see ERRORS)",
                             "Exit status: 1 (3 4 stations evaluated; see ERRORS)"}) {
        EXPECT_EQ(ParseExitStatusLine(line).kind, Unknown) << line;
    }

    // The last line of a long file, line ends aside; a status line that is not the last; a
    // last line that begins before the tail that is read.
    QTemporaryDir folder;
    const QString path = folder.filePath(u"finished.txt"_s);
    const auto outcomeOf = [&](const QByteArray& text) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        return ReadEngineOutcome(path).kind;
    };
    EXPECT_EQ(outcomeOf(QByteArray(3 * kStatusTail, 'x') +
                        "\r\nExit status: 2 (nothing evaluated; see ERRORS)\r\n\r\n"),
              NoneEvaluated);
    EXPECT_EQ(outcomeOf("Exit status: 0 (every station evaluated)\nSTATIONS\n"), Unknown);
    EXPECT_EQ(
        outcomeOf(QByteArray(2 * kStatusTail, 'x') + "Exit status: 0 (every station evaluated)\n"),
        Unknown);
}

}  // namespace
}  // namespace corvane
