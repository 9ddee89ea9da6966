#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <vector>

#include "period/calendar.h"
#include "run/control_file_writer.h"
#include "run/run_error.h"
#include "run/station_file_writer.h"
#include "shell/run_setup.h"
#include "support/files.h"
#include "support/tmpfs_mount.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

namespace fs = std::filesystem;

using testing::ReadFile;

std::string Golden(const char* name) {
    return ReadFile(fs::path(CORVANE_GOLDEN_DIR) / name);
}

int ErrorNumber(const auto& call) {
    try {
        call();
    } catch (const RunError& error) {
        EXPECT_FALSE(error.description().isEmpty());
        return error.number();
    }
    ADD_FAILURE() << "no RunError thrown";
    return 0;
}

TEST(ControlFileTime, SecondsWithinTheHourAndTheShortestThreshold) {
    EXPECT_EQ(FormatControlFileTime(SerialFromFields({2008, 1, 1, 0, 0, 0})), u"20080101000000");
    EXPECT_EQ(FormatControlFileTime(SerialFromFields({2008, 7, 15, 23, 59, 30})),
              u"20080715233570");
    EXPECT_EQ(FormatControlFileTime(SerialFromFields({2008, 7, 15, 10, 1, 0})), u"20080715100060");
    // A value built from fractions of a day still gives the second that was put in.
    EXPECT_EQ(FormatControlFileTime(39644.0 + 23.0 / 24 + 59.0 / 1440 + 30.0 / 86400),
              u"20080715233570");
    EXPECT_EQ(ErrorNumber([] { FormatControlFileTime(1e9); }), 6);

    // The threshold is written as the shortest text that reads back the same float.
    EXPECT_EQ(FormatCalmWindThreshold(CalmWindThresholdFromText(u" 2.50 "_qs)), u"2.5");
    EXPECT_EQ(FormatCalmWindThreshold(CalmWindThresholdFromText(u"1e-60"_qs)), u"0");
    for (const char* bad : {"", ".", "1.2.3", "0,5", "inf", "nan", "+-1", "1 2"}) {
        EXPECT_EQ(ErrorNumber([&] { CalmWindThresholdFromText(QString::fromLatin1(bad)); }), 13)
            << bad;
    }
    EXPECT_EQ(ErrorNumber([] { CalmWindThresholdFromText(u"1e39"_qs); }), 6);
    EXPECT_FALSE(FormatCalmWindThreshold(3e38f).contains(u'e'));
}

// Works in a fresh folder of its own, so relative output folders are fixed texts.
TEST(Writers, GoldenFilesAndRefusedValues) {
    const testing::ScratchFolder scratch;
    const fs::path previous = fs::current_path();
    fs::current_path(scratch.path());
    RunSetup setup;
    setup.OutputDirectory = u"run, it's/"_s;
    setup.DataTimeZone = u"UTC+0300"_s;
    setup.PeriodStart = SerialFromFields({2008, 1, 1, 0, 0, 0});
    setup.PeriodEnd = SerialFromFields({2008, 7, 15, 23, 59, 30});
    setup.CalmWindText = u"0.9999"_s;
    setup.MissingFilterFlag = u"0"_s;
    setup.PredictedFiles = {u"/data/st1_model.tsf"_s, u"/data/o'hare, il/model.tsf"_s, u"b.tsf"_s,
                            u"not written.tsf"_s};
    setup.ObservedFiles = {u"/data/st1_obs.tsf"_s, u"/data/o'hare, il/obs.tsf"_s, u"a.tsf"_s};
    setup.PredictedCount = setup.ObservedCount = 3;
    fs::create_directory("run, it's");
    // An existing longer file is replaced, not appended to or left with a tail.
    std::ofstream("run, it's/wxcheck.inp") << std::string(10000, 'x');
    WriteControlFile(setup);
    EXPECT_TRUE(setup.WriteSucceeded);
    EXPECT_EQ(ReadFile("run, it's/wxcheck.inp"), Golden("wxcheck_empty_names.inp"));
    WriteStationFile(setup);
    EXPECT_EQ(ReadFile("run, it's/_WXCHECK.TSF.STN"), Golden("station_empty_name.stn"));

    setup.TitleLine = u"Summer 2008: Bob's evaluation, run 1"_s;
    setup.OutputDirectory = u"out/"_s;
    setup.BaseFilename = u"summer"_s;
    setup.DataTimeZone = u"UTC-0500"_s;
    setup.PeriodStart = SerialFromFields({2008, 7, 15, 10, 1, 0});
    setup.PeriodEnd = SerialFromFields({2008, 7, 16, 23, 0, 0});
    setup.CalmWindText = u"2"_s;
    setup.MissingFilterFlag = u"1"_s;
    fs::create_directory("out");
    WriteControlFile(setup);
    EXPECT_EQ(ReadFile("out/wxcheck.inp"), Golden("wxcheck_named.inp"));

    // Lists of different lengths, stored so with Disable Error Checking ticked, are refused
    // by the count of predicted files and leave the flag false.
    setup.WriteSucceeded = true;
    setup.ObservedFiles.removeLast();
    setup.ObservedCount = 2;
    try {
        WriteStationFile(setup);
        ADD_FAILURE() << "no RunError thrown";
    } catch (const RunError& error) {
        EXPECT_EQ(error.number(), RunError::kIndexOutOfRange);
        EXPECT_TRUE(error.description().contains(
            u"index out of range: both sets of time series files must contain the same number "
            u"of files, but set 1 (predicted) holds 3 and set 2 (observed) holds 2"));
    }
    EXPECT_FALSE(setup.WriteSucceeded);
    // A count of 0 with the list of an earlier NEXT still stored: never its stale entries.
    setup.ObservedFiles << u"stale.tsf"_s;
    setup.ObservedCount = 0;
    try {
        WriteStationFile(setup);
        ADD_FAILURE() << "no RunError thrown";
    } catch (const RunError& error) {
        EXPECT_TRUE(error.description().contains(u"set 2 (observed) holds 0"));
    }
    fs::current_path(previous);
}

// A write that fails on a full or read-only disk leaves the previous files whole and no
// temporary file beside them.
TEST(Writers, FailedWritesOnAFullOrReadOnlyDiskKeepThePreviousFiles) {
    testing::TmpfsMount mount(1024);
    if (!mount.available()) {
        GTEST_SKIP() << mount.error();
    }
    RunSetup setup;
    setup.OutputDirectory = QString::fromStdString(mount.path()) + u'/';
    setup.CalmWindText = u"0.9999"_s;
    setup.MissingFilterFlag = u"0"_s;
    setup.PredictedFiles = setup.ObservedFiles = {u"a.tsf"_s};
    setup.PredictedCount = setup.ObservedCount = 1;
    WriteStationFile(setup);
    WriteControlFile(setup);
    ASSERT_TRUE(setup.WriteSucceeded);
    const auto contents = [&] {
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(mount.path())) {
            files.push_back(entry.path().filename().string() + "=" + ReadFile(entry.path()));
        }
        std::sort(files.begin(), files.end());
        return files;
    };
    const auto before = contents();
    ASSERT_EQ(before.size(), 2u);

    // About 1.2 MB of station lines do not fit on the 1 MiB disk.
    setup.PredictedFiles = setup.ObservedFiles = QStringList(3000, QString(200, u'n'));
    setup.PredictedCount = setup.ObservedCount = 3000;
    EXPECT_EQ(ErrorNumber([&] { WriteStationFile(setup); }), ENOSPC);
    EXPECT_FALSE(setup.WriteSucceeded);
    EXPECT_EQ(contents(), before);

    ASSERT_TRUE(mount.makeReadOnly()) << mount.error();
    EXPECT_EQ(ErrorNumber([&] { WriteStationFile(setup); }), EROFS);
    EXPECT_EQ(ErrorNumber([&] { WriteControlFile(setup); }), EROFS);
    EXPECT_FALSE(setup.WriteSucceeded);
    EXPECT_EQ(contents(), before);
}

}  // namespace
}  // namespace corvane
