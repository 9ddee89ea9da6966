// The engine and the run script on failing disks: whatever the engine cannot write is
// reported (standard error, exit status) and never left half-written or stale under its
// name, so that the script's copy cannot turn it into a completion marker. Once the fault
// is gone the same run gives the same files as on a sound disk.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "program_run.h"
#include "support/tmpfs_mount.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kOutputs = {
    "example_wxcheck.lst",         "example_DailyTeHuStats.dat",  "example_DailyWindStats.dat",
    "example_HourlyTeHuStats.dat", "example_HourlyWindStats.dat",
};

class EngineDiskFaults : public ::testing::Test {
protected:
    void SetUp() override {
        bin_ = ProgramFolder();
        if (!fs::exists(bin_ + "/wxcheck") || !fs::exists(bin_ + "/batchrun")) {
            GTEST_SKIP() << "needs wxcheck and batchrun in " << bin_;
        }
        reference_ = fs::temp_directory_path() / ("corvane_reference_" + std::to_string(getpid()));
        fs::create_directories(reference_);
        WriteInputs(reference_.string());
        const ProgramResult run = RunProgram(bin_ + "/wxcheck", {"wxcheck.inp"}, reference_);
        ASSERT_EQ(run.status, 0) << run.err;
        for (const std::string& name : kOutputs) {
            ASSERT_TRUE(fs::exists(reference_ / name)) << name;
        }
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(reference_, ignored);
    }

    // The example evaluation with the series named by absolute paths, and the run script.
    void WriteInputs(const std::string& folder) const {
        const std::string examples = CORVANE_EXAMPLES_DIR;
        ASSERT_TRUE(WriteFile(folder + "/wxcheck.inp", ReadFile(examples + "/wxcheck.inp")));
        std::string stations = "WXCHECK.TSF.STN 1.0\r\n4\r\nseries\r\n";
        for (const char* station : {"st001", "st002", "st003", "st004"}) {
            stations += "'" + examples + "/" + station + "_prd.tsf','" + examples + "/" + station +
                        "_obs.tsf'\r\n";
        }
        ASSERT_TRUE(WriteFile(folder + "/example_WXCHECK.TSF.STN", stations));
        ASSERT_TRUE(WriteFile(folder + "/run_wxcheck.bat",
                              folder + ":\r\ncd \"" + folder + "\"\r\n\"" + bin_ +
                                  "/wxcheck\" wxcheck.inp\r\ncopy example_wxcheck.lst "
                                  "finished.txt\r\npause\r\n"));
    }

    // Every statistics file is either absent or whole: never cut off, never left from before.
    // The list file may also be a whole one that reports why the run failed; the marker, when
    // there is one, is a copy of it.
    void ExpectNoPartialOutput(const std::string& folder) const {
        for (const std::string& name : kOutputs) {
            const std::string path = folder + "/" + name;
            if (!fs::exists(path)) {
                continue;
            }
            const std::string text = ReadFile(path);
            const std::string expected = ReadFile((reference_ / name).string());
            if (name == kOutputs.front() && text != expected) {
                EXPECT_NE(text.find("No space left on device"), std::string::npos) << text;
                EXPECT_NE(text.find("\nERRORS\n"), std::string::npos) << text;
            } else {
                EXPECT_EQ(text, expected) << name << " is left half-written or stale";
            }
        }
        if (fs::exists(folder + "/finished.txt")) {
            EXPECT_EQ(ReadFile(folder + "/finished.txt"), ReadFile(folder + "/" + kOutputs[0]));
        }
    }

    void ExpectSameAsReference(const std::string& folder) const {
        for (const std::string& name : kOutputs) {
            EXPECT_EQ(ReadFile(folder + "/" + name), ReadFile((reference_ / name).string()))
                << name;
        }
        EXPECT_EQ(ReadFile(folder + "/finished.txt"),
                  ReadFile((reference_ / "example_wxcheck.lst").string()));
    }

    std::string bin_;
    fs::path reference_;
};

TEST_F(EngineDiskFaults, AReadOnlyFolderIsReportedAndRetryWorksOnceWritable) {
    TmpfsMount mount(4096);
    if (!mount.available()) {
        GTEST_SKIP() << mount.error();
    }
    const std::string folder = mount.path();
    WriteInputs(folder);
    ASSERT_TRUE(mount.makeReadOnly()) << mount.error();

    const ProgramResult engine = RunProgram(bin_ + "/wxcheck", {"wxcheck.inp"}, folder);
    EXPECT_EQ(engine.status, 2);
    EXPECT_NE(engine.err.find("example_wxcheck.lst"), std::string::npos) << engine.err;
    EXPECT_NE(engine.err.find("Read-only file system"), std::string::npos) << engine.err;
    const ProgramResult script = RunProgram(bin_ + "/batchrun", {"run_wxcheck.bat"}, folder);
    EXPECT_EQ(script.status, 1);
    EXPECT_FALSE(fs::exists(folder + "/finished.txt"));
    ExpectNoPartialOutput(folder);

    ASSERT_TRUE(mount.makeWritable()) << mount.error();
    const ProgramResult retry = RunProgram(bin_ + "/batchrun", {"run_wxcheck.bat"}, folder);
    EXPECT_EQ(retry.status, 0) << retry.out << retry.err;
    ExpectSameAsReference(folder);
}

TEST_F(EngineDiskFaults, AFullDiskLeavesNothingHalfWritten) {
    TmpfsMount mount(4096);
    if (!mount.available()) {
        GTEST_SKIP() << mount.error();
    }
    const std::string folder = mount.path();
    WriteInputs(folder);
    // Files of an earlier run must not pass for this run's.
    for (const std::string& name : kOutputs) {
        ASSERT_TRUE(WriteFile(folder + "/" + name, "from an earlier run\n"));
    }
    ASSERT_TRUE(FillDisk(folder, "filler"));

    const ProgramResult script = RunProgram(bin_ + "/batchrun", {"run_wxcheck.bat"}, folder);
    EXPECT_EQ(script.status, 1);
    EXPECT_NE(script.err.find("No space left on device"), std::string::npos) << script.err;
    ExpectNoPartialOutput(folder);

    // Some space back: some files fit, the rest must still not be left cut off.
    for (const int kiB : {64, 256, 1024}) {
        fs::resize_file(folder + "/filler", fs::file_size(folder + "/filler") - kiB * 1024);
        fs::remove(folder + "/finished.txt");
        (void)RunProgram(bin_ + "/batchrun", {"run_wxcheck.bat"}, folder);
        SCOPED_TRACE(kiB);
        ExpectNoPartialOutput(folder);
    }

    fs::remove(folder + "/filler");
    fs::remove(folder + "/finished.txt");
    const ProgramResult retry = RunProgram(bin_ + "/batchrun", {"run_wxcheck.bat"}, folder);
    EXPECT_EQ(retry.status, 0) << retry.out << retry.err;
    ExpectSameAsReference(folder);
}

}  // namespace
}  // namespace corvane::testing
