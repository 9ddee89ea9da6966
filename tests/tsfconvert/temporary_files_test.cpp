// The converter's temporary files: removed when a conversion is stopped by a signal, and
// swept by the next conversion once the process that wrote them no longer runs.

#include "tsf/temporary_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "tsfconvert/convert.h"
#include "tsfconvert/output_file.h"

namespace corvane::tsfconvert {
namespace {

namespace fs = std::filesystem;
using corvane::testing::ReadFile;
using corvane::testing::WriteFile;

std::vector<std::string> HiddenFiles(const fs::path& folder) {
    std::vector<std::string> hidden;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with('.')) {
            hidden.push_back(entry.path().filename().string());
        }
    }
    return hidden;
}

class TemporaryFilesTest : public ::testing::Test {
protected:
    int Run(const std::vector<std::string>& arguments) const {
        const fs::path before = fs::current_path();
        fs::current_path(folder_);
        std::ostringstream out;
        std::ostringstream err;
        const int status = RunConvert(arguments, out, err);
        fs::current_path(before);
        return status;
    }

    const testing::ScratchFolder scratch_;
    const fs::path folder_ = fs::path(scratch_.path()).parent_path();
    // Process ids are below pid_max: no process has this one.
    const std::string dead_ = std::to_string(std::stoll(ReadFile("/proc/sys/kernel/pid_max")));
};

// A child holds an output half-written when the signal comes: the temporary file goes, the
// earlier file stays, and the child ends by the signal.
TEST_F(TemporaryFilesTest, AStoppedConversionRemovesItsTemporaryFile) {
    const std::string output = (folder_ / "out.tsf").string();
    WriteFile(output, "from an earlier conversion\n");
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        int ready[2];
        int hold[2];
        ASSERT_EQ(::pipe(ready), 0);
        ASSERT_EQ(::pipe(hold), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (const int s : {SIGTERM, SIGINT, SIGHUP}) {
                ::signal(s, SIG_DFL);
            }
            RemoveTemporaryFilesOnSignals();
            {
                ReplacingFile file(output);
                file.Write("TIMESERIES.TSF 1.3\n");
                char c = 'w';
                // Then held until the signal; at end of file if the signal did nothing.
                if (::write(ready[1], &c, 1) != 1 || ::read(hold[0], &c, 1) < 0) {
                    ::_exit(1);
                }
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(hold[0]);
        char c = 0;
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        EXPECT_EQ(HiddenFiles(folder_).size(), 1u);
        ::kill(pid, signal);
        ::close(hold[1]);
        ::close(ready[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(HiddenFiles(folder_), std::vector<std::string>());
        EXPECT_EQ(ReadFile(output), "from an earlier conversion\n");
    }
}

// Only names of the converter's form beside this conversion's outputs, of processes that no
// longer run, are removed.
TEST_F(TemporaryFilesTest, TemporaryFilesOfDeadConversionsAreSwept) {
    WriteFile(folder_ / "in.csv", "time,ws\n2024-01-01T01:00,1\n");
    const std::vector<std::string> stale = {".out.tsf." + dead_ + "-Ab3xYz.tmp"};
    const std::vector<std::string> kept = {
        ".in.csv." + dead_ + "-Ab3xYz.tmp",     // not the output's name
        ".out.tsf." + dead_ + "-Ab3xY.tmp",     // a tag cut short
        ".out.tsf." + dead_ + "-Ab3x_z.tmp",    // not a tag mkstemps writes
        ".out.tsf." + dead_ + "-0-0.tmp",       // the engine's form
        ".out.tsf.x" + dead_ + "-Ab3xYz.tmp"};  // no process id
    for (const auto& names : {stale, kept}) {
        for (const std::string& name : names) {
            WriteFile(folder_ / name, "left\n");
        }
    }
    fs::create_directory(folder_ / (".out.tsf." + dead_ + "-Folder.tmp"));
    ASSERT_EQ(Run({"--time", "time", "--wspeed", "ws", "-o", "out.tsf", "in.csv"}), kWritten);
    for (const std::string& name : stale) {
        EXPECT_FALSE(fs::exists(folder_ / name)) << name;
    }
    for (const std::string& name : kept) {
        EXPECT_TRUE(fs::exists(folder_ / name)) << name;
    }
    EXPECT_TRUE(fs::is_directory(folder_ / (".out.tsf." + dead_ + "-Folder.tmp")));

    // One file per station: the station files' temporary files in the output folder.
    WriteFile(folder_ / "obs.csv", "station,time,ws\nA,2024-01-01T01:00,1\n");
    fs::create_directory(folder_ / "obs");
    WriteFile(folder_ / "obs" / (".B_obs.tsf." + dead_ + "-q1W2e3.tmp"), "left\n");
    WriteFile(folder_ / "obs" / (".notes.txt." + dead_ + "-q1W2e3.tmp"), "kept\n");
    ASSERT_EQ(
        Run({"--time", "time", "--wspeed", "ws", "--station", "station", "-o", "obs", "obs.csv"}),
        kWritten);
    EXPECT_EQ(HiddenFiles(folder_ / "obs"),
              std::vector<std::string>{".notes.txt." + dead_ + "-q1W2e3.tmp"});
}

}  // namespace
}  // namespace corvane::tsfconvert
