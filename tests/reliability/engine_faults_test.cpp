// The engine and the run script where the disk or the series fail. Whatever the engine
// cannot write on a full disk is reported and never left cut off or stale under its name, so
// that the script's copy cannot turn it into a completion marker. A named pipe as a series
// would block the opening for ever (no program writes into it), a device never ends: the
// header check and the engine refuse them and go on.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "datasets/tsf_header.h"
#include "support/tmpfs_mount.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

const std::string kBin = fs::read_symlink("/proc/self/exe").parent_path().string();
const std::string kExamples = CORVANE_EXAMPLES_DIR "/";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

// Runs `program` of the build folder in `folder` (names without quotes) with standard input
// closed, its standard error in `err`; the exit status, 137 when killed after `seconds`.
int RunProgram(const std::string& program, const std::string& args, const std::string& folder,
               std::string& err, int seconds = 120) {
    const std::string errFile = "/tmp/corvane_err_" + std::to_string(getpid());
    const int status =
        std::system(("cd '" + folder + "' && timeout -s KILL " + std::to_string(seconds) + " '" +
                     kBin + "/" + program + "' " + args + " </dev/null >/dev/null 2>" + errFile)
                        .c_str());
    err = ReadFile(errFile);
    fs::remove(errFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The example evaluation in `folder` with the given station lines, and its run script.
void WriteInputs(const std::string& folder, const std::vector<std::string>& stations) {
    std::string text =
        "WXCHECK.TSF.STN 1.0\r\n" + std::to_string(stations.size()) + "\r\nseries\r\n";
    for (const std::string& line : stations) {
        text += line + "\r\n";
    }
    fs::create_directories(folder);
    WriteFile(folder + "/wxcheck.inp", ReadFile(kExamples + "wxcheck.inp"));
    WriteFile(folder + "/example_WXCHECK.TSF.STN", text);
    WriteFile(folder + "/run_wxcheck.bat",
              folder + ":\r\ncd \"" + folder + "\"\r\n\"" + kBin +
                  "/wxcheck\" wxcheck.inp\r\ncopy example_wxcheck.lst finished.txt\r\npause\r\n");
}

TEST(EngineFaults, AFullDiskNeverLeavesACutOffOutputOrMarker) {
    TmpfsMount mount(4096);
    if (!mount.available()) {
        GTEST_SKIP() << mount.error();
    }
    std::vector<std::string> stations;
    for (const std::string s : {"st001", "st002", "st003", "st004"}) {
        stations.push_back("'" + kExamples + s + "_prd.tsf','" + kExamples + s + "_obs.tsf'");
    }
    const std::vector<std::string> outputs = {
        "/example_wxcheck.lst",         "/example_DailyTeHuStats.dat",
        "/example_DailyWindStats.dat",  "/example_HourlyTeHuStats.dat",
        "/example_HourlyWindStats.dat", "/example_report.html",        "/finished.txt"};
    const std::string reference = mount.path() + "/reference";
    const std::string folder = mount.path() + "/run";
    const std::string filler = mount.path() + "/filler";
    std::string err;
    WriteInputs(reference, stations);
    ASSERT_EQ(RunProgram("batchrun", "run_wxcheck.bat", reference, err), 0) << err;
    WriteInputs(folder, stations);
    // Files of an earlier run must not pass for this run's.
    for (const std::string& name : outputs) {
        WriteFile(folder + name, "from an earlier run\n");
    }
    // Fill the disk to the last byte.
    for (std::ofstream fill(filler, std::ios::binary); fill << std::string(4096, 'x');) {
    }

    // Each statistics file is absent or whole; the list file may instead be a whole report of
    // the failure, and the marker, when there is one, is a copy of the list file.
    const auto expectNoPartialOutput = [&] {
        for (const std::string& name : outputs) {
            const std::string text = ReadFile(folder + name);
            if (!fs::exists(folder + name)) {
                continue;
            } else if (name == outputs.back()) {
                EXPECT_EQ(text, ReadFile(folder + outputs.front()));
            } else if (name == outputs.front() && text != ReadFile(reference + name)) {
                EXPECT_NE(text.find("No space left on device"), std::string::npos) << text;
                EXPECT_NE(text.find("\nERRORS\n"), std::string::npos) << text;
            } else {
                EXPECT_EQ(text, ReadFile(reference + name)) << name << " is half-written or stale";
            }
        }
    };
    // A marker of an earlier run must not pass for this run's either.
    const auto runScript = [&] {
        fs::remove(folder + "/finished.txt");
        return RunProgram("batchrun", "run_wxcheck.bat", folder, err);
    };
    EXPECT_EQ(runScript(), 1);
    EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
    expectNoPartialOutput();
    // Some space back: some files fit, the rest must still not be left cut off.
    for (const int kiB : {64, 256, 1024}) {
        SCOPED_TRACE(kiB);
        fs::resize_file(filler, fs::file_size(filler) - kiB * 1024);
        runScript();
        expectNoPartialOutput();
    }

    fs::remove(filler);
    EXPECT_EQ(runScript(), 0) << err;
    for (const std::string& name : outputs) {
        EXPECT_EQ(ReadFile(folder + name), ReadFile(reference + name)) << name;
    }
}

// A check or an engine that waits for a writer hangs until the test's time limit.
TEST(EngineFaults, APipeOrADeviceAsASeriesNeverHangsTheHeaderCheckOrTheEngine) {
    const std::string folder = "/tmp/corvane_pipe_" + std::to_string(getpid());
    const std::string pipe = folder + "/pipe.tsf";
    WriteInputs(folder, {"'" + pipe + "','" + kExamples + "st001_obs.tsf'",
                         "'/dev/zero','" + kExamples + "st002_obs.tsf'",
                         "'" + kExamples + "st003_prd.tsf','" + kExamples + "st003_obs.tsf'"});
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    const TsfHeader header = ReadTsfHeaderFile(pipe);
    EXPECT_EQ(header.failure, TsfFailure::CannotOpen);
    EXPECT_NE(header.message.find(pipe), std::string::npos) << header.message;
    EXPECT_FALSE(ReadTsfHeaderFile("/dev/zero").ok());
    std::string err;
    const int status = RunProgram("wxcheck", "wxcheck.inp", folder, err, 60);
    ASSERT_NE(status, 137) << "wxcheck did not end within a minute";
    EXPECT_EQ(status, 1) << err;
    const std::string list = ReadFile(folder + "/example_wxcheck.lst");
    EXPECT_NE(list.find(pipe), std::string::npos);
    EXPECT_NE(list.find("/dev/zero"), std::string::npos);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace corvane::testing
