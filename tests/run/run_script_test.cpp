#include "run/run_script.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "run/engine_outcome.h"
#include "run/run_error.h"
#include "run/written_files.h"

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
        {u"/a\"b/"_s, u"/bin"_s, u"r"_s, u"output folder /a\"b/ holds a double quote"_s},
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
    EXPECT_THROW(OpenFileScriptBytes(u"/a\"b/"_s, u"x_wxcheck.lst"_s), RunError);
    EXPECT_THROW(OpenFileScriptBytes(u"/a\nb/"_s, u"x_wxcheck.lst"_s), RunError);
}

TEST(EngineOutcome, OnlyTheExactStatusLineAtTheEndCounts) {
    using enum EngineOutcome::Kind;
    const struct {
        const char* line;
        EngineOutcome::Kind kind;
    } lines[] = {
        {"Exit status: 0 (every station evaluated)", AllEvaluated},
        {"Exit status: 1 (39999 of 40000 stations evaluated; see ERRORS)", SomeEvaluated},
        {"Exit status: 2 (nothing evaluated; see ERRORS)", NoneEvaluated},
        {"Exit status: 0 (every station evaluated) ", Unknown},
        {"exit status: 0 (every station evaluated)", Unknown},
        {"Exit status: 1 (3 of  stations evaluated; see ERRORS)", Unknown},
        {"Exit status: 1 (-3 of 4 stations evaluated; see ERRORS)", Unknown},
        {"Exit status: 1 (3 4 stations evaluated; see ERRORS)", Unknown},
        {"Exit status: 3 (nothing evaluated; see ERRORS)", Unknown},
        {"", Unknown},
    };
    for (const auto& l : lines) {
        EXPECT_EQ(ParseExitStatusLine(l.line).kind, l.kind) << l.line;
    }
    const EngineOutcome some =
        ParseExitStatusLine("Exit status: 1 (39999 of 40000 stations evaluated; see ERRORS)");
    EXPECT_EQ(some.evaluated, 39999);
    EXPECT_EQ(some.listed, 40000);
    EXPECT_EQ(FinishedStatusText(some, u"r_wxcheck.lst"_s),
              u"Finished with errors: 39999 of 40000 stations evaluated; see the list file "
              u"r_wxcheck.lst"_s);

    // Files: the last line of a long list file, line ends aside; a status line that is not
    // the last; a file that is missing; a last line longer than the tail that is read.
    QTemporaryDir folder;
    const QString path = folder.filePath(u"finished.txt"_s);
    const auto outcomeOf = [&](const QByteArray& text) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        return ReadEngineOutcome(path).kind;
    };
    const QByteArray body = QByteArray(3 * kStatusTail, 'x') + "\r\n";
    EXPECT_EQ(outcomeOf(body + "Exit status: 2 (nothing evaluated; see ERRORS)\r\n\r\n"),
              NoneEvaluated);
    EXPECT_EQ(outcomeOf(body + "Exit status: 0 (every station evaluated)"), AllEvaluated);
    EXPECT_EQ(outcomeOf("Exit status: 0 (every station evaluated)\nSTATIONS\n"), Unknown);
    EXPECT_EQ(
        outcomeOf(QByteArray(2 * kStatusTail, 'x') + "Exit status: 0 (every station evaluated)\n"),
        Unknown);
    EXPECT_EQ(ReadEngineOutcome(folder.filePath(u"missing.txt"_s)).kind, Unknown);
}

TEST(WrittenFiles, OnlyFilesAsThisProgramLeftThemAreItsOwn) {
    // The names a run replaces are those the engine and the scripts write.
    EXPECT_EQ(FilesARunReplaces(u"r"_s).join(u' '),
              u"r_WXCHECK.TSF.STN wxcheck.inp run_wxcheck.bat finished.txt r_wxcheck.lst "
              u"r_HourlyWindStats.dat r_HourlyTeHuStats.dat r_DailyWindStats.dat "
              u"r_DailyTeHuStats.dat r_report.html r_StationStats.csv open_file.bat"_s);

    QTemporaryDir folder;
    const QString dir = folder.path() + u'/';
    const auto write = [&](const QString& name, const QByteArray& text) {
        QFile file(dir + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    WrittenFiles written;
    for (const char* name : {"ours", "changed", "replaced", "earlier"}) {
        write(QString::fromLatin1(name), "text");
    }
    QDir().mkdir(dir + u"folder"_s);
    for (const char* name : {"ours", "changed", "replaced"}) {
        written.Note(dir + QString::fromLatin1(name));
    }
    // Someone else writes the same number of bytes into one and puts a new file in
    // place of another.
    QFile changed(dir + u"changed"_s);
    ASSERT_TRUE(changed.open(QIODevice::ReadWrite));
    changed.write("TEXT");
    changed.close();
    write(u"replaced.new"_s, "text");
    ASSERT_TRUE(QFile::rename(dir + u"replaced.new"_s, dir + u"replaced"_s) ||
                (QFile::remove(dir + u"replaced"_s) &&
                 QFile::rename(dir + u"replaced.new"_s, dir + u"replaced"_s)));
    // What a program of the run wrote after its script counts; an older file does not.
    QFile earlier(dir + u"earlier"_s);
    ASSERT_TRUE(earlier.open(QIODevice::ReadWrite));
    ASSERT_TRUE(earlier.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                    QFileDevice::FileModificationTime));
    earlier.close();
    write(u"script"_s, "run");
    write(u"later"_s, "text");
    EXPECT_EQ(written.NoteModifiedSince({dir + u"earlier"_s, dir + u"later"_s, dir + u"none"_s},
                                        *StampOf(dir + u"script"_s)),
              QStringList{dir + u"later"_s})
        << "the file written before the script is not the run's";
    EXPECT_EQ(FilesOfOthers(dir,
                            {u"ours"_s, u"changed"_s, u"replaced"_s, u"earlier"_s, u"later"_s,
                             u"none"_s, u"folder"_s},
                            written),
              (QStringList{u"changed"_s, u"replaced"_s, u"earlier"_s}));
}

}  // namespace
}  // namespace corvane
